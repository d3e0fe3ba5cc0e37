// tavrin-cli export: a profile as the CSV or JSON file of the main window's export, for
// spreadsheets and scripts.
#include "cli/CCommandContext.h"
#include "cli/CliCommands.h"
#include "data/CParameterSet.h"
#include "data/CTagFile.h"
#include "ops/params/CSetExport.h"

#include <QDir>

namespace Cli {

int RunExport(CCommandContext& context, const QStringList& args)
{
    CCliParser& parser = context.Parser();
    context.AddTagsOption();
    parser.AddOption(
        {QStringLiteral("format"), QStringLiteral("csv or json."), QStringLiteral("FORMAT")});
    parser.AddOption({{QStringLiteral("o"), QStringLiteral("output")},
                      QStringLiteral("File to write."),
                      QStringLiteral("OUT")});
    if (!context.Parse(args) || context.Positional().size() != 1)
        return context.UsageError();
    const QString output = parser.value(QStringLiteral("o"));
    if (output.isEmpty())
        return context.UsageError();
    // Without --format the name tells, as in the main window: ".json" is JSON, else CSV.
    CSetExport::EFormat format = CSetExport::FormatOf(output);
    if (parser.isSet(QStringLiteral("format"))) {
        const QString name = parser.value(QStringLiteral("format"));
        if (name == QLatin1String("csv")) {
            format = CSetExport::EFormat::Csv;
        } else if (name == QLatin1String("json")) {
            format = CSetExport::EFormat::Json;
        } else {
            Error(QStringLiteral("--format takes csv or json, not \"%1\"").arg(name));
            return kExitUsage;
        }
    }

    CParameterSet set;
    CTagFile tags;
    int exitCode = kExitOk;
    if (!context.LoadProfile(context.Positional().constFirst(), set, tags, exitCode))
        return exitCode;
    // Written whole through QSaveFile, or not at all: an old OUT stays as it was.
    const QString error = CSetExport::Write(output, format, set, tags);
    if (!error.isEmpty()) {
        Error(QString(error).replace(QLatin1Char('\n'), QLatin1Char(' ')));
        return kExitFile;
    }
    PrintRecord({QStringLiteral("exported"), QString::number(CSetExport::Records(set, tags).size()),
                 Field(QDir::toNativeSeparators(output))});
    return kExitOk;
}

} // namespace Cli
