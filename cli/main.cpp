// tavrin-cli: Tavrin Studio's flows without windows, for scripts and production lines.
#include "cli/CliCommands.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>
#include <functional>
#include <map>

namespace {

struct SCommand
{
    std::function<int(const QStringList&)> run;
    const char* synopsis;
};

const std::map<QString, SCommand>& Commands()
{
    static const std::map<QString, SCommand> commands = {
        {QStringLiteral("tags"),
         {Cli::RunTags,
          "tags compile SOURCE -o FILE | tags [dump] PATH [--type N]\n"
          "      compile a tag-file source; print a tag file (or the newest in a folder)"}},
        {QStringLiteral("identify"),
         {Cli::RunIdentify,
          "identify [--port DEV]\n"
          "      identify the connected controller: prints \"type N NAME\"; exit 2 when none"}},
        {QStringLiteral("param"),
         {Cli::RunParam,
          "param TAG [--port DEV] [--units U]\n"
          "      read one parameter: prints \"param\" tag value maximum minimum scale div\n"
          "      step shift checksum-word flags extension; exit 3 no such parameter, 2 failed"}},
        {QStringLiteral("set"),
         {Cli::RunSet,
          "set TAG RAW [--port DEV] | set TAG --display VALUE [--units U | --tags PATH]\n"
          "      write one parameter's raw value and confirm it: prints \"set\" result meaning;\n"
          "      --display converts an engineering value with the parameter's scaling\n"
          "      (rounded, clamped to the raw range; the tag file gives the units);\n"
          "      exit 0 confirmed, 2 no reply, 3 no such parameter, 11 not supported,\n"
          "      12 read only, 15 read-back differs"}},
        {QStringLiteral("read"),
         {Cli::RunRead,
          "read [--port DEV] [--tags PATH] -o OUT.prf\n"
          "      read the controller's parameter set into a profile (progress on standard\n"
          "      error); prints \"read\" count type name; exit 2 when a tag got no reply\n"
          "      (the profile is still written) or no controller answers"}},
        {QStringLiteral("write"),
         {Cli::RunWrite,
          "write IN.prf [--port DEV] [--tags PATH] [--yes]\n"
          "      write a profile to the controller, last parameter first, confirming each;\n"
          "      asks first unless --yes; prints \"failed\" tag \"name\" result for each\n"
          "      record not confirmed, then \"written\" confirmed failed skipped; exit 0 when\n"
          "      all were confirmed or skipped, 3 otherwise, 4 profile of another controller\n"
          "      type, 5 answered No, 2 no controller"}},
        {QStringLiteral("exchange"),
         {Cli::RunExchange,
          "exchange --port DEV [--write] [--attempts N] TAG [EXT [WORD2 [WORD3]]]\n"
          "      send one request frame and print it with the reply"}},
    };
    return commands;
}

void Usage(FILE* out)
{
    std::fprintf(out, "usage: tavrin-cli COMMAND [ARGS]\n\ncommands:\n");
    for (const auto& [name, command] : Commands())
        std::fprintf(out, "  %s\n", command.synopsis);
    std::fprintf(out, "\nNumbers are decimal or 0x-prefixed hexadecimal. Without --port the\n"
                      "\"PortDevice\" setting names the serial device; without --tags the\n"
                      "\"TagFileDir\" setting names the tag-file folder.\n");
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tavrin-cli"));

    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    if (args.isEmpty() || args.first() == QLatin1String("--help") ||
        args.first() == QLatin1String("-h")) {
        Usage(args.isEmpty() ? stderr : stdout);
        return args.isEmpty() ? Cli::kExitUsage : Cli::kExitOk;
    }
    const QString name = args.takeFirst();
    const auto it = Commands().find(name);
    if (it == Commands().end()) {
        Cli::Error(QStringLiteral("unknown command \"%1\"").arg(name));
        Usage(stderr);
        return Cli::kExitUsage;
    }
    return it->second.run(args);
}
