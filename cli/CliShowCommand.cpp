// tavrin-cli show: a profile's records as the list view shows them, without a controller.
#include "cli/CCommandContext.h"
#include "cli/CliCommands.h"
#include "data/CCodePage.h"
#include "data/CParameter.h"
#include "data/CParameterSet.h"
#include "data/CParameterText.h"
#include "data/CTagFile.h"
#include "data/CTagInfo.h"
#include "link/CControllerLink.h"

#include <QDir>

namespace Cli {

int RunShow(CCommandContext& context, const QStringList& args)
{
    context.AddTagsOption();
    if (!context.Parse(args) || context.Positional().size() != 1)
        return context.UsageError();
    CParameterSet set;
    CTagFile tags;
    int exitCode = kExitOk;
    if (!context.LoadProfile(context.Positional().constFirst(), set, tags, exitCode))
        return exitCode;

    const quint16 type = set.DataControllerType();
    PrintRecord({QStringLiteral("profile"), QStringLiteral("0x") + HexWord(set.HeaderWord()),
                 QString::number(set.RecordCount()), QString::number(type),
                 Field(CControllerLink::ControllerTypeName(type))});
    // JSON has room for the raw words too; the line formats keep the list view's line.
    const bool withRaw = context.Format() == EOutputFormat::Json;
    // File order, which is the order of the read; the list view shows it bottom up.
    for (const auto& record : set.Parameters()) {
        QStringList fields{QStringLiteral("param"), QString::number(record->tagNumber)};
        if (const CTagInfo* tag = tags.FindTag(record->tagNumber, type)) {
            fields << Field(CCodePage::ToUnicode(tag->name)) << Field(record->ValueText(*tag, type))
                   << Field(record->MinimumText(*tag, type))
                   << Field(record->MaximumText(*tag, type));
        } else {
            // A tag the tag file does not know: no name, and the texts in the units the
            // record was stored with.
            const quint16 units = record->unitsCode;
            const int presentation = record->PresentationCode();
            fields << QString() << Field(record->ValueText(units, presentation, type))
                   << Field(record->MinimumText(units, presentation, type))
                   << Field(record->MaximumText(units, presentation, type));
        }
        fields << QString::number(record->value)
               << QString::asprintf("0x%02X", unsigned(record->FlagsByte()));
        if (withRaw) {
            const QStringList raw = ParamFields(*record);
            // maximum, minimum, scale, div, step, shift, checksum word; then the extension.
            fields << raw.mid(3, 7) << raw.at(11);
        }
        PrintRecord(fields);
    }
    return kExitOk;
}

} // namespace Cli
