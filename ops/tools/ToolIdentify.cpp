#include "ops/tools/ToolIdentify.h"

#include "doc/CTavrinDoc.h"
#include "doc/CTransferSession.h"
#include "doc/IUserPrompt.h"
#include "link/CControllerLink.h"
#include "res/StringTable.h"

ToolIdentify::EOutcome ToolIdentify::Check(CTavrinDoc& doc, bool (*accepts)(EControllerType))
{
    EControllerType type = EControllerType::None;
    EIdentifyResult identified = EIdentifyResult::NoReply;
    {
        CTransferSession session(doc, CTransferSession::ECancel::NotAllowed,
                                 CTransferSession::EPollAfter::Restore);
        identified = doc.Link().Identify(type);
    }
    if (identified == EIdentifyResult::Identified && accepts(type))
        return EOutcome::Accepted;
    doc.Prompt().Message(LoadString(EString::IncompatibleController),
                         IUserPrompt::EIcon::Exclamation);
    return identified == EIdentifyResult::NoReply ? EOutcome::NoController : EOutcome::Incompatible;
}

ToolIdentify::ERun ToolIdentify::Run(CTavrinDoc& doc, const STool& tool)
{
    IUserPrompt& prompt = doc.Prompt();
    for (;;) {
        const EOutcome check = Check(doc, tool.accepts);
        if (check != EOutcome::Accepted)
            return check == EOutcome::NoController ? ERun::NoController : ERun::Incompatible;
        if (!tool.proceed())
            return ERun::Stopped;
        if (tool.attempt())
            return ERun::Done;
        if (prompt.Question(LoadString(tool.retryQuestion), IUserPrompt::EButtons::RetryCancel,
                            IUserPrompt::EIcon::Exclamation) != IUserPrompt::EAnswer::Retry)
            return ERun::NoReply;
    }
}
