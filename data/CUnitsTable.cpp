#include "data/CUnitsTable.h"

#include <array>

namespace {

using Entry = CUnitsTable::Entry;

const std::array<Entry, CUnitsTable::kCount>& Entries()
{
    // "\260" (octal, the byte 0xB0) is the degree sign in Windows-1252.
    static const std::array<Entry, CUnitsTable::kCount> entries = {{
        {"Decimal Integer", "", "%d", false, 32767},
        {"Hex Integer", "", "0x%02X", false, 32767},
        {"Volts", "V", "%d V", false, 24},
        {"Decivolts", "dV", "%d dV", false, 10},
        {"Amps", "Amps", "%d Amps", false, 50},
        {"Milliohms", "mOhms", "%d mOhms", false, 1000},
        {"Celsius", "\260C", "%d \260C", false, 69},
        {"Percent", "%%", "%d %%", false, 100},
        {"AmpHours", "Ah", "%d Ah", false, 100},
        {"Seconds", "secs", "%d secs", false, 60},
        {"Centiseconds", "s", "%d s", false, 100},
        {"Minutes", "mins", "%d mins", false, 60},
        {"Hours", "h", "%d h", false, 24},
        {"AsciiChar", "", "%c", false, 127},
        {"Degrees", "\260", "%d \260", false, 359},
        {"Binary", "1", "0", true, 1},
        {"YesNo", "Yes", "No", true, 1},
        {"InOut", "In", "Out", true, 1},
        {"OnOff", "On", "Off", true, 1},
        {"EnableDisable", "Enable", "Disable", true, 1},
        {"HiLo", "Hi", "Lo", true, 1},
        {"RPM", "rpm", "%d rpm", false, 6000},
        {"Hertz", "Hz", "%d Hz", false, 100},
        {"Milliseconds", "ms", "%d ms", false, 1000},
        {"Millivolts", "mV", "%d mV", false, 1000},
    }};
    return entries;
}

} // namespace

const CUnitsTable::Entry* CUnitsTable::Find(int unitsCode)
{
    if (unitsCode < 0 || unitsCode >= kCount)
        return nullptr;
    return &Entries()[static_cast<size_t>(unitsCode)];
}

quint16 CUnitsTable::DefaultMaximum(int unitsCode)
{
    const Entry* entry = Find(unitsCode);
    return entry ? entry->defaultMaximum : 32767;
}

bool CUnitsTable::IsTwoState(int unitsCode)
{
    const Entry* entry = Find(unitsCode);
    return entry && entry->twoState;
}
