#pragma once

#include "data/CADCChannel.h"
#include "data/IAdcWindow.h"
#include "link/EControllerType.h"

#include <QList>
#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

class CControllerLink;
class IUserPrompt;

// One live reading of a channel (a read of its tag with the live-value extension 0x98).
struct SAdcReading
{
    enum class EState
    {
        CommsLost,   // no reply at all
        Unsupported, // a trusted reply without "Supported", "no such tag" included
        Value,       // a reply with "Supported"; `value` holds reply word 2
    };
    EState state = EState::CommsLost;
    std::int16_t value = 0; // valid for Value
    // "%d" of the value, "Comms lost" or "Unsupported controller".
    QString Text() const;
};

// How a channel's window shows its readings. The bar spans the channel's whole range, which
// may be wider than 32767 (-20000..20000, or 0..40000 for a reading that is unsigned).
struct SAdcRange
{
    std::int32_t offset = 0;  // the minimum when it is negative, else 0
    int barLow = 0;           // minimum - offset
    int barHigh = 255;        // maximum - offset, never below barLow
    QString minText, maxText; // minimum and maximum in decimal
    // A range above 32767 from 0 or more reads its 16-bit words unsigned (0..65535).
    bool unsignedReadings = false;
    // The reading's word (signed, or unsigned as above) - offset, clamped to barLow..barHigh.
    int BarPosition(std::int16_t value) const;
};

// The ADC channels: the channel list of the channel file, and the window set, the copies of
// the channels offered for the connected controller type with their open windows. The view
// owns one; the GUI opens windows through it, and the status poll's tick calls
// RefreshWindows. No widgets: windows are IAdcWindow objects handed in by the caller.
class CAdcChannels : public QObject
{
    Q_OBJECT
public:
    // Exchange attempts of one live-value read.
    static constexpr int kReadAttempts = 2;

    explicit CAdcChannels(QObject* parent = nullptr);
    ~CAdcChannels() override;

    // Replaces the channel list with the channel file (a counted object list of CADCChannel
    // or CADCChannelDlg records). Shows "Cannot open ADC initialisation file" when the file
    // does not open and the "Cannot load the ADC channel data..." text when it is damaged,
    // both with the exclamation icon; the list is empty then and the result false.
    bool Load(const QString& path, IUserPrompt& prompt);
    // Writes the channel list to `path` as CADCChannel records. The file is created and must
    // not exist yet; a failed write removes what it created. False on any failure.
    bool Save(const QString& path) const;
    const std::vector<CADCChannel>& Channels() const { return m_channels; }
    // Replaces the channel list (as a load would); the window set is left as it is.
    void SetChannels(std::vector<CADCChannel> channels);

    // The filter: None accepts a channel of any type; otherwise the channel's type must equal
    // the connected type, with a connected Ivor36V (30) compared as the Stoat (14); the Ivor
    // (31) is not mapped. Either way the channel's range low must be 0.
    static bool Offered(const CADCChannel& channel, EControllerType connected);
    static SAdcRange RangeOf(const CADCChannel& channel);
    // One live-value read (extension 0x98, 2 attempts): no reply at all -> CommsLost; a
    // trusted reply without "Supported", "no such tag" included -> Unsupported; otherwise
    // Value with reply word 2 as a signed 16-bit number ("Temp. unavailable" included).
    // Tag 0 is a channel like any other: its reply echoes word 1 = 0, which for any other tag
    // means "no such tag", so for tag 0 only the status byte decides.
    static SAdcReading ReadChannel(CControllerLink& link, std::uint16_t tag);

    // The window set: copies of the channels offered for one type (None and empty at the
    // start). Indexes run from 0 to WindowSetSize() - 1; the operations taking an index do
    // nothing for one outside that (Entry requires a valid one).
    void
    RebuildWindowSet(EControllerType type); // closes every window first; emits WindowSetChanged
    EControllerType WindowSetType() const { return m_setType; }
    int WindowSetSize() const { return static_cast<int>(m_set.size()); }
    const CADCChannelDlg& Entry(int index) const;
    bool IsOpen(int index) const;
    // Hands the entry its window (an open one is destroyed first).
    void Open(int index, std::unique_ptr<IAdcWindow> window);
    void Close(int index); // destroys the window
    void CloseAll();
    // The user closed this window: the entry forgets and destroys it. Unknown windows are
    // ignored.
    void WindowClosed(const IAdcWindow* window);
    // One read per open window, in set order; each window is shown its reading; then Sampled.
    // With the link's port closed (the device gone and not reopened) every window shows
    // "Comms lost" without an exchange.
    void RefreshWindows(CControllerLink& link);

    struct SSample
    {
        int index;
        std::uint16_t tag;
        QString name;
        SAdcReading reading;
    };

signals:
    void WindowSetChanged();
    // After every RefreshWindows: the readings just taken (open windows only), so the chart
    // records them without exchanges of its own.
    void Sampled(const QList<CAdcChannels::SSample>& samples);

private:
    bool ValidIndex(int index) const { return index >= 0 && index < WindowSetSize(); }

    std::vector<CADCChannel> m_channels;
    std::vector<CADCChannelDlg> m_set;
    EControllerType m_setType = EControllerType::None;
};
