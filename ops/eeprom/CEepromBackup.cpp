#include "ops/eeprom/CEepromBackup.h"

#include "data/CEepromImage.h"
#include "link/CControllerLink.h"
#include "store/CBackups.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

// Longest sleep between two progress calls during a pause.
constexpr qint64 kSliceNs = 5'000'000;

void Pause(int done, const CEepromBackup::Progress& progress)
{
    QElapsedTimer timer;
    timer.start();
    constexpr qint64 pauseNs = qint64(CEepromBackup::kBytePauseMs) * 1'000'000;
    for (;;) {
        if (progress)
            progress(done);
        const qint64 left = pauseNs - timer.nsecsElapsed();
        if (left <= 0)
            return;
        std::this_thread::sleep_for(std::chrono::nanoseconds(std::min(left, kSliceNs)));
    }
}

} // namespace

QString CEepromBackup::ProgressTitle(const QString& tool)
{
    return tool + QStringLiteral(": saving the EEPROM's present contents, then programming "
                                 "(twice the time)");
}

QString CEepromBackup::NothingProgrammedText()
{
    return QStringLiteral("Nothing was programmed: the EEPROM's present contents could not be "
                          "saved first.");
}

CEepromBackup::SResult CEepromBackup::Save(CControllerLink& link, EControllerType type, int count,
                                           const Progress& progress)
{
    SResult result;
    CEepromImage image;
    image.SetControllerType(ControllerTypeNumber(type));
    count = std::clamp(count, 0, static_cast<int>(CEepromImage::kMaxBytes));
    for (int address = 0; address < count; ++address) {
        std::uint8_t byte = 0;
        if (!link.ReadEepromByte(static_cast<std::uint16_t>(address), byte)) {
            result.unanswered = true;
            result.failedAddress = static_cast<std::uint16_t>(address);
            result.errorText = QStringLiteral("The controller did not answer the read of EEPROM "
                                              "address %1 for the backup.")
                                   .arg(address);
            return result;
        }
        image.Append(byte);
        result.bytesRead = address + 1;
        Pause(result.bytesRead, progress);
    }
    const QString path = CBackups::Reserve(type, QLatin1String(CBackups::kEepromSuffix));
    if (path.isEmpty()) {
        result.errorText = QStringLiteral("The backups folder %1 cannot be written.")
                               .arg(QDir::toNativeSeparators(CBackups::Folder()));
        return result;
    }
    CBackups::Prune();
    const CEepromImage::SResult written = image.SaveFile(path, true);
    if (!written.Ok()) {
        QFile::remove(path);
        result.errorText = QStringLiteral("The backup %1 cannot be written: %2")
                               .arg(QDir::toNativeSeparators(path), written.errorText);
        return result;
    }
    result.saved = true;
    result.path = path;
    return result;
}
