#include "ops/tools/COptionsApply.h"

#include "app/CAppSettings.h"
#include "app/CStartupPort.h"
#include "doc/CTavrinDoc.h"
#include "doc/IUserPrompt.h"
#include "link/CControllerLink.h"
#include "link/CPortEnumerator.h"

namespace OptionsApply {

FEnumerate SystemEnumeration()
{
    return [](CPortList& list, QString& errorText, bool standard) {
        return CPortEnumerator::EnumeratePorts(list, errorText, standard, false);
    };
}

bool EnumerateReleasingPort(CSerialPort& port, const FEnumerate& enumerate, bool standard,
                            CPortList& list, QString& errorText)
{
    const bool wasOpen = port.IsOpen();
    port.Close();
    list.clear();
    errorText.clear();
    const bool ok = enumerate(list, errorText, standard);
    if (wasOpen)
        port.Open();
    return ok;
}

QString CannotOpenText(const QString& portName)
{
    return QStringLiteral("Can't open serial port: %1\nPlease reset using the menu item: "
                          "Tools\\Options")
        .arg(portName);
}

bool Apply(CTavrinDoc& doc, const QString& tagFilePath)
{
    CAppSettings& settings = doc.Settings();
    const bool open = StartupPort::ConfigureAndOpen(
        doc.Link(), settings.PortDevice(QString::fromLatin1(StartupPort::kUnassigned)),
        settings.LowLatency());
    if (!open) {
        const bool denied =
            doc.Link().LastOpenFailure() == CSerialPort::EOpenFailure::PermissionDenied;
        doc.Prompt().Message(denied ? doc.Link().PermissionDeniedText()
                                    : CannotOpenText(settings.PortName()),
                             IUserPrompt::EIcon::Stop);
    }

    if (!tagFilePath.isEmpty() && tagFilePath != doc.Tags().Path()) {
        if (doc.LoadTagFile(tagFilePath))
            doc.UpdateAllViews(0);
    }
    return open;
}

} // namespace OptionsApply
