#include "ops/tools/CEepromDefaults.h"

#include "data/CParameterSet.h"
#include "data/CParameterText.h"
#include "doc/CTavrinDoc.h"
#include "doc/CTransferSession.h"
#include "doc/IUserPrompt.h"
#include "link/CControllerLink.h"
#include "ops/params/CReadFlow.h"
#include "ops/params/CWriteResults.h"
#include "ops/tools/ToolIdentify.h"
#include "res/StringTable.h"
#include "store/CBackups.h"
#include "store/CChangeLog.h"

#include <QDir>
#include <QFile>

#include <memory>

using EIcon = IUserPrompt::EIcon;
using EButtons = IUserPrompt::EButtons;
using EAnswer = IUserPrompt::EAnswer;

CEepromDefaults::EBackup CEepromDefaults::SaveBackup()
{
    IUserPrompt& prompt = m_doc.Prompt();
    const CTagFile& tags = m_doc.Tags();
    if (!m_doc.HasTagFile()) {
        // Without the tag list nothing would be read, and the reset would go ahead with the
        // backup the user asked for missing.
        prompt.Message(LoadString(EString::NoTagFileToProceed), EIcon::Stop);
        return EBackup::NotSaved;
    }
    EControllerType type = EControllerType::None;
    CParameterSet set;
    CReadFlow::SOutcome read;
    bool identified = true;
    {
        CTransferSession session(m_doc, CTransferSession::ECancel::Allowed,
                                 CTransferSession::EPollAfter::Restore);
        std::unique_ptr<IProgress> progress =
            prompt.BeginProgress(LoadString(EString::ReadingDataFromController),
                                 IUserPrompt::EProgressKind::Cancellable);
        if (progress)
            progress->SetRange(0, tags.TagCount());
        // The set saved is the one of the controller as it answers now. Without a type
        // every tag of every type would be read and the backup named for no controller: no
        // identified type, no backup read, and so no reset.
        if (m_doc.Link().Identify(type) != EIdentifyResult::Identified || !AppliesTo(type)) {
            identified = false;
        } else {
            read = CReadFlow::ReadSet(m_doc.Link(), tags, type, set, progress.get(), session);
        }
    }
    if (!identified) {
        prompt.Message(LoadString(EString::CommunicationError), EIcon::Exclamation);
        return EBackup::NoReply;
    }
    if (read.status == CReadFlow::EStatus::Cancelled)
        return EBackup::Cancelled;
    if (!read.unanswered.empty()) {
        // A controller that stops answering half-way is no controller to reset blind.
        prompt.Message(LoadString(EString::ParametersNotRead).arg(read.unanswered.size()),
                       EIcon::Exclamation);
        return EBackup::NoReply;
    }
    if (read.parametersRead == 0)
        return EBackup::Saved; // every tag refused: there is nothing to keep
    set.SetHeaderWord(CParameterSet::kReadHeaderWord);
    set.SetDataControllerType(ControllerTypeNumber(type));
    set.SetEmpty(false);
    const QString path = CBackups::Reserve(type, QLatin1String(CBackups::kProfileSuffix));
    if (path.isEmpty() || !set.SaveFile(path).Ok()) {
        if (!path.isEmpty())
            QFile::remove(path);
        prompt.Message(LoadString(EString::EepromBackupNotSaved)
                           .arg(QDir::toNativeSeparators(CBackups::Folder())),
                       EIcon::Exclamation);
        return EBackup::NotSaved;
    }
    CBackups::Prune();
    m_backupPath = path;
    return EBackup::Saved;
}

bool CEepromDefaults::Confirm(EResult& stopped)
{
    IUserPrompt& prompt = m_doc.Prompt();
    // No is the default: a reset of every parameter is not to be confirmed by a hasty Enter.
    if (prompt.QuestionDefaultNo(LoadString(EString::ResetEepromQuestion), EIcon::Exclamation,
                                 EButtons::YesNoCancel) != EAnswer::Yes) {
        // A deliberate "no" ends here: there is no failure to report.
        prompt.Message(LoadString(EString::EepromResetCancelled), EIcon::Information);
        stopped = EResult::Declined;
        return false;
    }
    if (!m_backupPath.isEmpty()) // a retry keeps the backup of the first attempt
        return true;
    const EAnswer backup = prompt.Question(LoadString(EString::EepromBackupQuestion),
                                           EButtons::YesNoCancel, EIcon::Question);
    const EBackup saved = backup == EAnswer::Yes ? SaveBackup() : EBackup::Saved;
    if (backup == EAnswer::Cancel || saved == EBackup::Cancelled) {
        prompt.Message(LoadString(EString::EepromResetCancelled), EIcon::Information);
        stopped = EResult::Declined;
        return false;
    }
    if (saved != EBackup::Saved) {
        prompt.Message(LoadString(EString::EepromResetFailed), EIcon::Information);
        stopped = saved == EBackup::NoReply ? EResult::BackupNoReply : EResult::BackupNotSaved;
        return false;
    }
    return true;
}

bool CEepromDefaults::Reset()
{
    CTransferSession session(m_doc, CTransferSession::ECancel::NotAllowed,
                             CTransferSession::EPollAfter::Restore);
    CControllerLink& link = m_doc.Link();
    const QString versions = CChangeLog::ReadVersions(link);
    const bool answered =
        link.WriteWord(LinkProtocol::kTagEepromDefaults, LinkProtocol::kExtValue, 1, 0);
    // One change-log line for the whole reset.
    CChangeLog::SLine line = CChangeLog::Begin(link.PortName(), m_doc.ConnectedType(), versions);
    line.tag = QStringLiteral("0x") + HexWord(LinkProtocol::kTagEepromDefaults);
    line.name = QStringLiteral("EEPROM defaults");
    line.newValue = QStringLiteral("defaults");
    line.result =
        answered ? QStringLiteral("confirmed") : CWriteResults::Reason(EWriteResult::NoReply);
    CChangeLog::Append({line});
    return answered;
}

CEepromDefaults::EResult CEepromDefaults::Run()
{
    m_backupPath.clear();
    EResult stopped = EResult::Declined;
    const ToolIdentify::STool tool{
        .accepts = &AppliesTo,
        .proceed = [this, &stopped] { return Confirm(stopped); },
        .attempt = [this] { return Reset(); },
        .retryQuestion = EString::ResetEepromFailedRetry,
    };
    const ToolIdentify::ERun run = ToolIdentify::Run(m_doc, tool);
    if (run == ToolIdentify::ERun::Stopped)
        return stopped; // Confirm has told the user why
    const EResult result = ToolIdentify::ResultOf(run, EResult::Done, stopped);
    m_doc.Prompt().Message(LoadString(result == EResult::Done ? EString::EepromResetToDefaults
                                                              : EString::EepromResetFailed),
                           IUserPrompt::EIcon::Information);
    return result;
}
