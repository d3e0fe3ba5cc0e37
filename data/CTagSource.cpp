#include "data/CTagSource.h"

#include "data/CCodePage.h"
#include "data/CErrorText.h"
#include "link/EControllerType.h"

#include <QFile>
#include <QSet>

#include <limits>
#include <memory>
#include <optional>

namespace {

bool ParseNumber(const QString& text, std::uint64_t maximum, std::uint64_t& value, QString& error)
{
    bool ok = false;
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        value = text.mid(2).toULongLong(&ok, 16);
    else
        value = text.toULongLong(&ok, 10);
    if (!ok || value > maximum) {
        error = QStringLiteral("\"%1\" is not a number from 0 to %2").arg(text).arg(maximum);
        return false;
    }
    return true;
}

template <class T> bool ParseInto(const QString& text, T& out, QString& error)
{
    std::uint64_t value = 0;
    if (!ParseNumber(text, std::numeric_limits<T>::max(), value, error))
        return false;
    out = static_cast<T>(value);
    return true;
}

// A quoted text with escapes, converted to Windows-1252.
bool ParseText(const QString& value, QByteArray& out, QString& error)
{
    const auto fail = [&error](const QString& text) {
        error = text;
        return false;
    };
    if (value.size() < 2 || !value.startsWith(QLatin1Char('"')) ||
        !value.endsWith(QLatin1Char('"')))
        return fail(QStringLiteral("a text must be in double quotes"));
    QString text;
    for (qsizetype i = 1; i + 1 < value.size(); ++i) {
        QChar c = value[i];
        if (c == QLatin1Char('"'))
            return fail(QStringLiteral("a quote inside a text must be written \\\""));
        if (c == QLatin1Char('\\')) {
            if (i + 2 >= value.size())
                return fail(QStringLiteral("a text ends with a lone backslash"));
            const QChar e = value[++i];
            if (e == QLatin1Char('n'))
                c = QLatin1Char('\n');
            else if (e == QLatin1Char('r'))
                c = QLatin1Char('\r');
            else if (e == QLatin1Char('t'))
                c = QLatin1Char('\t');
            else if (e == QLatin1Char('"') || e == QLatin1Char('\\'))
                c = e;
            else
                return fail(QStringLiteral("unknown escape \\%1").arg(e));
        }
        text += c;
    }
    bool lossy = false;
    out = CCodePage::FromUnicode(text, &lossy);
    if (lossy)
        return fail(QStringLiteral("the text has a character outside Windows-1252"));
    return true;
}

// The value with a trailing comment removed; a '#' inside quotes is text.
QString StripComment(const QString& line)
{
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (c == QLatin1Char('\\') && quoted)
            ++i;
        else if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (c == QLatin1Char('#') && !quoted)
            return line.left(i).trimmed();
    }
    return line.trimmed();
}

// A [tag] section being read. The presentation code goes on top of the display word when the
// section ends, so "presentation" and "display" may come in either order.
struct STagSection
{
    std::unique_ptr<CTagInfo> tag;
    std::optional<int> presentation;
};

// One key of a section: its name and how its value is read into the record.
template <class Record> struct SKey
{
    const char* name;
    bool (*read)(const QString& value, Record& record, QString& error);
};

template <auto Member> bool TagNumber(const QString& value, STagSection& section, QString& error)
{
    return ParseInto(value, (*section.tag).*Member, error);
}

template <auto Member> bool TagText(const QString& value, STagSection& section, QString& error)
{
    return ParseText(value, (*section.tag).*Member, error);
}

// Controller types as bit numbers of the mask, or "all", or "none".
bool TagTypes(const QString& value, STagSection& section, QString& error)
{
    CTagInfo& t = *section.tag;
    if (value == QLatin1String("all")) {
        t.controllerMask = 0xFFFFFFFF;
        return true;
    }
    if (value == QLatin1String("none"))
        return true;
    for (const QString& type : value.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        std::uint64_t bit = 0;
        if (!ParseNumber(type, kControllerTypeCount - 1, bit, error))
            return false;
        t.controllerMask |= 1u << bit;
    }
    return true;
}

bool TagPresentation(const QString& value, STagSection& section, QString& error)
{
    std::uint64_t code = 0;
    if (!ParseNumber(value, 127, code, error))
        return false;
    section.presentation = static_cast<int>(code);
    return true;
}

bool TagWords(const QString& value, STagSection& section, QString& error)
{
    const QStringList words = value.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.size() != 7) {
        error = QStringLiteral("words needs the seven presentation words");
        return false;
    }
    for (std::size_t i = 0; i < 7; ++i) {
        if (!ParseInto(words[static_cast<qsizetype>(i)], section.tag->presentationWords[i], error))
            return false;
    }
    return true;
}

constexpr SKey<STagSection> kTagKeys[] = {
    {"tag", TagNumber<&CTagInfo::tag>},
    {"types", TagTypes},
    {"mask", TagNumber<&CTagInfo::controllerMask>},
    {"units", TagNumber<&CTagInfo::unitsCode>},
    {"group", TagNumber<&CTagInfo::group>},
    {"presentation", TagPresentation},
    {"display", TagNumber<&CTagInfo::displayWord>},
    {"privilege", TagNumber<&CTagInfo::privilege>},
    {"spare1", TagNumber<&CTagInfo::spare1>},
    {"spare2", TagNumber<&CTagInfo::spare2>},
    {"words", TagWords},
    {"name", TagText<&CTagInfo::name>},
    {"info", TagText<&CTagInfo::information>},
    {"help", TagText<&CTagInfo::help>},
};

template <auto Member> bool TextCode(const QString& value, CTextObject& record, QString& error)
{
    return ParseInto(value, record.*Member, error);
}

// Each "text" line adds the next text of the record.
bool TextLine(const QString& value, CTextObject& record, QString& error)
{
    QByteArray text;
    if (!ParseText(value, text, error))
        return false;
    if (!record.AddText(text)) {
        error = QStringLiteral("a text record holds at most %1 texts").arg(CTextObject::kMaxTexts);
        return false;
    }
    return true;
}

constexpr SKey<CTextObject> kTextKeys[] = {
    {"code", TextCode<&CTextObject::code>},
    {"code2", TextCode<&CTextObject::code2>},
    {"text", TextLine},
};

template <class Record, std::size_t N>
const SKey<Record>* FindKey(const SKey<Record> (&keys)[N], const QString& name)
{
    for (const SKey<Record>& key : keys) {
        if (name == QLatin1String(key.name))
            return &key;
    }
    return nullptr;
}

// Line by line; every step returns false and leaves the problem in m_error.
class CParser
{
public:
    bool Line(const QString& raw);
    bool Finish() { return EndSection(); }
    const QString& Error() const { return m_error; }

    std::optional<std::uint16_t> tagCount;
    CTagFile::TagList tags;
    CTagFile::TextList texts;

private:
    bool Fail(const QString& text)
    {
        m_error = text;
        return false;
    }
    bool EndSection();
    bool TagKey(const QString& key, const QString& value);
    bool TextKey(const QString& key, const QString& value);

    enum class ESection
    {
        None,
        Tag,
        Text
    };
    ESection m_section = ESection::None;
    QSet<QString> m_keys;
    STagSection m_tag;
    std::unique_ptr<CTextObject> m_text;
    QString m_error;
};

bool CParser::Line(const QString& raw)
{
    const QString line = StripComment(raw);
    if (line.isEmpty())
        return true;
    if (line.startsWith(QLatin1Char('['))) {
        if (!EndSection())
            return false;
        if (line == QLatin1String("[tag]")) {
            m_section = ESection::Tag;
            m_tag = {std::make_unique<CTagInfo>(), std::nullopt};
        } else if (line == QLatin1String("[trip]")) {
            m_section = ESection::Text;
            m_text = std::make_unique<CErrorText>();
        } else if (line == QLatin1String("[text]")) {
            m_section = ESection::Text;
            m_text = std::make_unique<CTextObject>();
        } else {
            return Fail(QStringLiteral("unknown section %1").arg(line));
        }
        return true;
    }
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq <= 0)
        return Fail(QStringLiteral("expected \"key = value\""));
    const QString key = line.left(eq).trimmed();
    const QString value = line.mid(eq + 1).trimmed();
    if (key != QLatin1String("text") && m_keys.contains(key))
        return Fail(QStringLiteral("\"%1\" is given twice").arg(key));
    m_keys.insert(key);
    switch (m_section) {
    case ESection::None: {
        if (key != QLatin1String("tagcount"))
            return Fail(QStringLiteral("\"%1\" outside a section").arg(key));
        std::uint16_t count = 0;
        if (!ParseInto(value, count, m_error))
            return false;
        tagCount = count;
        return true;
    }
    case ESection::Tag:
        return TagKey(key, value);
    case ESection::Text:
        return TextKey(key, value);
    }
    return true;
}

bool CParser::TagKey(const QString& key, const QString& value)
{
    const bool both =
        m_keys.contains(QStringLiteral("types")) && m_keys.contains(QStringLiteral("mask"));
    if (both)
        return Fail(QStringLiteral("give either types or mask"));
    if (const SKey<STagSection>* k = FindKey(kTagKeys, key))
        return k->read(value, m_tag, m_error);
    return Fail(QStringLiteral("unknown key \"%1\" in [tag]").arg(key));
}

bool CParser::TextKey(const QString& key, const QString& value)
{
    if (const SKey<CTextObject>* k = FindKey(kTextKeys, key))
        return k->read(value, *m_text, m_error);
    return Fail(QStringLiteral("unknown key \"%1\" in a text record").arg(key));
}

bool CParser::EndSection()
{
    if (m_section == ESection::Tag) {
        if (!m_keys.contains(QStringLiteral("tag")))
            return Fail(QStringLiteral("a [tag] section needs \"tag\""));
        if (m_tag.presentation)
            m_tag.tag->SetPresentationCode(*m_tag.presentation);
        tags.push_back(std::move(m_tag.tag));
    } else if (m_section == ESection::Text) {
        if (!m_keys.contains(QStringLiteral("code")))
            return Fail(QStringLiteral("a text record needs \"code\""));
        texts.push_back(std::move(m_text));
    }
    m_section = ESection::None;
    m_keys.clear();
    return true;
}

} // namespace

bool CTagSource::Parse(const QString& source, CTagFile& file, QString* error)
{
    file.Clear();
    CParser parser;
    const QStringList lines = source.split(QLatin1Char('\n'));
    qsizetype lineNumber = 0;
    bool ok = true;
    for (const QString& line : lines) {
        ++lineNumber;
        if (!parser.Line(line)) {
            ok = false;
            break;
        }
    }
    if (ok && !parser.Finish())
        ok = false;
    if (!ok) {
        if (error)
            *error = QStringLiteral("line %1: %2").arg(lineNumber).arg(parser.Error());
        return false;
    }
    if (parser.tags.size() > 0xFFFF && !parser.tagCount) {
        if (error)
            *error = QStringLiteral("more than 65535 tags: give tagcount");
        return false;
    }
    const auto count = parser.tagCount.value_or(static_cast<std::uint16_t>(parser.tags.size()));
    file.SetContents(count, std::move(parser.tags), std::move(parser.texts));
    return true;
}

bool CTagSource::ParseFile(const QString& path, CTagFile& file, QString* error)
{
    QFile source(path);
    if (!source.open(QIODevice::ReadOnly | QIODevice::Text)) {
        file.Clear();
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, source.errorString());
        return false;
    }
    QString parseError;
    if (!Parse(QString::fromUtf8(source.readAll()), file, &parseError)) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, parseError);
        return false;
    }
    return true;
}
