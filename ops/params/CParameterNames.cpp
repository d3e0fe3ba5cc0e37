#include "ops/params/CParameterNames.h"
#include "data/CParameterText.h"

#include "data/CCodePage.h"
#include "data/CTagFile.h"
#include "link/CControllerLink.h"

#include <QStringList>

#include <algorithm>

CParameterNames::CParameterNames(const CTagFile& tags, EControllerType type) : m_type(type)
{
    for (const auto& tag : tags.Tags()) {
        if (tag->AppliesToType(type))
            m_applying.push_back({tag->tag, CCodePage::ToUnicode(tag->name)});
    }
}

std::vector<std::uint16_t> CParameterNames::Resolve(const QString& raw, QString& error) const
{
    const QString item = raw.trimmed();
    const QString typeName = CControllerLink::ControllerTypeName(m_type);
    if (item.isEmpty()) {
        error = QStringLiteral("an empty parameter name");
        return {};
    }
    if (item[0].isDigit()) {
        bool ok = false;
        const uint number = item.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
                                ? item.mid(2).toUInt(&ok, 16)
                                : item.toUInt(&ok, 10);
        const bool known = ok && std::any_of(m_applying.begin(), m_applying.end(),
                                             [number](const SNamed& n) { return n.tag == number; });
        if (!known) {
            error = QStringLiteral("no parameter %1 for %2").arg(item, typeName);
            return {};
        }
        return {std::uint16_t(number)};
    }

    // An exact name wins; otherwise the one name the item begins, whatever the case.
    std::vector<std::uint16_t> found;
    QStringList prefixedNames;
    for (const SNamed& named : m_applying) {
        if (named.name == item)
            found.push_back(named.tag);
        else if (named.name.startsWith(item, Qt::CaseInsensitive) &&
                 !prefixedNames.contains(named.name))
            prefixedNames << named.name;
    }
    if (!found.empty())
        return found;
    // A name that differs from the item only in case is the one meant.
    const auto same =
        std::find_if(prefixedNames.begin(), prefixedNames.end(), [&item](const QString& n) {
            return n.compare(item, Qt::CaseInsensitive) == 0;
        });
    if (same != prefixedNames.end())
        prefixedNames = QStringList{*same};
    if (prefixedNames.size() != 1) {
        QStringList candidates;
        for (const QString& name : prefixedNames) {
            const auto it = std::find_if(m_applying.begin(), m_applying.end(),
                                         [&name](const SNamed& n) { return n.name == name; });
            candidates
                << QStringLiteral("0x%1 %2").arg(HexWord(it->tag, EHexCase::Lower)).arg(name);
        }
        error = prefixedNames.isEmpty()
                    ? QStringLiteral("no parameter of %2 is named \"%1\"").arg(item, typeName)
                    : QStringLiteral("\"%1\" is ambiguous; it begins:\n  %2")
                          .arg(item, candidates.join(QStringLiteral("\n  ")));
        return {};
    }
    for (const SNamed& named : m_applying) {
        if (named.name == prefixedNames.constFirst())
            found.push_back(named.tag);
    }
    return found;
}
