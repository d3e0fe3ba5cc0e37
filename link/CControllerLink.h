#pragma once

#include "link/CLinkPacket.h"
#include "link/CSerialPort.h"
#include "link/EControllerType.h"
#include "link/LinkResults.h"

#include <QElapsedTimer>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

class CParameter;

// The controller link: the serial port plus the one routine, Transact, through which every
// exchange with a controller passes, and the controller's command set on top of it. Higher
// layers call the commands (or build packets and call Transact); nothing else reads from or
// writes to the port. No operation shows a message: callers word the outcome. ReadWord and
// WriteWord return true when a reply came; every other command returns one of the results of
// LinkResults.h.
//
// One exchange at a time, on the thread that owns the link: the receive window and the scan
// position are shared by all exchanges.
class CControllerLink : public CSerialPort
{
public:
    // Reply time-out per attempt right after construction, in milliseconds.
    static constexpr std::uint32_t kDefaultReplyTimeoutMs = 50;
    // Bytes an attempt may store while looking for the reply frame.
    static constexpr int kReceiveWindowSize = 20;
    // Attempts per exchange used by the command set.
    static constexpr int kCommandAttempts = 2;
    static constexpr int kByteBlockAttempts = 3;
    static constexpr int kWriteReadBackAttempts = 50;

    // Reply time-outs set by Identify: 100 ms for the slow type, 50 ms for all others.
    static constexpr std::uint32_t kSlowReplyTimeoutMs = 100;
    static constexpr EControllerType kSlowReplyType = EControllerType::Corvo120;
    // Pause between the bytes of a verified block write.
    static constexpr int kByteWritePauseMs = 20;
    // Pause between a parameter write and its read-back.
    static constexpr int kWriteSettleMs = 50;
    // Probes of a variant tag during identification before its silence ends the
    // identification with NoReply.
    static constexpr int kVariantProbes = 4;
    // A reply that has not come within this time of its request is taken as lost for good.
    // Until then it may still arrive, in the middle of a later exchange.
    static constexpr int kLateReplyLimitMs = 300;

    CControllerLink();

    // Reads (tag, extension) and classifies the answer. `packet` receives the exchange.
    // NoSuchTag only when the "no such tag" reply could be trusted (see Transact); otherwise
    // such a reply is ignored and, without another, the result is NoReply.
    EProbeResult Probe(std::uint16_t tag, std::uint8_t extension);
    EProbeResult Probe(std::uint16_t tag, std::uint8_t extension, CLinkPacket& packet);
    // True and `value` = reply word 2 when a reply came; `value` untouched otherwise. These
    // and every other command that needs a value or a confirmation (status, trip codes,
    // verified bytes, WriteParameter) take a "no such tag" reply for no reply.
    bool ReadWord(std::uint16_t tag, std::uint8_t extension, std::uint16_t& value);
    // Attempts of each read of a version pair.
    static constexpr int kVersionAttempts = 2;
    // A version pair: major at `tag`, minor at `tag` + 1, each answered with "Supported". The
    // controller's "no such tag" ends it at once with false, so a controller without version
    // tags costs one exchange rather than every attempt's time-out.
    bool ReadVersionPair(std::uint16_t tag, std::uint16_t& major, std::uint16_t& minor);
    // A write request; true when a reply came (its status byte is not examined).
    bool WriteWord(std::uint16_t tag, std::uint8_t extension, std::uint16_t value,
                   std::uint16_t aux);
    // Identifies the connected controller. Identified and `type` the type found (None for
    // an identification code outside the map), or a failure with `type` None. A variant
    // probe (Tarn+, the Stoat's sub-type, the older family's ISO variant) that stays
    // unanswered is NoReply rather than a guess at the base model. Always ends by setting
    // the reply time-out for the type found.
    EIdentifyResult Identify(EControllerType& type);
    // Answered and `byte` = firmware byte (low byte of word 2), or NoReply and `byte` =
    // 0xFFFF. Reply byte 2, a raw battery reading, stays in LastReplyBytes().
    EFixedTagResult ReadControllerStatus(std::uint16_t& byte);
    // Answered and the trip code, or NoReply and 0xFFFF.
    EFixedTagResult ReadTripCode1(std::uint16_t& code);
    EFixedTagResult ReadTripCode2(std::uint16_t& code);
    // The EEPROM byte at `address` (word 1, extension 0x81, 3 attempts): true and `byte` =
    // low byte of reply word 2 when answered; `byte` untouched otherwise. An address beyond
    // the controller's EEPROM is answered "no such tag", which counts as no reply.
    bool ReadEepromByte(std::uint16_t address, std::uint8_t& byte);
    // Writes `byte` at `address` and reads it back (3 attempts each). True only when both
    // were answered and the byte read back equals `byte`. No pause: callers that write a
    // block wait kByteWritePauseMs between bytes.
    bool WriteEepromByteVerified(std::uint16_t address, std::uint8_t byte);
    // Told the number of bytes verified so far after each byte of WriteBytesVerified, so a
    // progress window can follow a block write (which cannot be cancelled).
    using ByteProgress = std::function<void(int done)>;
    // Identifies the controller and, only when it is of `type`, writes `length` EEPROM bytes
    // from `startAddress` on, reading each back (3 attempts each, 20 ms between bytes). It
    // stops at the first byte that is not verified.
    EVerifiedWriteResult WriteBytesVerified(EControllerType type, const std::uint8_t* data,
                                            std::uint16_t length, std::uint16_t startAddress,
                                            const ByteProgress& progress = {});

    // Reads a parameter's value and its six attributes (maximum, minimum, scale, divisor,
    // step, shift) into `record`, seven exchanges of 2 attempts each. NoSuchParameter when
    // the value read is answered "no such tag" (trusted as for Probe). Attributes the
    // controller answers without "Supported" get their defaults (maximum: the default of
    // `unitsCode`); a scale or divisor of 0 is stored as 1.
    EReadResult ReadParameter(std::uint16_t tag, std::uint16_t unitsCode, CParameter& record);
    // Why the last ReadParameter did not return Read. Readers of a whole set use it to tell
    // a partial set from a complete one.
    EReadFailure LastReadFailure() const { return m_lastReadFailure; }
    // What the first read of WriteParameter found: the value about to be overwritten, as a
    // read of the parameter would store it (reply words 1 to 3, extension and status byte).
    struct SWriteReadReply
    {
        std::uint16_t tag = 0;
        std::uint16_t value = 0;
        std::uint16_t checksumWord = 0;
        std::uint8_t extension = 0;
        std::uint8_t flags = 0;
    };
    // Called by WriteParameter once its first read was answered by a parameter that may be
    // written, before the write is sent. Returning false stops it there: nothing is written
    // and the result is NotBackedUp. A backup saved here is on disk before the value changes.
    using BeforeWrite = std::function<bool(const SWriteReadReply& reply)>;
    // Writes `record`'s value: a read (for the checksum word), `beforeWrite` when given, the
    // write with a checksum word adjusted by the change, 50 ms, then a read-back of up to 50
    // attempts.
    EWriteResult WriteParameter(const CParameter& record, const BeforeWrite& beforeWrite = {});
    // The value the controller reported in the last WriteParameter's first read (also when
    // it then refused the write as read only); nullopt when that read got no reply.
    std::optional<std::uint16_t> LastWriteCurrentValue() const { return m_lastWriteCurrent; }

    // Display name of a controller type; "Unknown controller" for 32 and above (None too).
    static QString ControllerTypeName(EControllerType type);
    // The same for a type stored as a number (a profile's data controller type).
    static QString ControllerTypeName(std::uint16_t type)
    {
        return ControllerTypeName(ControllerTypeFromNumber(type));
    }
    // Controller type for an identification code (reply word 2 of tag 8); None when the
    // code is outside the map.
    static EControllerType TypeFromIdentificationCode(std::uint16_t code);
    // The Stoat's variants by sub-type code (reply word 2 of tag 9); other types unchanged.
    static EControllerType ApplySubType(EControllerType type, std::uint16_t subType);

    // Whether a reply with word 1 zero, the controller's "no such tag", may answer a request.
    // Only requests that ask whether a tag exists (Probe, the first read of ReadParameter,
    // identification) take it as an answer; for every other request it is a frame that does
    // not answer.
    enum ENoSuchTag
    {
        NoSuchTagFails = 0,
        NoSuchTagAnswers = 1,
    };

    // Sends the request of `packet` and waits for a valid reply frame that answers it: same
    // extension and same word 1; any valid frame answers a request whose word 1 is above
    // 0xFFF0. With NoSuchTagAnswers a frame with the same extension and word 1 zero answers
    // too, but only while no earlier request can still be answered (see NoSuchTagTrusted):
    // such a frame names no tag, so a late one would otherwise pass for the answer to
    // whatever was asked next. A word-1-zero frame that does not answer is passed over, so
    // a real reply behind it in the same attempt is still found. When an existence question
    // met such a frame it could not believe, Transact waits until one can be believed and
    // asks once more, beyond `attempts`: the frame was most likely the answer, and without
    // this every "no such tag" shortly after a lost reply would count as silence.
    //
    // Each attempt purges the port, writes the 10 request bytes and reads byte by byte until
    // the reply time-out has passed (the last read may add up to one byte-read limit, 45 ms).
    // True when a reply was accepted and decoded into packet.reply within `attempts`
    // attempts; otherwise packet.reply holds whatever frame was decoded last (or all ones).
    // Never shows a message and never closes the port.
    bool Transact(CLinkPacket& packet, int attempts, ENoSuchTag noSuchTag = NoSuchTagFails);

    // Whether the decoded reply of `packet` answers its request, as Transact decides it;
    // `noSuchTag` says whether a word-1-zero reply may answer.
    static bool AnswersRequest(const CLinkPacket& packet, ENoSuchTag noSuchTag);
    // True while a "no such tag" reply can be believed: no attempt has gone unanswered in
    // the last kLateReplyLimitMs, so no earlier request is still waiting for a reply. An
    // accepted reply does not end the wait: a late reply can come after the replies to
    // later requests. True for a new link.
    bool NoSuchTagTrusted() const;

    void SetReplyTimeout(std::uint32_t milliseconds) { m_replyTimeoutMs = milliseconds; }
    std::uint32_t ReplyTimeout() const { return m_replyTimeoutMs; }

    // The ten raw bytes of the last decoded reply frame of the current (or last) attempt;
    // all 0xFF when none was decoded since that attempt began.
    const LinkFrame& LastReplyBytes() const { return m_lastReply; }

    // Position of a valid reply frame (lead 0x72, bytes summing to 0xFF) among the first
    // `length` bytes of `window`, or -1. The scan starts at the persistent scan position,
    // which only moves forward past candidates ruled out and stays on a frame it found, so
    // the first valid frame of an attempt is found again after every further byte. Positions
    // at or beyond `length` read as 0xFF.
    int FindReplyFrame(const std::uint8_t* window, int length);
    // Resets the scan position to 0.
    void FindReplyFrame() { m_scanPos = 0; }
    int ScanPosition() const { return m_scanPos; }

private:
    // One attempt of Transact. `passedOver` is set when a "no such tag" frame came that
    // could not be taken as the answer.
    bool RunAttempt(CLinkPacket& packet, ENoSuchTag noSuchTag, bool& passedOver);
    EFixedTagResult ReadFixedTag(std::uint16_t tag, std::uint16_t& value);
    // A probe that tells a variant from its base model, asked up to kVariantProbes times
    // while it goes unanswered. Taking silence for "not this variant" would identify a
    // variant as its base model, and every parameter of its own would be left out.
    EProbeResult ProbeVariant(std::uint16_t tag, CLinkPacket& packet);

    std::uint32_t m_replyTimeoutMs = kDefaultReplyTimeoutMs;
    std::array<std::uint8_t, kReceiveWindowSize> m_window{};
    LinkFrame m_transmit{};
    LinkFrame m_lastReply{};
    int m_scanPos = 0;
    // Started when the last unanswered attempt sent its request; invalid while none has.
    QElapsedTimer m_sinceUnanswered;
    std::optional<std::uint16_t> m_lastWriteCurrent;
    EReadFailure m_lastReadFailure = EReadFailure::None;
};
