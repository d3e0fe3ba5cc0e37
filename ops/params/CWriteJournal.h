#pragma once

#include "link/CControllerLink.h"
#include "link/EControllerType.h"
#include "link/LinkResults.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class CParameter;
class CTagFile;

// One write to a controller as it happens: keeps a backup profile of the values the write
// overwrites, and appends one change-log line per record written.
//
// No backup, no write. The backup file is reserved in the backups folder (CBackups) when the
// journal is made, before its first exchange; when that fails the journal is not Ready() and
// the caller must send nothing (RefusalText() says why). Each record goes into the backup
// from the first read WriteParameter makes anyway (BeforeWrite), so it costs no extra
// exchanges, and the backup is saved right then, before the write of that record is sent: a
// crash between a write and its save cannot lose the value overwritten. When that save fails
// the record is not written. The backup holds the controller's own value, checksum word,
// extension and flags; the limits and scaling are the written record's (a write reads no
// more). Its records are in list order (SetListOrder), whatever order they are written in.
//
// Each record's change-log line (CChangeLog) is appended as it is noted, so a write that
// stops half-way still leaves it. The constructor reads the controller's versions for the
// log (a few exchanges, none more when it does not answer).
//
// No QObject and no shared state without a lock: one journal per link, on the link's thread.
class CWriteJournal
{
public:
    // `tags` names the records; `type` is the connected controller type; the port is the link's.
    CWriteJournal(CControllerLink& link, const CTagFile& tags, EControllerType type);
    ~CWriteJournal(); // finishes if Finish() was not called
    CWriteJournal(const CWriteJournal&) = delete;
    CWriteJournal& operator=(const CWriteJournal&) = delete;

    // Whether the backup file could be made; nothing may be written otherwise.
    bool Ready() const;
    // Why not Ready(), naming the backups folder, for the user.
    static QString RefusalText();

    // The order the backup keeps its records in: the tags in list order. Records of tags not
    // named go after them, in the order they were backed up.
    void SetListOrder(std::vector<std::uint16_t> tags);

    // The WriteParameter callback for `record`: adds it with the controller's reply to the
    // backup and saves the backup; false when it cannot be saved (or the journal is not
    // Ready), so that the write is not sent. A record already backed up keeps the value first
    // seen and is not saved again. The callback refers to `record` and the journal: use it
    // while both live.
    CControllerLink::BeforeWrite BeforeWrite(const CParameter& record);

    // After all attempts at one record: `before` is the value of the first answered read of
    // its attempts (nullopt when none was answered); `result` is the last attempt's result.
    // Appends the record's change-log line.
    void Note(const CParameter& record, std::optional<std::uint16_t> before, EWriteResult result);
    // Ends the journal; the backup is already saved by then (an empty reservation is removed).
    // Returns the backup's path (empty when no record was backed up).
    QString Finish();
    QString BackupPath() const;

private:
    bool Backup(const CParameter& record, const CControllerLink::SWriteReadReply& reply);
    bool Save();

    struct SState;
    std::unique_ptr<SState> m_state;
};
