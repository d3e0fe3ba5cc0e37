#pragma once

#include <QCommandLineParser>
#include <QStringList>

// The option parser of every tavrin-cli command: QCommandLineParser, with a leading minus
// read as the sign of a number rather than the start of an option. "set TAG -5" and
// "set TAG --display -12.5" give -5 and -12.5 as values.
class CCliParser : public QCommandLineParser
{
public:
    // Adds an option and remembers whether it takes a value.
    void AddOption(const QCommandLineOption& option);

    // Parses the arguments that follow the command word. A negative number that is not the
    // value of an option is a positional argument, kept in its place among the others.
    // False on an unknown option or a missing value (errorText() says which).
    bool Parse(const QString& command, const QStringList& args);

    // "-5", "-0x10", "-12.5", "-.5": what a negative number looks like on a command line.
    static bool IsNegativeNumber(const QString& text);

private:
    QStringList m_valueOptions; // spelled with their dashes: "--display", "-o"
};
