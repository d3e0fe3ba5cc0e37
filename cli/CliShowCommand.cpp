// tavrin-cli show: a profile's records as the list view shows them, without a controller.
#include "cli/CCliParser.h"
#include "cli/CliCommands.h"
#include "data/CCodePage.h"
#include "data/CParameter.h"
#include "data/CParameterSet.h"
#include "data/CTagFile.h"
#include "data/CTagInfo.h"
#include "link/CControllerLink.h"

#include <QDir>

namespace Cli {

int RunShow(const QStringList& args)
{
    CCliParser parser;
    parser.AddOption(
        {QStringLiteral("tags"), QStringLiteral("Tag file or folder."), QStringLiteral("PATH")});
    if (!parser.Parse(QStringLiteral("show"), args) || parser.positionalArguments().size() != 1) {
        Error(parser.errorText().isEmpty() ? QStringLiteral("usage: show PROFILE [--tags PATH]")
                                           : parser.errorText());
        return kExitUsage;
    }
    const QString path = parser.positionalArguments().constFirst();
    CParameterSet set;
    CTagFile tags;
    int exitCode = kExitOk;
    if (!LoadProfileAndTags(path, parser.value(QStringLiteral("tags")), set, tags, exitCode))
        return exitCode;

    const quint16 type = set.DataControllerType();
    PrintRecord({QStringLiteral("type"), QString::number(type),
                 Field(CControllerLink::ControllerTypeName(type))});
    // File order, which is the order of the read; the list view shows it bottom up.
    for (const auto& record : set.Parameters()) {
        QStringList fields = ParamFields(*record);
        if (const CTagInfo* tag = tags.FindTag(record->tagNumber, type)) {
            fields << Field(CCodePage::ToUnicode(tag->name))
                   << Field(record->ValueText(*tag, type));
        } else {
            // A tag the tag file does not know: no name, and the value in the units the
            // record was stored with.
            fields << QString()
                   << Field(record->ValueText(record->unitsCode, record->PresentationCode(), type));
        }
        PrintRecord(fields);
    }
    return kExitOk;
}

} // namespace Cli
