// tavrin-cli tags: compile a tag-file source, and print a tag file.
#include "cli/CCommandContext.h"
#include "cli/CliCommands.h"
#include "data/CCodePage.h"
#include "data/CTagFile.h"
#include "data/CTagSource.h"

namespace Cli {

namespace {

// A field from a tag file's 8-bit text.
QString TextField(const QByteArray& text)
{
    return Field(CCodePage::ToUnicode(text));
}

int Compile(const CCommandContext& context, const QStringList& args)
{
    if (args.size() != 3 || args[1] != QLatin1String("-o"))
        return context.UsageError();
    CTagFile tags;
    QString error;
    if (!CTagSource::ParseFile(args[0], tags, &error)) {
        Error(error);
        return kExitFile;
    }
    if (!tags.SaveTagFile(args[2], &error)) {
        Error(QStringLiteral("%1: %2").arg(args[2], error));
        return kExitFile;
    }
    return kExitOk;
}

int Dump(const CCommandContext& context, const QStringList& args)
{
    QString path;
    std::optional<unsigned> type;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--type") && i + 1 < args.size()) {
            type = ParseWord(args[++i]);
            if (!type) {
                Error(QStringLiteral("--type needs a number from 0 to 65535"));
                return kExitUsage;
            }
        } else if (path.isEmpty() && !args[i].startsWith(QLatin1String("--"))) {
            path = args[i];
        } else {
            return context.UsageError();
        }
    }
    // A folder is searched for the newest tag file, as the application does at start; no
    // path at all means the "TagFileDir" setting, which an installed system provides.
    CTagFile tags;
    int exitCode = kExitOk;
    if (!LoadTagFile(path, tags, exitCode))
        return exitCode;
    PrintRecord({QStringLiteral("file"), Field(tags.Path()), QString::number(tags.TagCount())});
    for (const auto& tag : tags.Tags()) {
        if (type && !tag->AppliesToType(*type))
            continue;
        PrintRecord({QStringLiteral("tag"), QString::number(tag->tag),
                     QString::asprintf("0x%08X", static_cast<unsigned>(tag->controllerMask)),
                     QString::number(tag->unitsCode), QString::number(tag->group),
                     QString::number(tag->PresentationCode()), QString::number(tag->privilege),
                     TextField(tag->name), TextField(tag->information), TextField(tag->help)});
    }
    for (const auto& text : tags.Texts()) {
        QStringList fields{QStringLiteral("text"), QString::number(text->code),
                           QString::fromLatin1(text->Class().name),
                           QString::number(text->TextCount())};
        for (int i = 0; i < text->TextCount(); ++i)
            fields << TextField(text->Text(i));
        PrintRecord(fields);
    }
    return kExitOk;
}

} // namespace

int RunTags(CCommandContext& context, const QStringList& args)
{
    if (args.isEmpty())
        return Dump(context, args);
    if (args.first() == QLatin1String("compile"))
        return Compile(context, args.mid(1));
    if (args.first() == QLatin1String("dump"))
        return Dump(context, args.mid(1));
    return Dump(context, args);
}

} // namespace Cli
