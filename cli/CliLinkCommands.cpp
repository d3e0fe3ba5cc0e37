#include "cli/CliCommands.h"
#include "link/CControllerLink.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

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

int RunExchange(const QStringList& args)
{
    QCommandLineParser parser;
    parser.addOptions({
        {QStringLiteral("port"), QStringLiteral("Serial device."), QStringLiteral("DEV")},
        {QStringLiteral("write"), QStringLiteral("Send a write request (control 0).")},
        {QStringLiteral("attempts"), QStringLiteral("Attempts (default 2)."), QStringLiteral("N")},
    });
    parser.addPositionalArgument(QStringLiteral("TAG"), QStringLiteral("Word 1."));
    parser.addPositionalArgument(QStringLiteral("EXT"), QStringLiteral("Extension (default 0)."));
    parser.addPositionalArgument(QStringLiteral("WORD2"), QStringLiteral("Word 2 (default 0)."));
    parser.addPositionalArgument(QStringLiteral("WORD3"), QStringLiteral("Word 3 (default 0)."));
    if (!parser.parse(QStringList{QStringLiteral("exchange")} + args)) {
        Error(parser.errorText());
        return kExitUsage;
    }
    const QStringList positional = parser.positionalArguments();
    if (!parser.isSet(QStringLiteral("port")) || positional.isEmpty() || positional.size() > 4) {
        Error(QStringLiteral(
            "usage: exchange --port DEV [--write] [--attempts N] TAG [EXT [WORD2 [WORD3]]]"));
        return kExitUsage;
    }
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

    CControllerLink link;
    int exitCode = kExitOk;
    if (!OpenLink(link, parser.value(QStringLiteral("port")), exitCode))
        return exitCode;

    CLinkPacket packet;
    packet.SetRequest(static_cast<std::uint16_t>(words[0]), static_cast<std::uint8_t>(words[1]),
                      static_cast<std::uint16_t>(words[2]), static_cast<std::uint16_t>(words[3]));
    if (parser.isSet(QStringLiteral("write")))
        packet.SetWrite();
    const bool accepted = link.Transact(packet, attempts);

    std::printf("request  %s\n", qPrintable(Hex(packet.request.Encode())));
    if (!accepted) {
        if (packet.reply.lead == LinkProtocol::kReplyLead) {
            std::printf("reply    %s  does not answer the request (word1 %u, extension %u)\n",
                        qPrintable(Hex(packet.reply.Encode())), packet.reply.word1,
                        packet.reply.extension);
        } else {
            std::printf("reply    none\n");
        }
        std::fflush(stdout);
        Error(QStringLiteral("no reply that answers the request"));
        return kExitNoReply;
    }
    const bool noSuchTag = packet.reply.word1 == 0 && packet.request.word1 != 0 &&
                           packet.request.word1 <= CControllerLink::kAnyReplyWord1;
    std::printf("reply    %s  status 0x%02X word1 %u word2 %u word3 %u%s\n",
                qPrintable(Hex(link.LastReplyBytes())), packet.reply.control, packet.reply.word1,
                packet.reply.word2, packet.reply.word3, noSuchTag ? "  (no such tag)" : "");
    return kExitOk;
}

} // namespace Cli
