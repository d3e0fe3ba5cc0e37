#pragma once

#include "data/CSerializable.h"
#include "link/LinkProtocol.h"

#include <QString>
#include <QtGlobal>

class CTagInfo;

// One controller parameter as the system knows it: the raw 16-bit value and limits as the
// controller reports them, the scaling that turns controller words into engineering values,
// the units code, the display word and the eight reply flags.
//
// The record is a plain value: a read from a controller fills it field by field, a profile
// load fills it from 28 stored bytes, the edit dialogs change it through the set operations.
// Nothing here touches a widget, a file or the link.
//
// Display values are 64-bit: an unsigned record with a large scale and shift displays numbers
// beyond the range of a 32-bit int (65535 x 65535 + 65535), and they must survive the trip
// back through FromDisplay.
class CParameter : public CSerializable
{
public:
    static constexpr quint16 kSchema = 1;
    static constexpr int kStoredSize = 28; // bytes of one record in a profile

    // A loaded record is accepted when recomputed - stored checksum lies in this window.
    static constexpr qint32 kChecksumWindowLow = -2;
    static constexpr qint32 kChecksumWindowHigh = 4;

    quint16 tagNumber = 0;
    quint16 value = 0;          // raw; signed 16-bit when isSigned
    quint16 checksumWord = 0;   // second data word of the value read, kept for the write
    quint16 maximum = 0;        // raw upper limit
    quint16 minimum = 0;        // raw lower limit
    quint16 scale = 0;          // multiplier of the display conversion
    quint16 div = 0;            // divisor of the display conversion
    quint16 shift = 0;          // offset of the display conversion
    quint16 step = 0;           // raw edit step
    quint16 unitsCode = 0;      // index into CUnitsTable, taken from the tag
    quint32 recordChecksum = 0; // set when the record is stored or loaded
    quint8 extension = 0;       // extension byte of the value read, sent back by the write
    quint16 displayWord = 0;    // copy of the tag's display word; bits 1-7 presentation code

    bool invert = false;
    bool isSigned = false;
    bool foreground = false;
    bool wrap = false;
    bool supported = false;
    bool readOnly = false;
    bool isVolatile = false;
    bool tempUnavailable = false;

    // Flags packed into / unpacked from the reply status byte (LinkProtocol::kStatusInvert ...
    // kStatusTempUnavailable), which a profile stores as its flags byte.
    quint8 FlagsByte() const;
    void SetFlagsByte(quint8 flags);

    // Presentation code held in the record's display word: bits 1-7.
    int PresentationCode() const { return (displayWord & 0x00FE) >> 1; }

    // The word read as signed 16-bit when isSigned, as unsigned 16-bit otherwise.
    qint32 Raw(quint16 word) const;

    // Raw word to displayed number: raw x scale / div + shift, rounded half away from zero.
    // A div of 0 gives 0.
    qint64 ToDisplay(quint16 word) const;

    // Displayed number to raw word, the inverse of ToDisplay, clamped to -32768..32767
    // (isSigned) or 0..65535. With isSigned the number is first wrapped to its low 16 bits.
    // A div or a scale of 0 gives 0. *clamped (when given) tells whether clamping was needed.
    quint16 FromDisplay(qint64 number, bool* clamped = nullptr) const;

    // The number clamped to the record's raw range, as the low 16 bits.
    quint16 ClampRaw(qint64 number, bool* clamped = nullptr) const;

    qint64 ValueDisplay() const { return ToDisplay(value); }
    qint64 MinimumDisplay() const; // raw when foreground, scaled otherwise
    qint64 MaximumDisplay() const;
    qint64 StepDisplay() const; // raw when foreground, else step x scale / div (0 for div 0)

    void SetValueFromDisplay(qint64 number) { value = FromDisplay(number); }
    void SetValueRaw(qint64 number) { value = ClampRaw(number); }

    // Two-state values: "on" when the (clamped) number equals the maximum, inverted by invert.
    bool TwoStateOf(qint64 number) const;
    bool TwoState() const { return TwoStateOf(value); }
    void SetTwoState(bool on);

    // Record checksum as stored in a profile: extension byte + the eleven words + the number
    // of flags set, as a 32-bit unsigned sum.
    quint32 ComputeChecksum() const;
    static bool IsChecksumAccepted(quint32 stored, quint32 recomputed);

    // The 28-byte profile record: extension byte, tag, value, checksum word, display word,
    // maximum, minimum, scale, div, shift, step, units code (words), flags byte, record
    // checksum (dword). Storing writes ComputeChecksum() and keeps it in recordChecksum.
    // Loading leaves the checksum read from the file in recordChecksum, for the caller to
    // test against ComputeChecksum(). The record is written bare: no class record.
    static const CArchiveClass& ClassInfo();
    const CArchiveClass& Class() const override { return ClassInfo(); }
    void Serialize(CArchive& archive) override;

    // Value, minimum and maximum texts as the list view, edit dialogs and print-outs show
    // them: option texts for the tags that have them, the units' format otherwise.
    // unitsCode and presentationCode are the tag's; controllerType is the data controller
    // type of the parameter set.
    QString ValueText(quint16 tagUnitsCode, int tagPresentationCode, quint16 controllerType) const;
    QString MinimumText(quint16 tagUnitsCode, int tagPresentationCode,
                        quint16 controllerType) const;
    QString MaximumText(quint16 tagUnitsCode, int tagPresentationCode,
                        quint16 controllerType) const;

    // The same with the units and presentation codes taken from the parameter's tag.
    QString ValueText(const CTagInfo& tag, quint16 controllerType) const;
    QString MinimumText(const CTagInfo& tag, quint16 controllerType) const;
    QString MaximumText(const CTagInfo& tag, quint16 controllerType) const;

    // Every field and flag equal.
    bool operator==(const CParameter& other) const;

private:
    QString NumberText(qint64 number, quint16 tagUnitsCode, int tagPresentationCode,
                       quint16 controllerType, bool limit) const;
};
