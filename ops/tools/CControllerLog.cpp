#include "ops/tools/CControllerLog.h"

#include "doc/CTavrinDoc.h"
#include "doc/CTransferSession.h"
#include "doc/IUserPrompt.h"
#include "link/CControllerLink.h"
#include "ops/tools/CTripNames.h"
#include "res/StringTable.h"

#include <QDir>
#include <QSaveFile>
#include <QThread>

using namespace LinkProtocol;

namespace {
// Steps the bar and lets the window repaint. The log window has no Cancel button, so the
// pump's answer does not matter.
void Step(IProgress* progress, int position)
{
    if (!progress)
        return;
    progress->SetPosition(position);
    progress->Pump();
}
} // namespace

CControllerLog::CControllerLog(CTavrinDoc& doc, EKind kind) : m_doc(doc), m_kind(kind)
{
    m_progressFactory = [this](int high) -> std::unique_ptr<IProgress> {
        auto progress = m_doc.Prompt().BeginProgress(QString(), IUserPrompt::EProgressKind::Plain);
        if (progress)
            progress->SetRange(0, high);
        return progress;
    };
}

QString CControllerLog::Title() const
{
    return m_kind == EKind::System ? QStringLiteral("System Log") : QStringLiteral("Control Log");
}

std::uint16_t CControllerLog::StatusTag() const
{
    return m_kind == EKind::System ? kTagSystemLogStatus : kTagControlLogStatus;
}

std::uint16_t CControllerLog::CodeBase() const
{
    return m_kind == EKind::System ? kTagSystemLogCodes : kTagControlLogCodes;
}

std::uint16_t CControllerLog::CountBase() const
{
    return m_kind == EKind::System ? kTagSystemLogCounts : kTagControlLogCounts;
}

std::unique_ptr<IProgress> CControllerLog::BeginProgress(int high)
{
    return m_progressFactory ? m_progressFactory(high) : nullptr;
}

void CControllerLog::ResetEntries()
{
    m_codes.fill(0);
    m_counts.fill(0);
    m_entriesRead = 0;
    m_nonZeroEntries = 0;
    m_statusWord = 0;
}

void CControllerLog::Open()
{
    m_connected = m_doc.LinkReady();
    m_logAvailable = false;
    m_changed = true;
    m_hasRead = false;
    m_lastReadOk = false;
    ResetEntries();
}

bool CControllerLog::Tick()
{
    Probe();
    if (!m_changed)
        return false;
    Read();
    m_changed = false;
    return true;
}

bool CControllerLog::Probe()
{
    const bool wasConnected = m_connected;
    const bool wasAvailable = m_logAvailable;
    CLinkPacket packet;
    packet.SetRequest(StatusTag(), kExtValue);
    if (m_doc.Link().Transact(packet, kProbeAttempts)) {
        m_connected = true;
        if (packet.IsSupported() && !packet.IsTempUnavailable())
            m_logAvailable = true;
    } else {
        m_connected = false;
        m_logAvailable = false;
    }
    const bool changed = wasConnected != m_connected || wasAvailable != m_logAvailable;
    if (changed)
        m_changed = true;
    return changed;
}

bool CControllerLog::Read()
{
    CControllerLink& link = m_doc.Link();
    CTransferSession session(m_doc);
    ResetEntries();
    m_hasRead = true;
    m_lastReadOk = false;
    {
        auto progress = BeginProgress(kReadSteps);
        for (int i = 0; i < kLogEntries; ++i) {
            CLinkPacket code;
            code.SetRequest(static_cast<std::uint16_t>(CodeBase() + i), kExtValue);
            const bool answered = link.Transact(code, kCodeAttempts);
            Step(progress.get(), i + 1);
            if (!answered) {
                // The controller fell silent: nothing read counts, and the poll stays off
                // until the window closes.
                ResetEntries();
                session.KeepPollStopped();
                return false;
            }
            if (!code.IsSupported() || code.IsTempUnavailable())
                break; // end of the log
            const auto index = static_cast<std::size_t>(i);
            m_codes[index] = code.reply.word2;
            ++m_entriesRead;
            if (m_codes[index] != 0)
                ++m_nonZeroEntries;
            CLinkPacket count;
            count.SetRequest(static_cast<std::uint16_t>(CountBase() + i), kExtValue);
            if (link.Transact(count, kCountAttempts))
                m_counts[index] = count.reply.word2;
        }

        CLinkPacket status;
        status.SetRequest(StatusTag(), kExtValue);
        m_lastReadOk = link.Transact(status, kStatusAttempts);
        if (m_lastReadOk && status.IsSupported() && !status.IsTempUnavailable())
            m_statusWord = status.reply.word2;
    }
    return m_lastReadOk;
}

bool CControllerLog::ConfirmClear() const
{
    return m_doc.Prompt().QuestionDefaultNo(
               QStringLiteral("Clear the log in the controller? The entries cannot be recovered."),
               IUserPrompt::EIcon::Exclamation) == IUserPrompt::EAnswer::Yes;
}

QString CControllerLog::ReportText(const QDateTime& when) const
{
    QStringList lines{Title(),
                      QStringLiteral("Controller: ") +
                          CControllerLink::ControllerTypeName(m_doc.ConnectedType()),
                      QStringLiteral("Date: ") + when.toString(Qt::ISODate), QString()};
    lines += DisplayLines();
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QString CControllerLog::SaveReport(const QString& path, const QDateTime& when) const
{
    const QByteArray bytes = ReportText(when).toUtf8();
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return {};
    return QStringLiteral("Cannot write %1:\n%2")
        .arg(QDir::toNativeSeparators(path), file.errorString());
}

QStringList CControllerLog::DisplayLines() const
{
    if (!m_hasRead)
        return {LoadString(EString::WaitingForConnection)};
    if (m_nonZeroEntries == 0) {
        if (!m_lastReadOk)
            return {LoadString(EString::CommsLost)};
        if (m_logAvailable)
            return {LoadString(m_kind == EKind::System ? EString::SystemLogEmpty
                                                       : EString::ControlLogEmpty)};
        return {LoadString(EString::LogNotSupported)};
    }

    // Entries are kept from the front, so the first n entries hold the n trip codes.
    QStringList lines{LoadString(EString::TripLogHeader)};
    const QByteArray format = LoadString(EString::TripLogLine).toUtf8();
    for (int i = 0; i < m_nonZeroEntries; ++i) {
        const auto code = Code(i);
        const QString name =
            CTripNames::Find(m_doc.Tags(), code).value_or(LoadString(EString::TripNameNotFound));
        lines << QString::asprintf(format.constData(), int(code), int(Count(i)),
                                   name.toUtf8().constData());
    }
    return lines;
}

bool CControllerLog::ClearGroup(std::uint16_t first, int count, int failureLimit,
                                IProgress* progress, int& step)
{
    CControllerLink& link = m_doc.Link();
    int failures = 0;
    for (int j = 0; j < count;) {
        Step(progress, ++step);
        const auto tag = static_cast<std::uint16_t>(first + j);
        CLinkPacket read;
        read.SetRequest(tag, kExtValue);
        bool failed = false;
        if (!link.Transact(read, kClearReadAttempts)) {
            failed = true;
        } else if (!read.IsSupported()) {
            return true; // the log ends here: nothing further to clear in this group
        } else {
            // The controller clears a word written as 0 together with twice its checksum word.
            CLinkPacket write;
            write.SetRequest(tag, kExtValue, 0, static_cast<std::uint16_t>(2u * read.reply.word3));
            write.SetWrite();
            if (link.Transact(write, kClearWriteAttempts) && write.reply.word2 == 0)
                ++j;
            else
                failed = true;
        }
        if (failed) {
            if (++failures >= failureLimit)
                return false;
            QThread::msleep(kClearFailurePauseMs);
        }
    }
    return true;
}

bool CControllerLog::Clear()
{
    // Progress pumps events, so the status poll must not tick between a read and its write.
    bool cleared = false;
    {
        CTransferSession session(m_doc, CTransferSession::ECancel::NotAllowed,
                                 CTransferSession::EPollAfter::Restore);
        auto progress = BeginProgress(kClearSteps);
        int step = 0;
        cleared =
            ClearGroup(CodeBase(), kLogEntries, kEntryGroupFailureLimit, progress.get(), step) &&
            ClearGroup(CountBase(), kLogEntries, kEntryGroupFailureLimit, progress.get(), step) &&
            ClearGroup(StatusTag(), 1, kStatusGroupFailureLimit, progress.get(), step);
    }
    if (!cleared)
        m_doc.Prompt().Message(LoadString(EString::CouldNotClearLog),
                               IUserPrompt::EIcon::Exclamation);
    m_changed = true;
    return cleared;
}
