#pragma once

#include "link/EControllerType.h"
#include "ops/params/CCompareFlow.h"
#include "ops/params/CWriteFlow.h"
#include "ops/tools/CControllerInfo.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <vector>

class CControllerLink;
class CParameterSet;
class CTagFile;

// Brings controllers to one profile: a whole fleet at once, one worker thread per port, or
// one controller from the command line's write.
//
// Every unit goes the same way: identify, check the type against the profile, note the
// values about to be overwritten (CWriteJournal: backup profile and change log), write every
// record or only those the controller holds with another value (CCompareFlow's value-only
// comparison). Each record written is confirmed by its own read-back right after its write
// (CControllerLink::WriteParameter); a confirmed value is not read a second time, and a record
// that was not confirmed is named with its result. Records named in the keep list are
// per-unit values (a node address, a calibration): never written, never counted as differing.
//
// Nothing here is a QObject held across threads: each worker creates its own link and journal
// and reads only the profile and the tag file, which no one changes while it runs.
class CFleetApply
{
public:
    enum class EResult
    {
        Ok,           // every record written and confirmed (or already equal)
        TypeMismatch, // a controller of another type: nothing was written
        NoController, // the port opened but no controller answered: nothing was written
        Failed,       // the port did not open, or a record was not confirmed or not sent
    };
    // "ok", "type-mismatch", "no-controller", "failed".
    static QString ResultWord(EResult result);

    // What to do on every unit; the pointers must outlive the run and stay unchanged.
    struct SPlan
    {
        const CParameterSet* profile = nullptr;
        const CTagFile* tags = nullptr;
        bool changedOnly = false;        // write only records whose value differs
        std::vector<std::uint16_t> keep; // tags never written nor compared
        bool readIdentity = false;       // read versions and program checksum for a report
        bool lowLatency = true;          // ask each port for low latency (CSerialPort)
    };

    enum class EPhase
    {
        Comparing,
        Writing,
    };
    static QString PhaseWord(EPhase phase); // "comparing", "writing"
    // Progress of one unit: records done of total in the phase. Called on the unit's thread.
    using Progress = std::function<void(EPhase phase, int done, int total)>;

    struct SUnit
    {
        QString device;
        EControllerType type = EControllerType::None;
        EResult result = EResult::Failed;
        // What the identification found; NoReply also when the port did not open.
        EIdentifyResult identifyResult = EIdentifyResult::NoReply;
        int confirmed = 0; // records written and confirmed
        int failed = 0;    // records not confirmed or not sent
        int notSent = 0;   // of failed: records never sent, the controller had stopped answering
        int skipped = 0;   // records without a tag for the controller type
        int kept = 0;      // records of the keep list left as the unit holds them
        int unchanged = 0; // records not written because the unit already held their value
        QString backup;    // the backup profile of the values overwritten; empty when none
        // The backup file could not be made: nothing was written.
        bool backupRefused = false;
        CControllerInfo::SUnitIdentity identity;
        std::vector<CWriteFlow::SFailure> failures; // records not confirmed
        QStringList problems;                       // what went wrong, one line each, for the user
    };

    // Resolves the keep list's items against the tags applying to `type`: a tag number
    // (decimal or 0x-prefixed), a tag's exact name, or an unambiguous case-insensitive prefix
    // of one. False with `error` naming the item and the candidates otherwise.
    static bool ResolveKeep(const QStringList& items, const CTagFile& tags, EControllerType type,
                            std::vector<std::uint16_t>& keep, QString& error);

    // The records to write to a controller of `type` that answered the identification on
    // `link`, and the counts of those left alone. With changedOnly the unit's values are read
    // first (one value exchange a record); a record that got no reply there is noted in
    // `unit.problems` and the selection is not usable (false).
    static bool Select(CControllerLink& link, EControllerType type, const SPlan& plan,
                       const Progress& progress, SUnit& unit, std::vector<std::uint16_t>& write);

    // Writes `write` with the journal; sets the counts, the backup path and the result.
    static void Write(CControllerLink& link, EControllerType type, const SPlan& plan,
                      const std::vector<std::uint16_t>& write, const Progress& progress,
                      SUnit& unit);

    // The whole way for one port, on the calling thread: opens `device`, identifies, checks
    // the type, selects and writes.
    static SUnit ProgramPort(const QString& device, const SPlan& plan, const Progress& progress);

    // ProgramPort on every device at once, one thread each. `finished` is called on the
    // unit's thread as each ends (the caller guards what it shares); `progress` likewise.
    // Returns the units in the order of `devices`.
    static std::vector<SUnit> ProgramPorts(const QStringList& devices, const SPlan& plan,
                                           const std::function<Progress(const QString&)>& progress,
                                           const std::function<void(const SUnit&)>& finished);
};
