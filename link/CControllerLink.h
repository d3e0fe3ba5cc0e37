#pragma once

#include "link/CLinkPacket.h"
#include "link/CSerialPort.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

class CParameter;

// The controller link: the serial port plus the one routine, Transact, through which every
// exchange with a controller passes, and the controller's command set on top of it. Higher
// layers call the commands (or build packets and call Transact); nothing else reads from or
// writes to the port. No operation shows a message: callers word the outcome.
//
// Two result conventions, as the callers expect them: ReadWord, WriteWord and
// WriteBytesVerified return true on success; ReadControllerStatus and the trip-code reads
// return 0 on success and 4 when no reply came.
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
    // A request whose word 1 is above this is answered by any valid frame.
    static constexpr std::uint16_t kAnyReplyWord1 = 0xFFF0;

    // Reply time-outs set by Identify: 100 ms for controller type 12, 50 ms for all others.
    static constexpr std::uint32_t kSlowReplyTimeoutMs = 100;
    static constexpr std::uint16_t kSlowReplyType = 12;
    // Pause between the bytes of a verified block write.
    static constexpr int kByteWritePauseMs = 20;
    // Pause between a parameter write and its read-back.
    static constexpr int kWriteSettleMs = 50;

    // Extensions: which quantity of a tag a request reads or writes.
    enum EExtension : std::uint8_t
    {
        ExtValue = 0,
        ExtMaximum = 2,
        ExtMinimum = 3,
        ExtScale = 4,
        ExtDivisor = 5,
        ExtStep = 6,
        ExtShift = 7,
        ExtEepromByte = 0x81,
        ExtAdcValue = 0x98,
    };

    // Tags with a fixed meaning.
    static constexpr std::uint16_t kTagIdentification = 8;
    static constexpr std::uint16_t kTagSubType = 9;
    static constexpr std::uint16_t kTagPlusVariant = 64;
    static constexpr std::uint16_t kTagOlderFamily = 0x1B20;
    static constexpr std::uint16_t kTagOlderIsoVariant = 0x3403;
    static constexpr std::uint16_t kTagOlderFallback = 0x3428;
    static constexpr std::uint16_t kTagStatus = 0xFFFF;
    static constexpr std::uint16_t kTagTripCode1 = 32;
    static constexpr std::uint16_t kTagTripCode2 = 48;

    // No identified controller type.
    static constexpr std::uint16_t kNoType = 0xFFFF;

    // Outcome of Probe.
    enum EProbeResult
    {
        ProbeSupported = 0,       // answered, "Supported" set, "Temp. unavailable" clear
        ProbeTempUnavailable = 1, // answered, "Supported" and "Temp. unavailable" set
        ProbeNotSupported = 2,    // answered, "Supported" clear
        ProbeNoSuchTag = 3,       // answered with word 1 zero
        ProbeNoReply = 4,         // no reply
    };

    CControllerLink();

    // Reads (tag, extension) and classifies the answer. `packet` receives the exchange.
    // ProbeNoSuchTag only when the "no such tag" reply could be trusted (see Transact);
    // otherwise such a reply is ignored and, without another, the result is ProbeNoReply.
    int Probe(std::uint16_t tag, std::uint8_t extension);
    int Probe(std::uint16_t tag, std::uint8_t extension, CLinkPacket& packet);
    // True and `value` = reply word 2 when a reply came; `value` untouched otherwise. These
    // and every other command that needs a value or a confirmation (status, trip codes,
    // verified bytes, WriteParameter) take a "no such tag" reply for no reply.
    bool ReadWord(std::uint16_t tag, std::uint8_t extension, std::uint16_t& value);
    // A write request; true when a reply came (its status byte is not examined).
    bool WriteWord(std::uint16_t tag, std::uint8_t extension, std::uint16_t value,
                   std::uint16_t aux);
    // Identifies the connected controller. 0 when identified (`type` then holds the type, or
    // kNoType for an identification code outside the map); otherwise a nonzero EProbeResult
    // with `type` kNoType. Always ends by setting the reply time-out for the type found.
    int Identify(std::uint16_t& type);
    // 0 and `byte` = firmware byte (low byte of word 2); 4 and `byte` = 0xFFFF when no
    // reply. Reply byte 2, a raw battery reading, stays in LastReplyBytes().
    int ReadControllerStatus(std::uint16_t& byte);
    // 0 and the trip code; 4 and 0xFFFF when no reply.
    int ReadTripCode1(std::uint16_t& code);
    int ReadTripCode2(std::uint16_t& code);
    // Identifies the controller and, only when it is of `type`, writes `length` EEPROM bytes
    // from `startAddress` on, reading each back (3 attempts each, 20 ms between bytes).
    // True when every byte was written and read back equal; false for a length of 0.
    bool WriteBytesVerified(std::uint16_t type, const std::uint8_t* data, std::uint16_t length,
                            std::uint16_t startAddress);

    // Results of ReadParameter.
    enum EReadParameterResult
    {
        ReadOk = 0,
        ReadNoSuchParameter = 1,
        ReadFailed = 2
    };
    // Results of WriteParameter.
    enum EWriteParameterResult
    {
        WriteOk = 0,           // written and confirmed by the read-back
        WriteNotSupported = 1, // the controller does not support the parameter
        WriteReadOnly = 2,     // the parameter is read only; nothing was written
        WriteMismatch = 5,     // the read-back shows another value (the write is not repeated)
        WriteNoReply = 6,      // no reply at some step
    };

    // Reads a parameter's value and its six attributes (maximum, minimum, scale, divisor,
    // step, shift) into `record`, seven exchanges of 2 attempts each. ReadNoSuchParameter
    // when the value read is answered "no such tag" (trusted as for Probe). Attributes the
    // controller answers without "Supported" get their defaults (maximum: the default of
    // `unitsCode`); a scale or divisor of 0 is stored as 1.
    int ReadParameter(std::uint16_t tag, std::uint16_t unitsCode, CParameter& record);
    // Why the last ReadParameter did not return ReadOk: the controller gave no reply to one
    // of its exchanges, or it answered and refused (no "Supported", or no such tag). Readers
    // of a whole set use it to tell a partial set from a complete one.
    enum EReadFailure
    {
        ReadFailureNone = 0,
        ReadFailureNoReply = 1,
        ReadFailureRefused = 2
    };
    EReadFailure LastReadFailure() const { return m_lastReadFailure; }
    // Writes `record`'s value: a read (for the checksum word), the write with a checksum word
    // adjusted by the change, 50 ms, then a read-back of up to 50 attempts.
    int WriteParameter(const CParameter& record);
    // The value the controller reported in the last WriteParameter's first read (also when
    // it then refused the write as read only); nullopt when that read got no reply.
    std::optional<std::uint16_t> LastWriteCurrentValue() const { return m_lastWriteCurrent; }

    // Display name of a controller type; "Unknown controller" for 32 and above.
    static QString ControllerTypeName(std::uint16_t type);
    // Controller type for an identification code (reply word 2 of tag 8); kNoType when the
    // code is outside the map.
    static std::uint16_t TypeFromIdentificationCode(std::uint16_t code);
    // Type 14's variants by sub-type code (reply word 2 of tag 9); other types unchanged.
    static std::uint16_t ApplySubType(std::uint16_t type, std::uint16_t subType);

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
    // a real reply behind it in the same attempt is still found.
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
    // True while a "no such tag" reply can be believed: the last exchange ended with an
    // accepted reply and no attempt has gone unanswered since, so no earlier request is
    // waiting for a late reply. True for a new link.
    bool NoSuchTagTrusted() const { return m_settled; }

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
    bool RunAttempt(CLinkPacket& packet, ENoSuchTag noSuchTag);
    int ReadFixedTag(std::uint16_t tag, std::uint16_t& value);

    std::uint32_t m_replyTimeoutMs = kDefaultReplyTimeoutMs;
    std::array<std::uint8_t, kReceiveWindowSize> m_window{};
    LinkFrame m_transmit{};
    LinkFrame m_lastReply{};
    int m_scanPos = 0;
    // The last exchange ended with an accepted reply and no attempt failed since.
    bool m_settled = true;
    std::optional<std::uint16_t> m_lastWriteCurrent;
    EReadFailure m_lastReadFailure = ReadFailureNone;
};
