#include "cli/CCliParser.h"

void CCliParser::AddOption(const QCommandLineOption& option)
{
    addOption(option);
    if (option.valueName().isEmpty())
        return;
    for (const QString& name : option.names())
        m_valueOptions << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

bool CCliParser::IsNegativeNumber(const QString& text)
{
    if (text.size() < 2 || text[0] != QLatin1Char('-'))
        return false;
    const QChar next = text[1];
    return next.isDigit() || (next == QLatin1Char('.') && text.size() > 2 && text[2].isDigit());
}

bool CCliParser::Parse(const QString& command, const QStringList& args)
{
    // Options first, then "--" and every positional argument in its order: after "--" a
    // leading minus is no longer taken for an option.
    QStringList options;
    QStringList positional;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--")) {
            positional += args.mid(i + 1);
            break;
        }
        if (IsNegativeNumber(arg) || !arg.startsWith(QLatin1Char('-')) || arg.size() == 1) {
            positional << arg;
            continue;
        }
        options << arg;
        if (m_valueOptions.contains(arg) && i + 1 < args.size())
            options << args[++i]; // the option's value, whatever it looks like
    }
    return parse(QStringList{command} + options + QStringList{QStringLiteral("--")} + positional);
}
