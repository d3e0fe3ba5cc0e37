#include "ops/eeprom/CEepromTransfer.h"

#include "data/CEepromImage.h"
#include "doc/CTavrinDoc.h"
#include "doc/CTransferSession.h"
#include "doc/IUserPrompt.h"
#include "link/CControllerLink.h"
#include "ops/eeprom/CEepromBackup.h"
#include "res/StringTable.h"

#include <QElapsedTimer>

#include <algorithm>
#include <chrono>
#include <thread>

using EIcon = IUserPrompt::EIcon;

namespace {

// Longest sleep between two pumps of the progress window during a pause.
constexpr qint64 kPumpSliceNs = 5'000'000;

QString ProgressTitle()
{
    return QStringLiteral("EEPROM utilities");
}

// The pause after a byte. The progress window is pumped through it so that the windows stay
// responsive, but the pause never gets shorter for that: the controller needs it. True when
// the window's Cancel was pressed.
bool PauseAfterByte(IProgress* progress)
{
    QElapsedTimer timer;
    timer.start();
    constexpr qint64 pauseNs = qint64(CEepromTransfer::kBytePauseMs) * 1'000'000;
    for (;;) {
        if (progress && progress->Pump())
            return true;
        const qint64 left = pauseNs - timer.nsecsElapsed();
        if (left <= 0)
            return false;
        std::this_thread::sleep_for(std::chrono::nanoseconds(std::min(left, kPumpSliceNs)));
    }
}

std::unique_ptr<IProgress> BeginProgress(IUserPrompt& prompt, IUserPrompt::EProgressKind kind,
                                         int bytes)
{
    std::unique_ptr<IProgress> progress = prompt.BeginProgress(ProgressTitle(), kind);
    if (progress) {
        progress->SetRange(0, bytes);
        progress->SetPosition(0);
    }
    return progress;
}

} // namespace

CEepromTransfer::SOutcome CEepromTransfer::Read(CEepromImage& image, int count)
{
    image.Clear();
    SOutcome outcome;
    count = std::clamp(count, 0, static_cast<int>(CEepromImage::kMaxBytes));
    {
        CTransferSession session(m_doc, CTransferSession::ECancel::Allowed,
                                 CTransferSession::EPollAfter::Restore);
        std::unique_ptr<IProgress> progress =
            BeginProgress(m_doc.Prompt(), IUserPrompt::EProgressKind::Cancellable, count);
        CControllerLink& link = m_doc.Link();
        EControllerType type = EControllerType::None;
        if (link.Identify(type) != EIdentifyResult::Identified) {
            outcome.result = EResult::NoController;
        } else {
            image.SetControllerType(ControllerTypeNumber(type));
            for (int address = 0; address < count; ++address) {
                std::uint8_t byte = 0;
                if (!link.ReadEepromByte(static_cast<std::uint16_t>(address), byte)) {
                    outcome.result = EResult::Failed;
                    outcome.failedAddress = static_cast<std::uint16_t>(address);
                    break;
                }
                image.Append(byte);
                ++outcome.bytesDone;
                if (progress)
                    progress->SetPosition(outcome.bytesDone);
                if (PauseAfterByte(progress.get()) || session.CancelRequested()) {
                    outcome.result = EResult::Cancelled;
                    break;
                }
            }
        }
    }
    if (outcome.result != EResult::Done)
        image.Clear();
    return outcome;
}

CEepromTransfer::SOutcome CEepromTransfer::Write(const CEepromImage& image)
{
    SOutcome outcome;
    CTransferSession session(m_doc, CTransferSession::ECancel::NotAllowed,
                             CTransferSession::EPollAfter::Restore);
    // The backup's reads come first and take as long as the writes: one bar for both.
    const int count = image.Count();
    std::unique_ptr<IProgress> progress = m_doc.Prompt().BeginProgress(
        CEepromBackup::ProgressTitle(ProgressTitle()), IUserPrompt::EProgressKind::Plain);
    if (progress) {
        progress->SetRange(0, 2 * count);
        progress->SetPosition(0);
    }
    CControllerLink& link = m_doc.Link();
    EControllerType type = EControllerType::None;
    const EIdentifyResult identified = link.Identify(type);
    if (identified == EIdentifyResult::NoReply) {
        outcome.result = EResult::NoController;
        return outcome;
    }
    if (identified != EIdentifyResult::Identified || !image.MatchesController(type)) {
        outcome.result = EResult::OtherType;
        return outcome;
    }
    const CEepromBackup::SResult backup =
        CEepromBackup::Save(link, type, count, [&progress](int done) {
            if (progress) {
                progress->SetPosition(done);
                progress->Pump();
            }
        });
    if (!backup.saved) {
        outcome.result = EResult::NoBackup;
        outcome.backupError = backup.errorText;
        outcome.backupUnanswered = backup.unanswered;
        return outcome;
    }
    outcome.backupPath = backup.path;
    for (const auto& record : image.Records()) {
        if (!link.WriteEepromByteVerified(record->address, record->data)) {
            outcome.result = EResult::Failed;
            outcome.failedAddress = record->address;
            break;
        }
        ++outcome.bytesDone;
        if (progress)
            progress->SetPosition(count + outcome.bytesDone);
        PauseAfterByte(progress.get());
    }
    return outcome;
}

CEepromTransfer::SOutcome CEepromTransfer::Get(CEepromImage& image, int count)
{
    const SOutcome outcome = Read(image, count);
    ReportRead(outcome);
    return outcome;
}

CEepromTransfer::SOutcome CEepromTransfer::Send(const CEepromImage& image)
{
    if (!ConfirmWrite()) {
        SOutcome declined;
        declined.result = EResult::Declined;
        return declined;
    }
    const SOutcome outcome = Write(image);
    ReportWrite(outcome);
    return outcome;
}

void CEepromTransfer::ReportRead(const SOutcome& outcome)
{
    if (outcome.result == EResult::NoController || outcome.result == EResult::Failed)
        m_doc.Prompt().Message(LoadString(EString::EepromReadAborted), EIcon::Exclamation);
}

bool CEepromTransfer::ConfirmWrite()
{
    return m_doc.Prompt().Question(LoadString(EString::EepromProgramWarning),
                                   IUserPrompt::EButtons::YesNo,
                                   EIcon::Exclamation) == IUserPrompt::EAnswer::Yes;
}

void CEepromTransfer::ReportWrite(const SOutcome& outcome)
{
    if (outcome.result == EResult::Done)
        m_doc.Prompt().Message(LoadString(EString::EepromUpdated), EIcon::Information);
    else if (outcome.result == EResult::NoBackup)
        m_doc.Prompt().Message(outcome.backupError + QLatin1Char('\n') +
                                   CEepromBackup::NothingProgrammedText(),
                               EIcon::Exclamation);
    // Nothing was sent: the EEPROM cannot have been corrupted, so the abort message (which
    // says it may be) would alarm for nothing.
    else if (outcome.result == EResult::OtherType)
        m_doc.Prompt().Message(LoadString(EString::DataFromOtherType), EIcon::Exclamation);
    else if (outcome.result == EResult::NoController)
        m_doc.Prompt().Message(LoadString(EString::CommunicationError), EIcon::Exclamation);
    else
        m_doc.Prompt().Message(LoadString(EString::EepromWriteAborted), EIcon::Exclamation);
}
