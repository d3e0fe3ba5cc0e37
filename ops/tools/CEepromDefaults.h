#pragma once

#include "link/EControllerType.h"

#include <QString>

class CTavrinDoc;

// The EEPROM defaults tool: tells a controller of the Tarn family to reset every parameter
// to its factory value, one write of 1 to LinkProtocol::kTagEepromDefaults, after a warning
// the user must answer Yes. Before the reset it offers to read the whole parameter set, as
// Read from Controller does, and save it as a backup profile in the backups folder. The
// status poll is kept away only while the exchanges run.
class CEepromDefaults
{
public:
    // Whether the tool applies to a controller of `type`.
    static bool AppliesTo(EControllerType type) { return IsTarnFamily(type); }

    enum class EResult
    {
        Done,           // the controller answered the reset
        NoController,   // no controller answered the identification
        Incompatible,   // a controller of another type, or one that could not be identified
        Declined,       // the user answered anything but Yes to the warning
        NoReply,        // the reset went unanswered and the user did not retry
        BackupNoReply,  // the backup read went unanswered: nothing reset
        BackupNotSaved, // the backup could not be saved: nothing reset
    };

    explicit CEepromDefaults(CTavrinDoc& doc) : m_doc(doc) {}

    // The menu command with its messages: "Incompatible controller", the warning (Yes, No,
    // Cancel, with No the default; anything but Yes ends with "... was cancelled."),
    // Retry/Cancel after an
    // unanswered reset, and at the end whether the reset was done. Between the warning and
    // the reset, "Save a backup...?" (Yes reads and saves, No skips, Cancel declines); Cancel
    // in the read's progress window declines too.
    EResult Run();

    // The backup profile saved by the last Run(), or empty when none was.
    const QString& BackupPath() const { return m_backupPath; }

private:
    enum class EBackup
    {
        Saved,
        Cancelled,
        NoReply,
        NotSaved,
    };
    // Reads every applying tag into a profile and saves it in the backups folder.
    EBackup SaveBackup();
    // Before each reset: the warning, then (unless a backup was saved already) the backup
    // question and the backup. False, with the result in `stopped` and the user told, when
    // the reset must not go ahead.
    bool Confirm(EResult& stopped);
    // The reset itself and its change-log line; true when the controller answered it.
    bool Reset();

    CTavrinDoc& m_doc;
    QString m_backupPath;
};
