#include "ops/tools/CZeroTilt.h"

#include "doc/CTavrinDoc.h"
#include "doc/CTransferSession.h"
#include "doc/IUserPrompt.h"
#include "link/CControllerLink.h"
#include "ops/tools/ToolIdentify.h"
#include "res/StringTable.h"

using EIcon = IUserPrompt::EIcon;
using EButtons = IUserPrompt::EButtons;
using EAnswer = IUserPrompt::EAnswer;

CZeroTilt::EAttempt CZeroTilt::Exchange()
{
    CTransferSession session(m_doc, CTransferSession::ECancel::NotAllowed,
                             CTransferSession::EPollAfter::Restore);
    CControllerLink& link = m_doc.Link();

    // The reading and the offset travel in one reply, so the read goes through Transact.
    // Without a supported reply there is nothing to build the writes from.
    CLinkPacket read;
    read.SetRequest(LinkProtocol::kTagTilt, LinkProtocol::kExtValue);
    if (!link.Transact(read, CControllerLink::kCommandAttempts) || !read.IsSupported())
        return EAttempt::Failed;
    const std::uint16_t reading = read.reply.word2;
    const std::uint16_t offset = read.reply.word3;

    // The controller answers the first write without anything to confirm: the zeroing
    // write after it is the one that tells whether the series took.
    link.WriteWord(LinkProtocol::kTagTilt, LinkProtocol::kExtValue, 0,
                   static_cast<std::uint16_t>(offset - reading));
    if (!link.WriteWord(LinkProtocol::kTagTilt, LinkProtocol::kExtValue, 1, 0))
        return EAttempt::Failed;
    link.WriteWord(LinkProtocol::kTagTilt, LinkProtocol::kExtValue, reading, offset);
    return EAttempt::Done;
}

CZeroTilt::EResult CZeroTilt::Run()
{
    IUserPrompt& prompt = m_doc.Prompt();
    const ToolIdentify::STool tool{
        .accepts = &AppliesTo,
        .proceed =
            [&prompt] {
                return prompt.Question(LoadString(EString::ZeroTiltQuestion), EButtons::YesNo,
                                       EIcon::Question) == EAnswer::Yes;
            },
        .attempt = [this] { return Exchange() == EAttempt::Done; },
        .retryQuestion = EString::TiltNotZeroed,
    };
    const EResult result =
        ToolIdentify::ResultOf(ToolIdentify::Run(m_doc, tool), EResult::Zeroed, EResult::Declined);
    prompt.Message(
        LoadString(result == EResult::Zeroed ? EString::TiltZeroed : EString::TiltNotZeroed),
        EIcon::Information);
    return result;
}
