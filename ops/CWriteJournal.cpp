#include "ops/CWriteJournal.h"

#include "data/CCodePage.h"
#include "data/CParameter.h"
#include "data/CParameterSet.h"
#include "data/CTagFile.h"
#include "link/CControllerLink.h"
#include "ops/CBackups.h"
#include "ops/CChangeLog.h"
#include "ops/CWriteResults.h"

#include <QFile>

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
    CParameterSet backup;
    QString path;       // reserved on the first record worth keeping
    bool saved = false; // the last save of the backup succeeded
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
    // Read once, before the first write, while the controller is surely answering.
    m_state->versions = CChangeLog::ReadVersions(link);
    m_state->backup.SetHeaderWord(CParameterSet::kReadHeaderWord);
    m_state->backup.SetDataControllerType(ControllerTypeNumber(type));
}

CWriteJournal::~CWriteJournal()
{
    if (!m_state->finished)
        Finish();
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
    line.tag = QStringLiteral("0x") +
               QString::number(record.tagNumber, 16).rightJustified(4, QLatin1Char('0')).toUpper();
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

    // A refused record was not overwritten; and the first value seen is the one to go back
    // to, should a record come twice.
    const bool refused = result == EWriteResult::NotSupported || result == EWriteResult::ReadOnly;
    if (!before || refused || s.backup.FindParameter(record.tagNumber))
        return;
    s.backup.Append(std::make_unique<CParameter>(previous));
    s.backup.SetEmpty(false);
    // Saved after every record: a write that stops half-way, or a crash, keeps what it
    // overwrote so far.
    if (s.path.isEmpty()) {
        s.path = CBackups::Reserve(s.type, QLatin1String(CBackups::kProfileSuffix));
        if (s.path.isEmpty())
            return;
        CBackups::Prune();
    }
    s.saved = s.backup.SaveFile(s.path).Ok();
}

QString CWriteJournal::Finish()
{
    SState& s = *m_state;
    s.finished = true;
    if (!s.path.isEmpty() && !s.saved && s.backup.RecordCount() > 0)
        s.saved = s.backup.SaveFile(s.path).Ok();
    if (!s.path.isEmpty() && !s.saved && QFile(s.path).size() == 0)
        QFile::remove(s.path); // an empty reservation is no backup
    return BackupPath();
}

QString CWriteJournal::BackupPath() const
{
    return m_state->saved ? m_state->path : QString();
}
