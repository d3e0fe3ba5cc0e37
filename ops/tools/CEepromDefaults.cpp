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

CEepromDefaults::EResult CEepromDefaults::Run()
{
    IUserPrompt& prompt = m_doc.Prompt();
    m_backupPath.clear();
    EResult result = EResult::NoReply;
    for (;;) {
        const ToolIdentify::EOutcome check = ToolIdentify::Check(m_doc, &AppliesTo);
        if (check != ToolIdentify::EOutcome::Accepted) {
            result = check == ToolIdentify::EOutcome::NoController ? EResult::NoController
                                                                   : EResult::Incompatible;
            break;
        }
        if (prompt.Question(LoadString(EString::ResetEepromQuestion), EButtons::YesNoCancel,
                            EIcon::Exclamation) != EAnswer::Yes) {
            // A deliberate "no" ends here: there is no failure to report.
            prompt.Message(LoadString(EString::EepromResetCancelled), EIcon::Information);
            return EResult::Declined;
        }
        if (m_backupPath.isEmpty()) { // a retry keeps the backup of the first attempt
            const EAnswer backup = prompt.Question(LoadString(EString::EepromBackupQuestion),
                                                   EButtons::YesNoCancel, EIcon::Question);
            const EBackup saved = backup == EAnswer::Yes ? SaveBackup() : EBackup::Saved;
            if (backup == EAnswer::Cancel || saved == EBackup::Cancelled) {
                prompt.Message(LoadString(EString::EepromResetCancelled), EIcon::Information);
                return EResult::Declined;
            }
            if (saved != EBackup::Saved) {
                prompt.Message(LoadString(EString::EepromResetFailed), EIcon::Information);
                return saved == EBackup::NoReply ? EResult::BackupNoReply : EResult::BackupNotSaved;
            }
        }
        bool answered = false;
        {
            CTransferSession session(m_doc, CTransferSession::ECancel::NotAllowed,
                                     CTransferSession::EPollAfter::Restore);
            CControllerLink& link = m_doc.Link();
            const QString versions = CChangeLog::ReadVersions(link);
            answered =
                link.WriteWord(LinkProtocol::kTagEepromDefaults, LinkProtocol::kExtValue, 1, 0);
            // One change-log line for the whole reset.
            CChangeLog::SLine line =
                CChangeLog::Begin(link.PortName(), m_doc.ConnectedType(), versions);
            line.tag = QStringLiteral("0x") + HexWord(LinkProtocol::kTagEepromDefaults);
            line.name = QStringLiteral("EEPROM defaults");
            line.newValue = QStringLiteral("defaults");
            line.result = answered ? QStringLiteral("confirmed")
                                   : CWriteResults::Reason(EWriteResult::NoReply);
            CChangeLog::Append({line});
        }
        if (answered) {
            result = EResult::Done;
            break;
        }
        if (prompt.Question(LoadString(EString::ResetEepromFailedRetry), EButtons::RetryCancel,
                            EIcon::Exclamation) != EAnswer::Retry) {
            result = EResult::NoReply;
            break;
        }
    }
    prompt.Message(LoadString(result == EResult::Done ? EString::EepromResetToDefaults
                                                      : EString::EepromResetFailed),
                   EIcon::Information);
    return result;
}
