#pragma once

#include "cli/CCliParser.h"
#include "cli/CRecordOutput.h"
#include "cli/CTerminalPrompt.h"
#include "link/CControllerLink.h"
#include "link/EControllerType.h"

#include <QString>
#include <QStringList>

#include <memory>

class CAppSettings;
class CParameterSet;
class CTagFile;
class CTavrinDoc;

namespace Cli {

// How a command is called, written once for both its usage error and its help: the forms,
// each a whole command line ("adc --list [--channels FILE] [--port DEV]"; one form may offer
// alternatives joined by " | "), and what the command does, a line or two.
struct SUsage
{
    QStringList forms;
    QString summary;

    // Columns a synopsis line takes at most, its indentation included.
    static constexpr qsizetype kWidth = 80;

    // "usage: " and the forms joined by " | ", on one line: what a usage mistake prints.
    QString ErrorLine() const;
    // The same for form number `form` alone, for a subcommand that parses on its own.
    QString ErrorLine(qsizetype form) const;
    // The synopsis of the help: each form wrapped at kWidth between its words and bracketed
    // groups, the first form after `lead` and each later one below it, continuation lines and
    // then each line of the summary indented by six. No newline at the end.
    QString Synopsis(const QString& lead) const;
};

// What main hands every command: its name and usage, the output format, and what the
// commands share: the option parser (each command adds its own options to it), the terminal
// prompt, the controller link, and the settings and a document on that link and prompt,
// made when first asked for. One context serves one command run, on the main thread.
class CCommandContext
{
public:
    CCommandContext(const QString& name, const SUsage& usage, EOutputFormat format);
    ~CCommandContext();
    CCommandContext(const CCommandContext&) = delete;
    CCommandContext& operator=(const CCommandContext&) = delete;

    const QString& Name() const { return m_name; }
    const SUsage& Usage() const { return m_usage; }
    EOutputFormat Format() const { return m_format; }
    CCliParser& Parser() { return m_parser; }
    const CCliParser& Parser() const { return m_parser; }
    CTerminalPrompt& Prompt() { return m_prompt; }
    CControllerLink& Link() { return m_link; }
    CAppSettings& Settings();
    CTavrinDoc& Doc();

    // The options many commands share; Port() and TagsPath() read them back.
    void AddPortOption();
    void AddTagsOption(const QString& description = QStringLiteral("Tag file or folder."));
    void AddYesOption(const QString& description);

    // Parses `args` with the options added so far, under the command's name or, for a
    // subcommand, under `name` ("eeprom read"). False on an unknown option or a missing
    // value; UsageError then says which.
    bool Parse(const QStringList& args);
    bool Parse(const QString& name, const QStringList& args);
    QStringList Positional() const { return m_parser.positionalArguments(); }
    bool IsSet(const QString& option) const { return m_parser.isSet(option); }
    QString Value(const QString& option) const { return m_parser.value(option); }
    QString Port() const;     // --port DEV; empty without it
    QString TagsPath() const; // --tags PATH; empty without it

    // A usage mistake: prints the parser's error or, when parsing went well, the usage line
    // (of form `form` alone when given). Returns kExitUsage.
    int UsageError() const;
    int UsageError(qsizetype form) const;

    // Opens the link on Port() or the "PortDevice" setting (OpenLink); false with `exitCode`
    // set after saying why.
    bool OpenPort(int& exitCode);
    // Identifies the controller on the link (IdentifyOrExit): kExitOk with `type` found, or
    // the exit code after saying why.
    int Identify(EControllerType& type);
    // OpenPort, then Identify: kExitOk with `type` identified, otherwise the exit code.
    int Connect(EControllerType& type);
    // Tells the document that a controller of `type` is on a ready link, for the flows that
    // look at the connected type.
    void DocumentConnected(EControllerType type);

    // Loads the profile at `path` into `set` and the tag file of TagsPath() into `tags`
    // (LoadProfileAndTags); false with `exitCode` set after saying why.
    bool LoadProfile(const QString& path, CParameterSet& set, CTagFile& tags, int& exitCode) const;

private:
    QString m_name;
    const SUsage& m_usage;
    EOutputFormat m_format;
    CCliParser m_parser;
    CTerminalPrompt m_prompt;
    CControllerLink m_link;
    std::unique_ptr<CAppSettings> m_settings;
    std::unique_ptr<CTavrinDoc> m_doc; // after m_settings: it refers to them
};

} // namespace Cli
