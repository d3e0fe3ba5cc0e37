// tavrin-cli adc-channels: compile an ADC channel source into a channel file, and print one.
#include "cli/CliCommands.h"
#include "data/CADCChannel.h"
#include "data/CAdcChannelSource.h"
#include "data/CArchiveException.h"

#include <QFile>
#include <QSaveFile>

namespace Cli {

namespace {

const char* kAdcChannelsUsage = "usage: adc-channels compile SOURCE -o FILE\n"
                                "       adc-channels dump FILE";

int Compile(const QStringList& args)
{
    if (args.size() != 3 || args[1] != QLatin1String("-o")) {
        Error(QString::fromLatin1(kAdcChannelsUsage));
        return kExitUsage;
    }
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

int Dump(const QStringList& args)
{
    if (args.size() != 1) {
        Error(QString::fromLatin1(kAdcChannelsUsage));
        return kExitUsage;
    }
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
                     QStringLiteral("0x%1").arg(c.tag, 4, 16, QLatin1Char('0')),
                     QString::number(c.minimum), QString::number(c.maximum),
                     QString::number(c.accessLevel), Field(c.name), Field(c.secondText),
                     QString::number(c.rangeLow), QString::number(c.rangeHigh)});
    }
    return kExitOk;
}

} // namespace

int RunAdcChannels(const QStringList& args)
{
    if (!args.isEmpty() && args.first() == QLatin1String("compile"))
        return Compile(args.mid(1));
    if (!args.isEmpty() && args.first() == QLatin1String("dump"))
        return Dump(args.mid(1));
    Error(QString::fromLatin1(kAdcChannelsUsage));
    return kExitUsage;
}

} // namespace Cli
