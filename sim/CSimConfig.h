#pragma once

#include "sim/CSimModel.h"

#include <QJsonObject>
#include <QString>

// Overrides for the simulated controller from a JSON file (tavrin-sim --config FILE).
//
//   {
//     "type": 9,                          identity family (0..18, 30, 31)
//     "identificationCode": "0x21",       tag 8 answers this code instead
//     "tags": {
//       "0x1000": { "value": 250, "maximum": 500, "minimum": -20, "scale": 1,
//                   "divisor": 10, "step": 5, "shift": 0,
//                   "flags": ["Supported", "Signed"]        (or a number such as "0x48"),
//                   "unsupported": ["maximum", "step"],     quantities without "Supported"
//                   "default": 100 },     factory value restored by tag 0x51FC (default:
//                                         the value the tag was first given)
//       "0x2000": null                    the controller does not have this tag
//     },
//     "tripCodes": [18, 0],               tags 32 and 48
//     "status": { "firmware": 42, "battery": 131 },
//     "checksum": "0x1234",               the checksum word (default: consistent)
//     "eeprom": { "size": 2048, "fill": 0, "bytes": { "0x100": [1, 2, 3] },
//                 "stuck": [258] },
//     "logs": { "system": [["0x12", 3], ["0x21", 1]], "control": [] },
//                                         (code, count) entries; a listed log is present
//     "versions": { "10": [2, 1], "12": [4, 7] },   hardware and firmware version pairs
//     "programChecksum": "0xBEEF",        tag 0x7FC0
//     "tilt": { "reading": 300, "offset": 0, "refuseZero": false }
//                                         a tilt sensor at tag 0x5120; refuseZero leaves the
//                                         zeroing write unanswered
//     "timers": { "hours": { "0x18A1": 1520, "0x40A1": null },
//                 "programmable": true, "secondsPerHour": 60 }
//                                         service timers: starting hours by tag (null: the
//                                         controller lacks it; default: the family's),
//                                         whether tag 0x4405 offers programmable times
//                                         (default: types 9 and 10) and the length of a
//                                         counted hour in seconds (default 3600)
//     "adc": {                            live ADC values (extension 0x98)
//       "cycle": { "rest": 4, "rise": 3, "hold": 6, "fall": 3 },
//                                         seconds of each phase of the drive cycle that
//                                         the waveforms follow (these are the defaults)
//       "channels": {                     by tag; the family's channels unless named here
//         "0x0180": { "waveform": "sag", "nominal": 240, "sag": 30, "seconds": 2 },
//                                         drops by up to "sag" under load, recovers at rest
//         "0x0181": { "waveform": "ramp", "low": 0, "high": 255, "seconds": 0 },
//                                         "low" at rest, "high" at full load
//         "0x0182": { "waveform": "drift", "start": 22, "rise": 33, "seconds": 150 },
//                                         climbs slowly under load, cools slowly at rest
//         "0x0184": { "waveform": "constant", "value": 40 },    (or just 40)
//         "0x0185": "unsupported",        answered without "Supported"
//         "0x0186": "silent",             never answered
//         "0x0187": null                  no such channel: answered "no such tag"
//       } }                               "seconds" is the lag behind the load (default 0)
//   }
//
// Numbers may be decimal or "0x" hexadecimal strings; negative values are stored as their
// 16-bit two's complement. A tag entry changes only the fields it names. A key not listed
// here, at any level, is refused with its name ("unknown key ..."): a misspelt one would
// otherwise leave the simulator without the setting or fault it was meant to give.
namespace SimConfig {

// Applies `config` to `model`. False with `error` set when the file is malformed; the model
// may then be partly changed.
bool Apply(const QJsonObject& config, CSimModel& model, QString& error);
// Reads and applies a JSON file.
bool ApplyFile(const QString& path, CSimModel& model, QString& error);

} // namespace SimConfig
