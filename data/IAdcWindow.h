#pragma once

struct SAdcReading; // ops/adc/CAdcChannels.h

// A live window of one ADC channel. The GUI implements it with a small widget, tavrin-cli
// with a line printer. The channel record that owns it (CADCChannelDlg) destroys it when the
// window is closed, so an implementation must not delete itself.
class IAdcWindow
{
public:
    virtual ~IAdcWindow() = default;
    virtual void ShowReading(const SAdcReading& reading) = 0;
};
