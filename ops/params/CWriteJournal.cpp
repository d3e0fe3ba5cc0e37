#include "ops/params/CWriteJournal.h"

#include "data/CCodePage.h"
#include "data/CParameter.h"
#include "data/CParameterSet.h"
#include "data/CParameterText.h"
#include "data/CTagFile.h"
#include "ops/params/CWriteResults.h"
#include "res/StringTable.h"
#include "store/CBackups.h"
#include "store/CChangeLog.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <memory>

struct CWriteJournal::SState
{
    SState(CControllerLink& l, const CTagFile& t, EControllerType ty)
        : link(l), tags(t), type(ty), port(l.PortName())
    {
    }

    CControllerLink& link;
    const CTagFile& tags;
    const EControllerType type;
    const QString port;
    QString versions;
    std::vector<std::uint16_t> order; // list order of the tags
    std::vector<CParameter> backup;   // in the order backed up
    QString path;                     // reserved by the constructor; empty when it failed
    bool finished = false;
};

namespace {

// "confirmed", or why not, in words.
QString ResultWords(EWriteResult result)
{
    const QString reason = CWriteResults::Reason(result);
    return reason.isEmpty() ? QStringLiteral("confirmed") : reason;
}

} // namespace

CWriteJournal::CWriteJournal(CControllerLink& link, const CTagFile& tags, EControllerType type)
    : m_state(std::make_unique<SState>(link, tags, type))
{
    // The file first: without it nothing is to be sent, not even the version reads.
    m_state->path = CBackups::Reserve(type, QLatin1String(CBackups::kProfileSuffix));
    if (m_state->path.isEmpty())
        return;
    CBackups::Prune();
    // Read once, before the first write, while the controller is surely answering.
    m_state->versions = CChangeLog::ReadVersions(link);
}

CWriteJournal::~CWriteJournal()
{
    if (!m_state->finished)
        Finish();
}

bool CWriteJournal::Ready() const
{
    return !m_state->path.isEmpty() && !m_state->finished;
}

QString CWriteJournal::RefusalText()
{
    return LoadString(EString::BackupsFolderNotWritable)
        .arg(QDir::toNativeSeparators(CBackups::Folder()));
}

void CWriteJournal::SetListOrder(std::vector<std::uint16_t> tags)
{
    m_state->order = std::move(tags);
}

CControllerLink::BeforeWrite CWriteJournal::BeforeWrite(const CParameter& record)
{
    return [this, &record](const CControllerLink::SWriteReadReply& reply) {
        return Backup(record, reply);
    };
}

bool CWriteJournal::Backup(const CParameter& record, const CControllerLink::SWriteReadReply& reply)
{
    SState& s = *m_state;
    if (!Ready())
        return false;
    // The first value seen is the one to go back to: a later attempt's read may already see
    // the record's new value.
    const auto same = [&record](const CParameter& p) { return p.tagNumber == record.tagNumber; };
    if (std::any_of(s.backup.begin(), s.backup.end(), same))
        return true;
    CParameter previous = record;
    previous.value = reply.value;
    previous.checksumWord = reply.checksumWord;
    previous.extension = reply.extension;
    previous.SetFlagsByte(reply.flags);
    s.backup.push_back(previous);
    if (Save())
        return true;
    // Not on disk, so not written: the backup keeps to what the file could hold.
    s.backup.pop_back();
    return false;
}

bool CWriteJournal::Save()
{
    SState& s = *m_state;
    const auto rank = [&s](std::uint16_t tag) {
        const auto at = std::find(s.order.begin(), s.order.end(), tag);
        return at - s.order.begin();
    };
    std::vector<const CParameter*> sorted;
    for (const CParameter& record : s.backup)
        sorted.push_back(&record);
    std::stable_sort(sorted.begin(), sorted.end(), [&rank](const auto* a, const auto* b) {
        return rank(a->tagNumber) < rank(b->tagNumber);
    });
    CParameterSet set;
    set.SetHeaderWord(CParameterSet::kReadHeaderWord);
    set.SetDataControllerType(ControllerTypeNumber(s.type));
    for (const CParameter* record : sorted)
        set.Append(std::make_unique<CParameter>(*record));
    set.SetEmpty(false);
    return set.SaveFile(s.path).Ok();
}

void CWriteJournal::Note(const CParameter& record, std::optional<std::uint16_t> before,
                         EWriteResult result)
{
    SState& s = *m_state;
    const CTagInfo* tag = s.tags.FindTag(record.tagNumber, s.type);
    const quint16 typeNumber = ControllerTypeNumber(s.type);

    CParameter previous = record;
    if (before)
        previous.value = *before;

    CChangeLog::SLine line = CChangeLog::Begin(s.port, s.type, s.versions);
    line.tag = QStringLiteral("0x") + HexWord(record.tagNumber);
    if (tag) {
        line.name = CCodePage::ToUnicode(tag->name);
        line.newValue = record.ValueText(*tag, typeNumber);
        if (before)
            line.oldValue = previous.ValueText(*tag, typeNumber);
    } else {
        line.newValue = QString::number(record.value);
        if (before)
            line.oldValue = QString::number(*before);
    }
    line.result = ResultWords(result);
    // One line at once, so a pass that is cut short still leaves what it did.
    CChangeLog::Append({line});
}

QString CWriteJournal::Finish()
{
    SState& s = *m_state;
    if (!s.finished && !s.path.isEmpty() && s.backup.empty() && QFile(s.path).size() == 0)
        QFile::remove(s.path); // an empty reservation is no backup
    s.finished = true;
    return BackupPath();
}

QString CWriteJournal::BackupPath() const
{
    return m_state->backup.empty() ? QString() : m_state->path;
}
