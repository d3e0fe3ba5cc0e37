#pragma once

#include "link/CLinkPacket.h"
#include "link/EControllerType.h"
#include "sim/CSimAdc.h"
#include "sim/CSimLogs.h"
#include "sim/CSimTilt.h"
#include "sim/CSimTimers.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <vector>

// One tag of the simulated controller: its seven quantities and its status flags.
struct CSimTag
{
    std::uint16_t value = 0;
    std::uint16_t maximum = 0xFFFF;
    std::uint16_t minimum = 0;
    std::uint16_t scale = 1;
    std::uint16_t divisor = 1;
    std::uint16_t step = 1;
    std::uint16_t shift = 0;
    std::uint8_t flags = LinkProtocol::kStatusSupported;
    // Bit e set: the quantity of extension e (2..7) is answered without "Supported".
    std::uint8_t unsupportedAttributes = 0;
    // A fixed tag (identification, trip codes) rather than a stored parameter: it is not
    // covered by the checksum word.
    bool fixed = false;

    // The quantity an extension selects (0 value, 2 maximum ... 7 shift); nullopt otherwise.
    std::optional<std::uint16_t> Quantity(std::uint8_t extension) const;
    // The status byte of the reply to a read of `extension`.
    std::uint8_t StatusFor(std::uint8_t extension) const;
};

// What the simulated controller knows and how it answers one request. It is pure: no port,
// no timing, no faults (those belong to CControllerSim), so later features are taught here
// and tested without a pseudo-terminal.
//
// The controller keeps one checksum word over its parameter values: value sum plus checksum
// word is constant. Every value reply carries it in word 3; a write carries the new one.
class CSimModel
{
public:
    static constexpr std::uint16_t kChecksumBase = 0xA5C3;
    // EEPROM bytes of a family not listed in EepromSizeFor.
    static constexpr std::size_t kDefaultEepromSize = 256;

    // The EEPROM size of a controller family: 128 bytes for types 0..6, 256 for 8 and 9,
    // 512 for 10, 1024 for 12, 14, 15, 30 and 31, kDefaultEepromSize for the others.
    static std::size_t EepromSizeFor(EControllerType type);

    // A small table: identification code 9 on tag 8 and a handful of parameters.
    static CSimModel DefaultController();

    // Makes the model identify as controller type `type` (0..18, 30, 31): sets or removes
    // tags 8, 9, 64 and the older family's probe tags 0x1B20, 0x3403 and 0x3428, and sizes
    // the EEPROM for the family (bytes already there are kept). False for a type that
    // identification cannot produce.
    bool SetIdentity(EControllerType type);
    // Answers tag 8 with this code whatever the type (e.g. an unmapped 0x21).
    void SetIdentificationCode(std::uint16_t code);

    // Status tag 0xFFFF: the firmware byte in word 2 and the raw battery reading in reply
    // byte 2 (where other replies echo the extension).
    void SetStatus(std::uint8_t firmware, std::uint8_t battery);
    void SetTripCodes(std::uint16_t first, std::uint16_t second);

    // EEPROM bytes, read and written with extension 0x81 at address word 1.
    std::vector<std::uint8_t>& Eeprom() { return m_eeprom; }
    const std::vector<std::uint8_t>& Eeprom() const { return m_eeprom; }
    // A worn EEPROM cell: writes to it are acknowledged but do not change it.
    void SetEepromStuck(std::uint16_t address) { m_stuckEeprom.insert(address); }

    // The system and control logs; their tags answer before the tag table.
    CSimLogs& Logs() { return m_logs; }
    const CSimLogs& Logs() const { return m_logs; }

    // The tilt sensor (tag 0x5120); absent unless made present.
    CSimTilt& Tilt() { return m_tilt; }
    const CSimTilt& Tilt() const { return m_tilt; }

    // The service timers and programmable times; SetIdentity gives them the family's.
    CSimTimers& Timers() { return m_timers; }
    const CSimTimers& Timers() const { return m_timers; }

    // The live ADC channels (extension 0x98); SetIdentity gives them the family's.
    CSimAdc& Adc() { return m_adc; }
    const CSimAdc& Adc() const { return m_adc; }

    // Sets a tag's quantities. The value a parameter gets when it is first set is its
    // factory default, which a write of 1 to tag 0x51FC restores.
    void SetTag(std::uint16_t tag, const CSimTag& quantities);
    void SetDefault(std::uint16_t tag, std::uint16_t value) { m_defaults[tag] = value; }
    // Puts every parameter back to its factory default and the checksum word with them.
    void ResetToDefaults();
    void RemoveTag(std::uint16_t tag);
    const CSimTag* Tag(std::uint16_t tag) const;
    const std::map<std::uint16_t, CSimTag>& Tags() const { return m_tags; }

    std::uint16_t ChecksumWord() const { return m_checksum; }
    void SetChecksumWord(std::uint16_t word) { m_checksum = word; }
    // Sets the checksum word so that it agrees with the current values.
    void ResetChecksum();
    // Value sum plus checksum word still equals the base: every write so far carried the
    // checksum word the controller expected.
    bool ChecksumConsistent() const;

    // The reply to a request frame, or nullopt when the controller stays silent (a frame
    // that is not a request). Reads return the selected quantity; a write to the value of
    // a supported, writable tag stores the value and the checksum word of word 3. A tag the
    // controller does not have is answered with word 1 zero ("no such parameter").
    std::optional<CLinkRecord> Answer(const CLinkRecord& request);

    // Encodes a reply record with its checksum.
    static LinkFrame EncodeReply(CLinkRecord reply);
    // A reply to `request` that echoes its extension and word 1, with status and the other
    // words zero and no checksum yet; each part of the controller fills in what it answers.
    static CLinkRecord ReplyTo(const CLinkRecord& request);

private:
    std::uint16_t ValueSum() const;

    std::optional<CLinkRecord> AnswerEeprom(const CLinkRecord& request, CLinkRecord reply);

    std::map<std::uint16_t, CSimTag> m_tags;
    std::uint16_t m_checksum = kChecksumBase;
    std::uint8_t m_firmware = 23;
    std::uint8_t m_battery = 131; // 24.0 V at 5.464 counts a volt
    std::vector<std::uint8_t> m_eeprom;
    std::set<std::uint16_t> m_stuckEeprom;
    CSimLogs m_logs;
    CSimTilt m_tilt;
    CSimTimers m_timers;
    CSimAdc m_adc;
    std::map<std::uint16_t, std::uint16_t> m_defaults;
};
