// tavrin-cli adc-channels: compile an ADC channel source into a channel file, and print one.
#include "cli/CCommandContext.h"
#include "cli/CliCommands.h"
#include "data/CADCChannel.h"
#include "data/CAdcChannelSource.h"
#include "data/CArchiveException.h"
#include "data/CParameterText.h"

#include <QFile>
#include <QSaveFile>

namespace Cli {

namespace {

int Compile(const CCommandContext& context, const QStringList& args)
{
    if (args.size() != 3 || args[1] != QLatin1String("-o"))
        return context.UsageError();
    std::vector<CADCChannel> channels;
    QString error;
    if (!CAdcChannelSource::ParseFile(args[0], channels, &error)) {
        Error(error);
        return kExitFile;
    }
    // The build recompiles over an older file: replaced whole, or left as it was.
    QSaveFile file(args[2]);
    if (file.open(QIODevice::WriteOnly)) {
        try {
            CADCChannel::WriteFile(&file, channels);
            if (file.commit())
                return kExitOk;
        } catch (const CArchiveException&) {
            file.cancelWriting();
        }
    }
    Error(QStringLiteral("%1: %2").arg(args[2], file.errorString()));
    return kExitFile;
}

int Dump(const CCommandContext& context, const QStringList& args)
{
    if (args.size() != 1)
        return context.UsageError();
    QFile file(args[0]);
    if (!file.open(QIODevice::ReadOnly)) {
        Error(QStringLiteral("%1: %2").arg(args[0], file.errorString()));
        return kExitFile;
    }
    std::vector<CADCChannel> channels;
    try {
        channels = CADCChannel::ReadFile(&file);
    } catch (const CArchiveException& failure) {
        Error(QStringLiteral("%1: not a channel file (%2)")
                  .arg(args[0], QString::fromLatin1(failure.what())));
        return kExitFile;
    }
    for (const CADCChannel& c : channels) {
        PrintRecord({QStringLiteral("channel"), QString::number(c.controllerType),
                     QStringLiteral("0x%1").arg(HexWord(c.tag, EHexCase::Lower)),
                     QString::number(c.minimum), QString::number(c.maximum),
                     QString::number(c.accessLevel), Field(c.name), Field(c.secondText),
                     QString::number(c.rangeLow), QString::number(c.rangeHigh)});
    }
    return kExitOk;
}

} // namespace

int RunAdcChannels(CCommandContext& context, const QStringList& args)
{
    if (!args.isEmpty() && args.first() == QLatin1String("compile"))
        return Compile(context, args.mid(1));
    if (!args.isEmpty() && args.first() == QLatin1String("dump"))
        return Dump(context, args.mid(1));
    return context.UsageError();
}

} // namespace Cli
