#include "app/CStartupPort.h"

#include "app/CAppSettings.h"
#include "doc/IUserPrompt.h"
#include "link/CControllerLink.h"

namespace StartupPort {

bool ConfigureAndOpen(CControllerLink& link, const QString& device, bool lowLatency)
{
    link.Configure(device, 19200, CSerialPort::ParityEven, 8, CSerialPort::StopTwo);
    link.SetLowLatency(lowLatency);
    return link.Open();
}

QString CannotOpenQuestion(const CControllerLink& link)
{
    const QString question =
        QStringLiteral("Cannot open serial port. Do you wish to select a port now?.");
    // Another port would not help a user who may open none: say why first.
    if (link.LastOpenFailure() == CSerialPort::EOpenFailure::PermissionDenied)
        return link.PermissionDeniedText() + QStringLiteral("\n\n") + question;
    return question;
}

bool Open(CControllerLink& link, CAppSettings& settings, IUserPrompt& prompt,
          const std::function<SPortChoice()>& selectPort)
{
    QString device = settings.PortDevice(QString::fromLatin1(kUnassigned));
    if (device == QLatin1String(kUnassigned)) {
        device = QString::fromLatin1(kNoDevice);
        settings.SetPortDevice(device);
        settings.SetPortName(device);
    }
    ConfigureAndOpen(link, device, settings.LowLatency());

    while (!link.IsOpen()) {
        const auto answer = prompt.Question(CannotOpenQuestion(link), IUserPrompt::EButtons::YesNo,
                                            IUserPrompt::EIcon::Exclamation);
        if (answer != IUserPrompt::EAnswer::Yes || !selectPort)
            break;
        const SPortChoice choice = selectPort();
        if (!choice.accepted)
            break;
        // OK without a line leaves the settings as they were: the old device is tried again.
        if (choice.port)
            settings.SetChosenPort(choice.port->friendlyName, choice.port->devicePath);
        ConfigureAndOpen(link, settings.PortDevice(QString::fromLatin1(kUnassigned)),
                         settings.LowLatency());
    }
    return link.IsOpen();
}

} // namespace StartupPort
