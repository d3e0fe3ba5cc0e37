#include "ops/CEepromDefaults.h"

#include "link/CControllerLink.h"
#include "ops/CChangeLog.h"
#include "ops/CTavrinDoc.h"
#include "ops/CTransferSession.h"
#include "ops/CWriteResults.h"
#include "ops/IUserPrompt.h"
#include "ops/ToolIdentify.h"
#include "res/StringTable.h"

using EIcon = IUserPrompt::EIcon;
using EButtons = IUserPrompt::EButtons;
using EAnswer = IUserPrompt::EAnswer;

CEepromDefaults::EResult CEepromDefaults::Run()
{
    IUserPrompt& prompt = m_doc.Prompt();
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
            line.tag = QStringLiteral("0x") +
                       QString::number(LinkProtocol::kTagEepromDefaults, 16).toUpper();
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
