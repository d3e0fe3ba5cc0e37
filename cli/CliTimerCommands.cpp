// tavrin-cli timers: the service timers dialog on a terminal. It lists the hour counters,
// clears one, or programs the programmable times, through the same steps as the dialog.
#include "cli/CCommandContext.h"
#include "cli/CliCommands.h"
#include "data/CParameterText.h"
#include "doc/CTavrinDoc.h"
#include "link/CControllerLink.h"
#include "ops/tools/CServiceTimers.h"

namespace Cli {
namespace {

QString TagText(std::uint16_t tag)
{
    return QStringLiteral("0x") + HexWord(tag);
}

int Program(CServiceTimers& timers, CServiceTimers::SEntries& entries)
{
    if (!timers.ProgrammableAvailable()) {
        Error(QStringLiteral("the controller does not offer programmable times"));
        return kExitRefused;
    }
    switch (timers.Program(entries)) {
    case CServiceTimers::EProgramResult::Confirmed:
        PrintRecord(
            {QStringLiteral("programmed"), entries.service, entries.totalOn, entries.brush});
        return kExitOk;
    case CServiceTimers::EProgramResult::NotConfirmed:
        return kExitPartly;
    case CServiceTimers::EProgramResult::Invalid:
        Error(CServiceTimers::HintText(false));
        return kExitUsage;
    case CServiceTimers::EProgramResult::Unavailable:
        break;
    }
    return kExitRefused;
}

int Clear(CServiceTimers& timers, int line)
{
    switch (timers.Clear(line)) {
    case CServiceTimers::EClearResult::Cleared:
        PrintRecord(
            {QStringLiteral("cleared"), QString::number(line), TagText(timers.LineTag(line))});
        return kExitOk;
    case CServiceTimers::EClearResult::NoReply:
        Error(QStringLiteral("no reply to the clear of line %1").arg(line));
        return kExitNoReply;
    case CServiceTimers::EClearResult::Hidden:
        break;
    }
    Error(QStringLiteral("this controller has no timer line %1").arg(line));
    return kExitUsage;
}

} // namespace

int RunTimers(CCommandContext& context, const QStringList& args)
{
    CCliParser& parser = context.Parser();
    context.AddPortOption();
    parser.AddOption({QStringLiteral("clear"), QStringLiteral("Clear timer line LINE (1..3)."),
                      QStringLiteral("LINE")});
    parser.AddOption({QStringLiteral("program"),
                      QStringLiteral("Program the Service, Total On and Brush times (hours).")});
    context.AddYesOption(QStringLiteral("Answer the clear question Yes."));
    if (!context.Parse(args))
        return context.UsageError();
    const bool program = context.IsSet(QStringLiteral("program"));
    const bool clear = context.IsSet(QStringLiteral("clear"));
    const QStringList values = context.Positional();
    if ((program && clear) || values.size() != (program ? 3 : 0))
        return context.UsageError();

    std::optional<unsigned> line;
    if (clear) {
        line = ParseWord(context.Value(QStringLiteral("clear")), CServiceTimers::kLineCount);
        if (!line || *line < 1)
            return context.UsageError();
    }
    CServiceTimers::SEntries entries;
    if (program) {
        QString* const fields[] = {&entries.service, &entries.totalOn, &entries.brush};
        for (int i = 0; i < 3; ++i) {
            const auto hours = ParseNumber(values.at(i));
            if (!hours)
                return context.UsageError();
            // Refused rather than replaced by the limit: a script that asks for more than
            // the controller holds must not program something else without knowing.
            if (*hours < 0 || *hours > CServiceTimers::kProgrammableLimitHours) {
                Error(QStringLiteral("%1 hours is outside 0..%2; nothing was programmed")
                          .arg(values.at(i))
                          .arg(CServiceTimers::kProgrammableLimitHours));
                return kExitUsage;
            }
            *fields[i] = QString::number(*hours);
        }
    }

    CTerminalPrompt& prompt = context.Prompt();
    prompt.SetAssumeYes(context.IsSet(QStringLiteral("yes")));
    // As for the logs, the question comes before anything is sent: answered No, the
    // controller sees nothing.
    if (clear &&
        prompt.QuestionDefaultNo(QStringLiteral("Clear timer line %1 in the controller? "
                                                "Its hours cannot be recovered.")
                                     .arg(*line),
                                 IUserPrompt::EIcon::Exclamation) != IUserPrompt::EAnswer::Yes)
        return kExitDeclined;
    EControllerType type = EControllerType::None;
    if (const int code = context.Connect(type); code != kExitOk)
        return code;

    CServiceTimers timers(context.Doc());
    timers.Open();
    if (timers.Type() == EControllerType::None) {
        Error(timers.MessageText());
        return kExitNoReply;
    }
    // The programmable times depend on the controller's answer alone, not on its type.
    if (program)
        return Program(timers, entries);
    // A controller without timers hides every line, so a clear is refused as for any
    // hidden line (Clear sends nothing for it).
    if (clear)
        return Clear(timers, static_cast<int>(*line));
    if (!CServiceTimers::IsSupportedType(timers.Type())) {
        Error(timers.MessageText());
        return kExitRefused;
    }

    for (int i = 1; i <= CServiceTimers::kLineCount; ++i) {
        if (timers.LineShown(i))
            PrintRecord({QStringLiteral("timer"), QString::number(i), TagText(timers.LineTag(i)),
                         Field(timers.LineCaption(i)), Field(timers.LineText(i))});
    }
    PrintRecord({QStringLiteral("programmable"), timers.ProgrammableAvailable()
                                                     ? QStringLiteral("available")
                                                     : QStringLiteral("unavailable")});
    return kExitOk;
}

} // namespace Cli
