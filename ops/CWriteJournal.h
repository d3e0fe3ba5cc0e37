#pragma once

#include "link/EControllerType.h"
#include "link/LinkResults.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

class CControllerLink;
class CParameter;
class CTagFile;

// One write to a controller as it happens: keeps the value each record overwrote, so that a
// backup profile of them can be saved, and appends one change-log line per record written.
//
// The backup is built from the first read WriteParameter makes anyway, so it costs no extra
// exchanges: the document's records with the controller's previous values, a profile of the
// connected type in the backups folder (CBackups). It is saved after every noted record whose
// previous value is known, and each record's change-log line (CChangeLog) is appended as it is
// noted, so a write that stops half-way, or a crash, still leaves both. The constructor reads
// the controller's versions for the log (a few exchanges, none more when it does not answer).
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

    // After all attempts at one record: `before` is the value the controller held before the
    // first attempt (CControllerLink::LastWriteCurrentValue() right after this record's first
    // WriteParameter), nullopt when unknown; `result` is the last attempt's result.
    void Note(const CParameter& record, std::optional<std::uint16_t> before, EWriteResult result);
    // Saves the backup profile of the noted records whose previous value is known (also when
    // the write failed half-way); the change-log lines are already appended by then. Returns
    // the backup's path (empty when there was nothing to back up or it could not be saved).
    QString Finish();
    QString BackupPath() const;

private:
    struct SState;
    std::unique_ptr<SState> m_state;
};
