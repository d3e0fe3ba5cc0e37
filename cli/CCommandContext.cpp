#include "cli/CCommandContext.h"

#include "app/CAppSettings.h"
#include "cli/CliCommands.h"
#include "doc/CTavrinDoc.h"

namespace Cli {
namespace {

// The words of a form, where a bracketed group ("[--port DEV]", "[EXT [WORD2 [WORD3]]]")
// counts as one word: a synopsis line never breaks inside an option.
QStringList Words(const QString& form)
{
    QStringList words;
    QString word;
    int depth = 0;
    for (const QChar c : form) {
        if (c == QLatin1Char(' ') && depth == 0) {
            if (!word.isEmpty())
                words << word;
            word.clear();
            continue;
        }
        if (c == QLatin1Char('['))
            ++depth;
        else if (c == QLatin1Char(']') && depth > 0)
            --depth;
        word += c;
    }
    if (!word.isEmpty())
        words << word;
    return words;
}

} // namespace

QString SUsage::ErrorLine() const
{
    return QStringLiteral("usage: ") + forms.join(QLatin1String(" | "));
}

QString SUsage::ErrorLine(qsizetype form) const
{
    return QStringLiteral("usage: ") + forms.value(form);
}

QString SUsage::Synopsis(const QString& lead) const
{
    const QString indent(6, QLatin1Char(' '));
    QString text;
    for (qsizetype i = 0; i < forms.size(); ++i) {
        text += i == 0 ? lead : QLatin1Char('\n') + QString(lead.size(), QLatin1Char(' '));
        qsizetype column = 0;
        for (const QString& word : Words(forms.at(i))) {
            if (column == 0) {
                text += word;
                column = word.size();
            } else if (column + 1 + word.size() > kWidth) {
                text += QLatin1Char('\n') + indent + word;
                column = indent.size() + word.size();
            } else {
                text += QLatin1Char(' ') + word;
                column += 1 + word.size();
            }
        }
    }
    return text + QLatin1Char('\n') + indent +
           QString(summary).replace(QLatin1Char('\n'), QLatin1Char('\n') + indent);
}

CCommandContext::CCommandContext(const QString& name, const SUsage& usage, EOutputFormat format)
    : m_name(name), m_usage(usage), m_format(format)
{
}

CCommandContext::~CCommandContext() = default;

CAppSettings& CCommandContext::Settings()
{
    if (!m_settings)
        m_settings = std::make_unique<CAppSettings>();
    return *m_settings;
}

CTavrinDoc& CCommandContext::Doc()
{
    if (!m_doc)
        m_doc = std::make_unique<CTavrinDoc>(m_link, Settings(), m_prompt);
    return *m_doc;
}

void CCommandContext::AddPortOption()
{
    m_parser.AddOption(
        {QStringLiteral("port"), QStringLiteral("Serial device."), QStringLiteral("DEV")});
}

void CCommandContext::AddTagsOption(const QString& description)
{
    m_parser.AddOption({QStringLiteral("tags"), description, QStringLiteral("PATH")});
}

void CCommandContext::AddYesOption(const QString& description)
{
    m_parser.AddOption({QStringLiteral("yes"), description});
}

bool CCommandContext::Parse(const QStringList& args)
{
    return m_parser.Parse(m_name, args);
}

bool CCommandContext::Parse(const QString& name, const QStringList& args)
{
    return m_parser.Parse(name, args);
}

QString CCommandContext::Port() const
{
    return m_parser.value(QStringLiteral("port"));
}

QString CCommandContext::TagsPath() const
{
    return m_parser.value(QStringLiteral("tags"));
}

int CCommandContext::UsageError() const
{
    Error(m_parser.errorText().isEmpty() ? m_usage.ErrorLine() : m_parser.errorText());
    return kExitUsage;
}

int CCommandContext::UsageError(qsizetype form) const
{
    Error(m_parser.errorText().isEmpty() ? m_usage.ErrorLine(form) : m_parser.errorText());
    return kExitUsage;
}

bool CCommandContext::OpenPort(int& exitCode)
{
    return OpenLink(m_link, Port(), exitCode);
}

int CCommandContext::Identify(EControllerType& type)
{
    return IdentifyOrExit(m_link, type);
}

int CCommandContext::Connect(EControllerType& type)
{
    type = EControllerType::None;
    int exitCode = kExitOk;
    if (!OpenPort(exitCode))
        return exitCode;
    return Identify(type);
}

void CCommandContext::DocumentConnected(EControllerType type)
{
    CTavrinDoc& doc = Doc();
    doc.SetConnectedType(type);
    doc.SetLinkReady(true);
}

bool CCommandContext::LoadProfile(const QString& path, CParameterSet& set, CTagFile& tags,
                                  int& exitCode) const
{
    return LoadProfileAndTags(path, TagsPath(), set, tags, exitCode);
}

} // namespace Cli
