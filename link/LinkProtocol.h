#pragma once

#include <cstddef>
#include <cstdint>

// The controller's serial protocol: the frame, the reply status bits, the extensions and the
// tags with a fixed meaning. The link, the flows and the simulator all speak it, so every
// number of it is named here once.
//
// Frame on the wire (request and reply alike):
//   0 lead (0x63 'c' request, 0x72 'r' reply)   1 control (1 read, 0 write) / reply status
//   2 extension   3-4 word 1   5-6 word 2   7-8 word 3 (each most significant byte first)
//   9 checksum = complement of the 8-bit sum of bytes 0..8 (a correct frame sums to 0xFF)
namespace LinkProtocol {

inline constexpr std::size_t kFrameSize = 10;
inline constexpr std::uint8_t kRequestLead = 0x63;
inline constexpr std::uint8_t kReplyLead = 0x72;
inline constexpr std::uint8_t kControlRead = 1;
inline constexpr std::uint8_t kControlWrite = 0;

// Reply status bits; the same bits are kept per parameter and stored in profiles.
inline constexpr std::uint8_t kStatusInvert = 0x80;
inline constexpr std::uint8_t kStatusSigned = 0x40;
inline constexpr std::uint8_t kStatusForeground = 0x20;
inline constexpr std::uint8_t kStatusWrap = 0x10;
inline constexpr std::uint8_t kStatusSupported = 0x08;
inline constexpr std::uint8_t kStatusReadOnly = 0x04;
inline constexpr std::uint8_t kStatusVolatile = 0x02;
inline constexpr std::uint8_t kStatusTempUnavailable = 0x01;

// Extensions: which quantity of a tag a request reads or writes (byte 2).
inline constexpr std::uint8_t kExtValue = 0;
inline constexpr std::uint8_t kExtMaximum = 2;
inline constexpr std::uint8_t kExtMinimum = 3;
inline constexpr std::uint8_t kExtScale = 4;
inline constexpr std::uint8_t kExtDivisor = 5;
inline constexpr std::uint8_t kExtStep = 6;
inline constexpr std::uint8_t kExtShift = 7;
// One EEPROM byte at the address in word 1, in the low byte of word 2.
inline constexpr std::uint8_t kExtEepromByte = 0x81;
// The live value of the ADC channel whose tag is word 1.
inline constexpr std::uint8_t kExtAdcValue = 0x98;

// A request whose word 1 is above this is answered by any valid frame.
inline constexpr std::uint16_t kAnyReplyWord1 = 0xFFF0;

// Identification: the code in word 2 of tag 8 and the sub-type in word 2 of tag 9. The
// older family has no tag 8 and is told apart by which of its three probe tags it supports.
inline constexpr std::uint16_t kTagIdentification = 8;
inline constexpr std::uint16_t kTagSubType = 9;
inline constexpr std::uint16_t kTagOlderFamily = 0x1B20;
inline constexpr std::uint16_t kTagOlderIsoVariant = 0x3403;
inline constexpr std::uint16_t kTagOlderFallback = 0x3428;

// Controller status: the firmware byte in word 2 and a raw battery reading in reply byte 2,
// where other replies echo the extension.
inline constexpr std::uint16_t kTagStatus = 0xFFFF;
// The current trip code, and the one behind it.
inline constexpr std::uint16_t kTagTripCode1 = 32;
inline constexpr std::uint16_t kTagTripCode2 = 48;

// Version pairs: major at the tag, minor at the tag + 1.
inline constexpr std::uint16_t kTagHardwareVersion = 10;
inline constexpr std::uint16_t kTagFirmwareVersion = 12;
inline constexpr std::uint16_t kTagFirmwareVersionAlt = 14;
// The program checksum word of the Tarn family, its bytes stored low first.
inline constexpr std::uint16_t kTagProgramChecksum = 0x7FC0;

// The two trip logs: a status tag that tells whether the log is kept, then sixteen trip
// codes and sixteen occurrence counts at consecutive tags.
inline constexpr int kLogEntries = 16;
inline constexpr std::uint16_t kTagSystemLogStatus = 0x40;
inline constexpr std::uint16_t kTagSystemLogCodes = 0x50;
inline constexpr std::uint16_t kTagSystemLogCounts = 0x60;
inline constexpr std::uint16_t kTagControlLogStatus = 0x41;
inline constexpr std::uint16_t kTagControlLogCodes = 0xA0;
inline constexpr std::uint16_t kTagControlLogCounts = 0xB0;

// A controller that identifies as a Tarn and keeps the system log is a Tarn+: the log's
// status tag is the probe that tells them apart.
inline constexpr std::uint16_t kTagPlusVariant = kTagSystemLogStatus;

// The tilt sensor of the controllers that have one: a value read gives the present reading
// in word 2 and the zero offset in word 3. Zeroing is a fixed series of writes to it.
inline constexpr std::uint16_t kTagTilt = 0x5120;
// Writing 1 (word 3 zero) resets every parameter to its factory default.
inline constexpr std::uint16_t kTagEepromDefaults = 0x51FC;

// The service timers: hour counters read as a value (hours in word 2) and cleared by a value
// write of (0, 0). The first counter sits at its own tag on the Stoat base model.
inline constexpr std::uint16_t kTagServiceTimer1 = 0x18A1;
inline constexpr std::uint16_t kTagServiceTimer1Stoat = 0x00C0;
inline constexpr std::uint16_t kTagServiceTimer2 = 0x4401;
inline constexpr std::uint16_t kTagServiceTimer3 = 0x40A1;
// The programmable times of the controllers that have them: a value read answers
// "Supported" where they exist; three value writes in a row set Service, Total On and Brush.
inline constexpr std::uint16_t kTagProgrammableTimes = 0x4405;

// The live ADC channels of the bundled channel file (share/ADCChannels.adcsrc), read with
// kExtAdcValue. Which of them a controller has depends on its type.
inline constexpr std::uint16_t kTagAdcBatteryVoltage = 0x0180;      // 0.1 V
inline constexpr std::uint16_t kTagAdcThrottle = 0x0181;            // 0 released .. 255 full
inline constexpr std::uint16_t kTagAdcHeatsinkTemperature = 0x0182; // deg C
inline constexpr std::uint16_t kTagAdcMotorTemperature = 0x0183;    // deg C
inline constexpr std::uint16_t kTagAdcMotorCurrent = 0x0184;        // A, traction motor
inline constexpr std::uint16_t kTagAdcBrushCurrent = 0x0185;        // A
inline constexpr std::uint16_t kTagAdcVacuumCurrent = 0x0186;       // A
inline constexpr std::uint16_t kTagAdcLiftCurrent = 0x0187;         // A
inline constexpr std::uint16_t kTagAdcKeySwitchVoltage = 0x0188;    // 0.1 V

} // namespace LinkProtocol
