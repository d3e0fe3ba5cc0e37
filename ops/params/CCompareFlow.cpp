#include "ops/params/CCompareFlow.h"

#include "data/CCodePage.h"
#include "data/CParameter.h"
#include "data/CParameterSet.h"
#include "data/CTagFile.h"
#include "doc/CTavrinDoc.h"
#include "doc/CTransferProgress.h"
#include "doc/CTransferSession.h"
#include "doc/IUserPrompt.h"
#include "link/CControllerLink.h"
#include "link/CLinkPacket.h"
#include "ops/params/CWriteJournal.h"
#include "res/StringTable.h"

#include <QHash>

#include <algorithm>
#include <memory>

namespace {

// A record of a set with the tag that names and formats it.
struct SNamed
{
    const CParameter* record;
    const CTagInfo* tag;
};

// The records of `set` that the parameter list shows, in the list's order (last first).
std::vector<SNamed> ListedRecords(const CParameterSet& set, const CTagFile& tags)
{
    std::vector<SNamed> out;
    if (set.IsEmpty())
        return out;
    const quint16 type = set.DataControllerType();
    const CParameterSet::List& records = set.Parameters();
    out.reserve(records.size());
    for (auto it = records.rbegin(); it != records.rend(); ++it) {
        if (const CTagInfo* tag = tags.FindTag((*it)->tagNumber, std::uint32_t(type)))
            out.push_back({it->get(), tag});
    }
    return out;
}

// The value read that starts every parameter read: one exchange of up to the command
// attempts, where a trusted "no such tag" answers too.
enum class EValueRead
{
    Read,
    Refused,
    NoReply,
};

EValueRead ReadValue(CControllerLink& link, std::uint16_t tag, std::uint16_t& value)
{
    EValueRead outcome = EValueRead::NoReply;
    for (int attempt = 0; attempt < CCompareFlow::kReadAttempts; ++attempt) {
        CLinkPacket packet;
        const EProbeResult result = link.Probe(tag, 0, packet);
        if (result == EProbeResult::Supported || result == EProbeResult::TempUnavailable) {
            value = packet.reply.word2;
            return EValueRead::Read;
        }
        // One refusal is the controller's answer; a later attempt lost on the line does
        // not undo it.
        if (result != EProbeResult::NoReply)
            outcome = EValueRead::Refused;
    }
    return outcome;
}

// The progress window of a comparison inside a transfer session: Cancel also when the
// session was asked to stop (the main window is closing). `window` may be null; it and
// `session` must outlive this object.
class CSessionProgress : public IProgress
{
public:
    CSessionProgress(IProgress* window, const CTransferSession& session)
        : m_window(window), m_session(session)
    {
    }
    void SetRange(int low, int high) override
    {
        if (m_window)
            m_window->SetRange(low, high);
    }
    void SetPosition(int position) override
    {
        if (m_window)
            m_window->SetPosition(position);
    }
    bool Pump() override
    {
        const bool cancelled = m_window && m_window->Pump();
        return cancelled || m_session.CancelRequested();
    }

private:
    IProgress* m_window;
    const CTransferSession& m_session;
};

// Reads the connected controller's value of every record of the document inside the caller's
// transfer session, behind the comparison's progress window (Cancel, or the session asked to
// stop, ends it early).
CCompareFlow::SControllerRead CompareInSession(CTavrinDoc& doc, const CTransferSession& session)
{
    std::unique_ptr<IProgress> progress = CTransferProgress::Begin(
        doc, CTavrinDoc::ETransferDirection::Reading, LoadString(EString::ComparingWithController),
        IUserPrompt::EProgressKind::Cancellable);
    doc.SetStatusMessage(EString::ReadingFromController);
    CSessionProgress steps(progress.get(), session);
    return CCompareFlow::CompareWithController(doc.Link(), doc.Tags(), doc.ConnectedType(),
                                               doc.Parameters(), &steps);
}

// Writes the document's records named in `tags` inside the caller's transfer session, behind
// the write progress window and with the journal (backup first, then the change log).
CWriteFlow::SOutcome JournalledWrite(CTavrinDoc& doc, const std::vector<std::uint16_t>& tags)
{
    std::unique_ptr<IProgress> progress = CTransferProgress::Begin(
        doc, CTavrinDoc::ETransferDirection::Writing, LoadString(EString::WritingDataToController),
        IUserPrompt::EProgressKind::Plain);
    doc.SetStatusMessage(EString::WritingToController);
    const EControllerType type = doc.ConnectedType();
    CWriteJournal journal(doc.Link(), doc.Tags(), type);
    CWriteFlow::SOutcome outcome = CCompareFlow::WriteSelected(
        doc.Link(), doc.Tags(), type, doc.Parameters(), tags, progress.get(), &journal);
    outcome.backupPath = journal.Finish();
    return outcome;
}

} // namespace

std::vector<CCompareFlow::SRow> CCompareFlow::Compare(const CParameterSet& a,
                                                      const CParameterSet& b, const CTagFile& tags)
{
    const quint16 typeA = a.DataControllerType();
    const quint16 typeB = b.DataControllerType();
    const std::vector<SNamed> listedA = ListedRecords(a, tags);
    const std::vector<SNamed> listedB = ListedRecords(b, tags);

    // Position of each tag's first listed record in b: a set may hold a tag once only, but
    // the first one is what the list and FindParameter show.
    QHash<std::uint16_t, int> indexB;
    indexB.reserve(qsizetype(listedB.size()));
    for (int i = int(listedB.size()) - 1; i >= 0; --i)
        indexB.insert(listedB[std::size_t(i)].record->tagNumber, i);
    std::vector<bool> matchedB(listedB.size(), false);

    std::vector<SRow> rows;
    rows.reserve(listedA.size() + listedB.size());
    for (const SNamed& here : listedA) {
        SRow row;
        row.tag = here.record->tagNumber;
        row.name = CCodePage::ToUnicode(here.tag->name);
        row.valueA = here.record->value;
        row.textA = here.record->ValueText(*here.tag, typeA);
        const auto at = indexB.constFind(row.tag);
        if (at == indexB.cend() || matchedB[std::size_t(*at)]) {
            row.diff = EDiff::OnlyA;
        } else {
            const SNamed& there = listedB[std::size_t(*at)];
            matchedB[std::size_t(*at)] = true;
            row.valueB = there.record->value;
            row.textB = there.record->ValueText(*there.tag, typeB);
            row.diff = *row.valueA == *row.valueB ? EDiff::Same : EDiff::Differ;
        }
        rows.push_back(std::move(row));
    }
    for (std::size_t i = 0; i < listedB.size(); ++i) {
        if (matchedB[i])
            continue;
        const SNamed& there = listedB[i];
        SRow row;
        row.tag = there.record->tagNumber;
        row.name = CCodePage::ToUnicode(there.tag->name);
        row.valueB = there.record->value;
        row.textB = there.record->ValueText(*there.tag, typeB);
        row.diff = EDiff::OnlyB;
        rows.push_back(std::move(row));
    }
    return rows;
}

bool CCompareFlow::AnyDifference(const std::vector<SRow>& rows)
{
    return std::any_of(rows.begin(), rows.end(),
                       [](const SRow& row) { return row.diff != EDiff::Same; });
}

CCompareFlow::SControllerRead CCompareFlow::CompareWithController(CControllerLink& link,
                                                                  const CTagFile& tags,
                                                                  EControllerType type,
                                                                  const CParameterSet& set,
                                                                  IProgress* progress)
{
    SControllerRead outcome;
    // The controller's side: each answered record copied with the value read in place of its
    // own, so both sides are formatted with the same attributes.
    CParameterSet there;
    there.SetDataControllerType(ControllerTypeNumber(type));
    there.SetEmpty(false);
    // The set's side, restricted to what could be asked of this controller.
    CParameterSet here;
    here.SetDataControllerType(ControllerTypeNumber(type));
    here.SetEmpty(false);

    const CParameterSet::List& records = set.Parameters();
    const int count = int(records.size());
    if (progress)
        progress->SetRange(0, count);
    int silentInARow = 0;
    for (int k = 0; k < count; ++k) {
        if (progress) {
            progress->SetPosition(k);
            if (progress->Pump()) {
                outcome.cancelled = true;
                return outcome;
            }
        }
        const CParameter& record = *records[std::size_t(k)];
        const CTagInfo* tag = tags.FindTag(record.tagNumber, type);
        if (!tag || !tag->AppliesToType(type)) {
            ++outcome.skipped;
            continue;
        }
        here.Append(std::make_unique<CParameter>(record));
        if (silentInARow >= CWriteFlow::kSilentRecordLimit) {
            outcome.notRead.push_back(record.tagNumber);
            continue;
        }
        std::uint16_t value = 0;
        const EValueRead read = ReadValue(link, record.tagNumber, value);
        silentInARow = read == EValueRead::NoReply ? silentInARow + 1 : 0;
        switch (read) {
        case EValueRead::Read: {
            auto copy = std::make_unique<CParameter>(record);
            copy->value = value;
            there.Append(std::move(copy));
            break;
        }
        case EValueRead::Refused:
            outcome.refused.push_back(record.tagNumber);
            break;
        case EValueRead::NoReply:
            outcome.unanswered.push_back(record.tagNumber);
            break;
        }
    }
    if (progress)
        progress->SetPosition(count);

    outcome.rows = Compare(here, there, tags);
    // A record the controller never answered, or was never asked, is not "here only": its
    // value there is unknown.
    const auto listed = [](const std::vector<std::uint16_t>& tags, std::uint16_t tag) {
        return std::find(tags.begin(), tags.end(), tag) != tags.end();
    };
    for (SRow& row : outcome.rows) {
        if (row.diff == EDiff::OnlyA &&
            (listed(outcome.unanswered, row.tag) || listed(outcome.notRead, row.tag)))
            row.diff = EDiff::NoReply;
    }
    return outcome;
}

CWriteFlow::SOutcome CCompareFlow::WriteSelected(CControllerLink& link, const CTagFile& tagFile,
                                                 EControllerType type, const CParameterSet& set,
                                                 const std::vector<std::uint16_t>& tags,
                                                 IProgress* progress, CWriteJournal* journal)
{
    // Last record first, as the write to controller sends them; each tag once.
    std::vector<const CParameter*> records;
    std::vector<std::uint16_t> taken;
    const CParameterSet::List& stored = set.Parameters();
    for (auto it = stored.rbegin(); it != stored.rend(); ++it) {
        const std::uint16_t number = (*it)->tagNumber;
        if (std::find(tags.begin(), tags.end(), number) == tags.end() ||
            std::find(taken.begin(), taken.end(), number) != taken.end())
            continue;
        taken.push_back(number);
        records.push_back(it->get());
    }
    CWriteFlow::SOutcome outcome;
    CWriteFlow::WriteRecords(link, tagFile, type, records, progress, outcome, journal);
    return outcome;
}

CWriteFlow::SOutcome CCompareFlow::WriteChanged(CTavrinDoc& doc, const SControllerRead& compared)
{
    CWriteFlow::SOutcome outcome;
    const int unread = int(compared.unanswered.size() + compared.notRead.size());
    std::vector<std::uint16_t> write;
    for (const SRow& row : compared.rows) {
        // Differs, or refused: the write tries it and reports what it came to.
        if (row.diff != EDiff::Same && row.diff != EDiff::NoReply)
            write.push_back(row.tag);
    }
    if (unread > 0) {
        outcome.status = CWriteFlow::EStatus::Stopped;
        outcome.notSent = int(write.size()) + unread;
    } else if (write.empty()) {
        outcome.status = CWriteFlow::EStatus::Finished;
    } else {
        outcome = JournalledWrite(doc, write);
    }
    outcome.skipped = compared.skipped;
    if (outcome.status != CWriteFlow::EStatus::NoBackup) {
        // Every record read equal or written and confirmed: the controller holds what is
        // shown.
        const bool allEqual = unread == 0 && outcome.failures.empty() && outcome.notSent == 0;
        doc.SetEqualityPane(allEqual);
        if (allEqual) {
            doc.SetBaseline();
            doc.UpdateAllViews(0); // the list drops its change marks
        }
    }
    return outcome;
}

bool CCompareFlow::CanCompareWithController(const CTavrinDoc& doc)
{
    return CWriteFlow::CanWrite(doc);
}

std::optional<CCompareFlow::SControllerRead> CCompareFlow::DocReadController(CTavrinDoc& doc)
{
    SControllerRead outcome;
    bool closing = false;
    {
        CTransferSession session(doc, CTransferSession::ECancel::Allowed);
        outcome = CompareInSession(doc, session);
        closing = session.CancelRequested();
        if (!outcome.cancelled && !closing) {
            // The comparison knows exactly whether the display matches the controller.
            doc.SetEqualityPane(!AnyDifference(outcome.rows) && outcome.refused.empty());
        }
        doc.SetStatusMessage(EString::Ready);
    }
    if (outcome.cancelled || closing)
        return std::nullopt;
    return outcome;
}

std::optional<CCompareFlow::SControllerRead> CCompareFlow::DocCompareWithController(CTavrinDoc& doc)
{
    if (!CWriteFlow::CheckSameType(doc))
        return std::nullopt;
    std::optional<SControllerRead> outcome = DocReadController(doc);
    if (outcome && (!outcome->unanswered.empty() || !outcome->notRead.empty())) {
        doc.Prompt().Message(LoadString(EString::ParametersNotRead)
                                 .arg(outcome->unanswered.size() + outcome->notRead.size()),
                             IUserPrompt::EIcon::Exclamation);
    }
    return outcome;
}

bool CCompareFlow::DocCheckEquality(CTavrinDoc& doc)
{
    if (doc.TransferActive() || !CanCompareWithController(doc))
        return false;
    SControllerRead outcome;
    {
        CTransferSession session(doc, CTransferSession::ECancel::Allowed);
        outcome = CompareInSession(doc, session);
        doc.SetStatusMessage(EString::Ready);
    }
    const bool equal = !outcome.cancelled && outcome.unanswered.empty() &&
                       outcome.notRead.empty() && outcome.refused.empty() &&
                       !AnyDifference(outcome.rows);
    if (equal)
        doc.SetEqualityPane(true);
    return equal;
}

std::optional<CCompareFlow::SProfileCompare> CCompareFlow::DocCompareWithProfile(CTavrinDoc& doc)
{
    const QString path =
        doc.Prompt().ChooseOpenFile(LoadString(EString::CompareWithProfileCaption),
                                    QString::fromLatin1(CTavrinDoc::kProfileFilter));
    if (path.isEmpty())
        return std::nullopt;
    return DocCompareWithProfile(doc, path);
}

std::optional<CCompareFlow::SProfileCompare>
CCompareFlow::DocCompareWithProfile(CTavrinDoc& doc, const QString& path)
{
    CParameterSet profile;
    if (!CTavrinDoc::ReportProfileLoad(doc.Prompt(), path, profile.LoadFile(path)))
        return std::nullopt;
    profile.SetEmpty(false);
    SProfileCompare result;
    result.path = path;
    result.rows = Compare(doc.Parameters(), profile, doc.Tags());
    return result;
}

CWriteFlow::SOutcome CCompareFlow::DocWriteSelected(CTavrinDoc& doc,
                                                    const std::vector<std::uint16_t>& tags)
{
    CWriteFlow::SOutcome outcome;
    if (!CWriteFlow::CheckAndConfirm(doc, outcome))
        return outcome;
    {
        CTransferSession session(doc);
        outcome = JournalledWrite(doc, tags);
        // Only some records were sent: whether the rest match is for the next comparison.
        doc.SetEqualityPane(false);
        doc.SetStatusMessage(EString::Ready);
    }
    CWriteFlow::ReportWritten(doc, outcome);
    return outcome;
}
