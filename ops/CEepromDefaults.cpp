#include "ops/CEepromDefaults.h"

#include "link/CControllerLink.h"
#include "ops/CTavrinDoc.h"
#include "ops/CTransferSession.h"
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
            answered = m_doc.Link().WriteWord(LinkProtocol::kTagEepromDefaults,
                                              LinkProtocol::kExtValue, 1, 0);
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
