#pragma once

#include "data/CDFile.h"
#include "link/EControllerType.h"

#include <QByteArray>
#include <QString>

class CTavrinDoc;

// Program D-File: writes a D-File chosen by the user into the first bytes of the controller's
// EEPROM, one verified byte at a time (CControllerLink::WriteBytesVerified). Types 31 and 14
// take the text form, every other type the binary form (see CDFile). The writing runs in a
// transfer session that cannot be cancelled: an EEPROM left half-written is worse than one
// written to its end. Bytes written before a failure stay in the controller.
//
// The menu offers one item per type; the rule that enables an item lives here so that
// tavrin-cli applies the same one.
class CDFileProgrammer
{
public:
    // Whether "Program D-File" has an item for `type`.
    static bool HasItem(EControllerType type);
    // Whether the item for `type` is enabled while the controller identified as `connected`
    // (None when no controller answered): only for the types that accept D-Files, and only
    // when the controller is of the item's type. The items of the other types never are.
    static bool ItemEnabled(EControllerType type, EControllerType connected);
    // Identifies the controller for the menu's items as it opens: the type found, or None
    // when no controller answered, the port is not open or a transfer is running (it must
    // not be interrupted). The status poll is kept away meanwhile.
    static EControllerType IdentifyForMenu(CTavrinDoc& doc);
    // Whether `type`'s D-Files take the text form.
    static bool UsesTextForm(EControllerType type);

    // The file-open filter.
    static QString FileFilter() { return QStringLiteral("DFile (D*)"); }
    // Name of the copy of the last binary D-File's bytes, kept in the application's local
    // data folder for the service engineer to look at.
    static constexpr const char* kCopyFileName = "TP.bin";

    enum class EResult
    {
        Programmed,    // every byte written and read back
        Declined,      // the user answered No (or cancelled the file choice)
        CannotRead,    // the file cannot be opened
        Refused,       // the file does not fit: another type, too short, a bad line or checksum
        NotProgrammed, // the controller did not take the bytes (some may be written)
        NoBackup,      // the bytes about to be overwritten could not be read back or saved
                       // as a backup (CEepromBackup); nothing was written
    };

    explicit CDFileProgrammer(CTavrinDoc& doc) : m_doc(doc) {}

    // The menu command for `type`'s item: the "UNTESTED" warning, the file choice, the file's
    // own messages and questions, the writing with a progress window, and at the end whether
    // it succeeded.
    EResult Run(EControllerType type);
    // The same with the file already chosen (tavrin-cli): no file choice.
    EResult Run(EControllerType type, const QString& path);

    // After a text-form run that read the file: how reading it ended.
    CDFile::ETextResult LastTextResult() const { return m_textResult; }
    int LastFailedLine() const { return m_failedLine; }
    // After a run that reached the controller: the backup of the bytes it overwrote (empty
    // when none was saved).
    QString LastBackupPath() const { return m_backupPath; }
    // After NoBackup: whether a read got no reply (otherwise the file could not be saved).
    bool LastBackupUnanswered() const { return m_backupUnanswered; }

private:
    bool Confirm();
    EResult Program(EControllerType type, const QString& path);
    EResult ProgramBinary(EControllerType type, const QString& path);
    EResult ProgramText(EControllerType type, const QString& path);
    // Saves the bytes about to be overwritten, then writes `data` from address 0 on, inside a
    // transfer session with a progress window: Programmed, NotProgrammed or NoBackup (told to
    // the user here).
    EResult Write(EControllerType type, const QByteArray& data);
    static void KeepCopy(const QByteArray& file);

    CTavrinDoc& m_doc;
    CDFile::ETextResult m_textResult = CDFile::ETextResult::CannotOpen;
    int m_failedLine = 0;
    QString m_backupPath;
    bool m_backupUnanswered = false;
};
