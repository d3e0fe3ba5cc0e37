#include "edit/CParameterRows.h"

#include "data/CCodePage.h"
#include "data/CParameterSet.h"
#include "data/CTagFile.h"

#include <algorithm>
#include <array>

namespace {

const std::array<const char*, CParameterRows::kGroupCount> kGroupNames = {
    "All",       "Gaugeline",       "Brake",       "Drive Motor", "Input",
    "Low level", "Modes root",      "Profile 1",   "Profile 2",   "Profile 3",
    "Profile 4", "Profile 5",       "Speed",       "Root",        "Throttle",
    "Config",    "Halvard service", "Test",        "Brush Motor", "Vac. Motor",
    "Inhibit",   "General",         "Aux Outputs", "Advanced",    "Engineering",
};

// A parameter that has a row to offer, with its tag record.
struct SFound
{
    const CParameter* parameter;
    const CTagInfo* tag;
};

// A tag number written with `base` digits only (no sign, no spaces), or -1.
int TagNumber(QStringView digits, int base)
{
    bool ok = false;
    const uint number = digits.toUInt(&ok, base);
    return ok && number <= 0xFFFF ? int(number) : -1;
}

bool AllDigits(QStringView text, bool hex)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [hex](QChar c) {
        const char16_t u = c.unicode();
        const bool decimal = u >= u'0' && u <= u'9';
        const bool letter = (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
        return decimal || (hex && letter);
    });
}

} // namespace

CParameterRows::CSearch::CSearch(const QString& text) : m_text(text)
{
    const QStringView view(m_text);
    if (view.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        const QStringView digits = view.mid(2);
        if (digits.size() <= 4 && AllDigits(digits, true))
            m_hex = TagNumber(digits, 16);
        return;
    }
    if (AllDigits(view, false))
        m_decimal = TagNumber(view, 10);
    if (view.size() == 4 && AllDigits(view, true))
        m_hex = TagNumber(view, 16);
}

QString CParameterRows::GroupName(quint16 group)
{
    if (group < kGroupCount)
        return QString::fromLatin1(kGroupNames[group]);
    return QStringLiteral("Group %1").arg(group);
}

QStringList CParameterRows::GroupNames(const std::vector<quint16>& groups)
{
    QStringList names;
    names.reserve(qsizetype(groups.size()));
    for (quint16 group : groups)
        names.append(GroupName(group));
    return names;
}

SParameterRows CParameterRows::Build(const CParameterSet& set, const CTagFile& tags,
                                     quint16 filterGroup, const SRowFilter& filter)
{
    SParameterRows result;
    result.groups.push_back(0);
    if (set.IsEmpty())
        return result;

    // First pass: find the tags and collect the groups, so that the filter can be checked
    // against the groups before any text is made.
    const quint16 type = set.DataControllerType();
    std::vector<SFound> found;
    found.reserve(set.Parameters().size());
    for (const auto& parameter : set.Parameters()) {
        const CTagInfo* tag = tags.FindTag(parameter->tagNumber, type);
        if (!tag)
            continue;
        found.push_back({parameter.get(), tag});
        auto at = std::lower_bound(result.groups.begin(), result.groups.end(), tag->group);
        if (at == result.groups.end() || *at != tag->group)
            result.groups.insert(at, tag->group);
    }

    const auto at = std::find(result.groups.begin(), result.groups.end(), filterGroup);
    if (at != result.groups.end()) {
        result.filterGroup = filterGroup;
        result.filterIndex = int(at - result.groups.begin());
    }

    // Second pass, back to front: the list shows the last parameter at the top.
    const CSearch search(filter.search);
    std::vector<const CTagInfo*> rowTags;
    result.rows.reserve(found.size());
    rowTags.reserve(found.size());
    for (auto it = found.rbegin(); it != found.rend(); ++it) {
        if (result.filterGroup != 0 && it->tag->group != result.filterGroup)
            continue;
        ++result.groupRowCount;
        const CParameter& parameter = *it->parameter;
        SParameterRow row;
        row.name = CCodePage::ToUnicode(it->tag->name);
        if (filter.baseline) {
            const auto was = filter.baseline->constFind(parameter.tagNumber);
            row.changed = was != filter.baseline->constEnd() && *was != parameter.value;
        }
        if (filter.changedOnly && !row.changed)
            continue;
        row.value = parameter.ValueText(*it->tag, type);
        if (!search.IsEmpty() && !search.MatchesTag(parameter.tagNumber) &&
            !search.MatchesText(row.name) && !search.MatchesText(row.value))
            continue;
        row.tag = parameter.tagNumber;
        row.readOnly = parameter.readOnly;
        row.group = it->tag->group;
        result.rows.push_back(std::move(row));
        rowTags.push_back(it->tag);
    }

    // Where each row's tag stands in the tag file: one walk over the file's list.
    QHash<const CTagInfo*, int> positions;
    positions.reserve(qsizetype(rowTags.size()));
    for (const CTagInfo* tag : rowTags)
        positions.insert(tag, 0);
    const CTagFile::TagList& list = tags.Tags();
    for (std::size_t i = 0; i < list.size(); ++i) {
        const auto at = positions.find(list[i].get());
        if (at != positions.end())
            *at = int(i);
    }
    for (std::size_t i = 0; i < rowTags.size(); ++i)
        result.rows[i].filePosition = positions.value(rowTags[i]);
    return result;
}
