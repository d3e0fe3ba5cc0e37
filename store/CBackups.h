#pragma once

#include "link/EControllerType.h"

#include <QDateTime>
#include <QString>

#include <vector>

// The backups folder: every write to a controller first saves what it overwrites there, a
// profile (*.prf) for parameters and an EEPROM image (*.eep) for EEPROM bytes, named
// "<type name>-<yyyyMMdd-HHmmss>.<ext>". Only the newest kKeep backups are kept.
//
// The folder is the application's data folder (the same for Tavrin Studio and tavrin-cli)
// plus "backups". Everything here is safe to call from several threads and processes at
// once: names are reserved by creating the file exclusively.
class CBackups
{
public:
    static constexpr int kKeep = 200;
    static constexpr const char* kProfileSuffix = "prf";
    static constexpr const char* kEepromSuffix = "eep";

    // The application's per-user data folder (not created here).
    static QString DataFolder();
    // DataFolder() + "/backups".
    static QString Folder();

    // Creates the folder if needed and reserves a new, empty file named after `type` and
    // `when` with the given suffix ("prf" or "eep"); when the name is taken "-2", "-3"...
    // is added. Returns its path, or an empty string when the folder or file cannot be
    // created. The caller overwrites the file through QSaveFile.
    static QString Reserve(EControllerType type, const QString& suffix,
                           const QDateTime& when = QDateTime::currentDateTime());
    // Deletes all but the newest kKeep backups (by modification time, then name).
    static void Prune(int keep = kKeep);

    // A backup as the Backups window lists it.
    struct SEntry
    {
        QString path;
        QString typeName;   // the controller type the file belongs to
        QDateTime modified; // when it was saved
        bool profile = true;
        int count = -1; // records (profile) or bytes (image); -1 when it cannot be read
    };
    // Every backup, newest first.
    static std::vector<SEntry> List();

    // `name` with every character a file name cannot hold on any platform replaced by "_".
    static QString SafeFileName(const QString& name);
};
