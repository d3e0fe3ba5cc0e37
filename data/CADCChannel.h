#pragma once

#include "data/CArchiveClassTable.h"
#include "data/CSerializable.h"
#include "data/IAdcWindow.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

class QIODevice;

// One ADC channel of the channel file: a live analogue reading of one controller type (tag
// read with the live-value extension), the range its bar shows and its name. Texts are held
// as QString and stored as Windows-1252 (see CCodePage); a character the code page cannot
// hold is stored as '?'.
//
// Stored body, 29 fixed bytes around two strings:
//   word tag, int32 minimum, int32 maximum, word access level, string name,
//   string second text, int32 controller type, dword reserved 1, int32 reserved 2,
//   dword range low, dword range high.
//
// Channel file: one archive holding nothing but a counted object list of CADCChannel (or
// CADCChannelDlg) records; each class is introduced by its class record before its first
// object.
class CADCChannel : public CSerializable
{
public:
    static constexpr std::uint16_t kSchema = 2;
    static constexpr std::int32_t kNoControllerType = 0xFFFF;
    static const CArchiveClass& ClassInfo();
    const CArchiveClass& Class() const override { return ClassInfo(); }
    void Serialize(CArchive& archive) override;

    // The classes a channel file may name: CADCChannel and CADCChannelDlg.
    static const CArchiveClassTable& FileClasses();
    // Reads a whole channel file from an open device, in file order. Throws CArchiveException
    // on a damaged file (nothing is returned then).
    static std::vector<CADCChannel> ReadFile(QIODevice* device);
    // Writes `channels` as a channel file of CADCChannel records to an open device. Throws
    // CArchiveException when the device refuses a write.
    static void WriteFile(QIODevice* device, const std::vector<CADCChannel>& channels);

    // The eleven stored fields, in file order.
    std::uint16_t tag = 0;                           // word 1 of the live-value read request
    std::int32_t minimum = 0;                        // lower end of the bar
    std::int32_t maximum = 255;                      // upper end of the bar
    std::uint16_t accessLevel = 0;                   // kept in the file; every channel is available
    QString name;                                    // selection list line and window title
    QString secondText;                              // kept, not shown
    std::int32_t controllerType = kNoControllerType; // the type the channel belongs to
    std::uint32_t reserved1 = 0;                     // kept, not used
    std::int32_t reserved2 = 0;                      // kept, not used
    std::uint32_t rangeLow = 0;                      // a channel is offered only when this is 0
    std::uint32_t rangeHigh = 0xFFFFFFFF;

    // All eleven fields equal (a display copy's window is not a field).
    bool SameFields(const CADCChannel& other) const;
};

// A channel copied for display: the same eleven fields, and the channel's live window while
// it is open (nullptr while closed), owned here so the record stays free of widgets.
class CADCChannelDlg : public CADCChannel
{
public:
    static constexpr std::uint16_t kSchema = 1;
    static const CArchiveClass& ClassInfo();
    const CArchiveClass& Class() const override { return ClassInfo(); }

    CADCChannelDlg() = default;
    explicit CADCChannelDlg(const CADCChannel& channel) : CADCChannel(channel) {}
    CADCChannelDlg(CADCChannelDlg&&) = default;
    CADCChannelDlg& operator=(CADCChannelDlg&&) = default;

    std::unique_ptr<IAdcWindow> window;
};
