// tavrin-cli exchange: one request frame and its reply, for looking at the wire.
#include "cli/CCommandContext.h"
#include "cli/CliCommands.h"
#include "link/CControllerLink.h"

namespace Cli {

namespace {

QString Hex(const LinkFrame& frame)
{
    QString out;
    for (std::size_t i = 0; i < frame.size(); ++i) {
        if (i > 0)
            out += QLatin1Char(' ');
        out += QStringLiteral("%1").arg(frame[i], 2, 16, QLatin1Char('0')).toUpper();
    }
    return out;
}

} // namespace

int RunExchange(CCommandContext& context, const QStringList& args)
{
    CCliParser& parser = context.Parser();
    context.AddPortOption();
    parser.AddOption({QStringLiteral("write"), QStringLiteral("Send a write request.")});
    parser.AddOption(
        {QStringLiteral("attempts"), QStringLiteral("Attempts (default 2)."), QStringLiteral("N")});
    if (!context.Parse(args))
        return context.UsageError(); // the parser's error
    const QStringList positional = context.Positional();
    if (positional.isEmpty() || positional.size() > 4)
        return context.UsageError();
    unsigned words[4] = {0, 0, 0, 0};
    const unsigned limits[4] = {0xFFFF, 0xFF, 0xFFFF, 0xFFFF};
    for (qsizetype i = 0; i < positional.size(); ++i) {
        const auto value = ParseWord(positional[i], limits[i]);
        if (!value) {
            Error(QStringLiteral("\"%1\" is not a number from 0 to %2")
                      .arg(positional[i])
                      .arg(limits[i]));
            return kExitUsage;
        }
        words[i] = *value;
    }
    int attempts = CControllerLink::kCommandAttempts;
    if (parser.isSet(QStringLiteral("attempts"))) {
        const auto value = ParseWord(parser.value(QStringLiteral("attempts")), 1000);
        if (!value || *value == 0) {
            Error(QStringLiteral("--attempts needs a number from 1 to 1000"));
            return kExitUsage;
        }
        attempts = static_cast<int>(*value);
    }

    CControllerLink& link = context.Link();
    int exitCode = kExitOk;
    if (!context.OpenPort(exitCode))
        return exitCode;

    CLinkPacket packet;
    packet.SetRequest(static_cast<std::uint16_t>(words[0]), static_cast<std::uint8_t>(words[1]),
                      static_cast<std::uint16_t>(words[2]), static_cast<std::uint16_t>(words[3]));
    if (parser.isSet(QStringLiteral("write")))
        packet.SetWrite();
    // A raw exchange asks what the controller says, "no such tag" included.
    const bool accepted = link.Transact(packet, attempts, CControllerLink::NoSuchTagAnswers);

    PrintRecord({QStringLiteral("request"), Hex(packet.request.Encode())});
    // reply, bytes, status, word 1, word 2, word 3, then a note when the reply is not the
    // plain answer: "no such tag" (word 1 is 0) or "does not answer the request".
    const auto replyFields = [&packet](const LinkFrame& bytes) {
        return QStringList{
            QStringLiteral("reply"),
            Hex(bytes),
            QStringLiteral("0x") +
                QStringLiteral("%1").arg(packet.reply.control, 2, 16, QLatin1Char('0')).toUpper(),
            QString::number(packet.reply.word1),
            QString::number(packet.reply.word2),
            QString::number(packet.reply.word3)};
    };
    if (!accepted) {
        if (packet.reply.lead == LinkProtocol::kReplyLead)
            PrintRecord(replyFields(packet.reply.Encode())
                        << QStringLiteral("does not answer the request"));
        else
            PrintRecord({QStringLiteral("reply"), QStringLiteral("none")});
        Error(QStringLiteral("no reply that answers the request"));
        return kExitNoReply;
    }
    QStringList fields = replyFields(link.LastReplyBytes());
    if (packet.reply.word1 == 0 && packet.request.word1 != 0 &&
        packet.request.word1 <= LinkProtocol::kAnyReplyWord1)
        fields << QStringLiteral("no such tag");
    PrintRecord(fields);
    return kExitOk;
}

} // namespace Cli
