#pragma once

#include "link/EControllerType.h"

#include <QString>

#include <cstdint>
#include <functional>

class CControllerLink;

// Before EEPROM bytes are programmed (the EEPROM utilities' "S&end to:", D-File programming)
// the bytes about to be overwritten are read and kept as an EEPROM image (*.eep, the form
// "&Get from:" saves) in the backups folder (CBackups). One read exchange and a pause of
// kBytePauseMs a byte, as a read of the image takes: programming then takes twice as long.
class CEepromBackup
{
public:
    // Pause after every byte read, in milliseconds: the controller needs it.
    static constexpr int kBytePauseMs = 20;
    // Progress title of a programming run that saves the present contents first: `tool`,
    // then what happens and that it takes twice the time.
    static QString ProgressTitle(const QString& tool);
    // Told after errorText when the backup failed: the controller was left as it was.
    static QString NothingProgrammedText();

    struct SResult
    {
        bool saved = false;
        QString path;                    // saved: the backup's path
        int bytesRead = 0;               // bytes read before it ended
        bool unanswered = false;         // not saved because a byte's read got no reply
        std::uint16_t failedAddress = 0; // unanswered: the byte that failed
        QString errorText;               // not saved: why, in words, for the user
    };

    // Told the bytes read so far, after every byte and several times during each pause, so
    // a progress window can follow and repaint. The read cannot be cancelled: it ends when
    // the bytes are read or one goes unanswered.
    using Progress = std::function<void(int done)>;

    // Reads addresses 0 .. count - 1 of a controller of `type` and saves them. Nothing is
    // saved when a byte gets no reply or the file cannot be written; the caller must then not
    // program.
    static SResult Save(CControllerLink& link, EControllerType type, int count,
                        const Progress& progress = {});
};
