#pragma once

#include "data/CSerializable.h"

#include <cstdint>

// One byte of a controller's EEPROM: its address, its value and whether the value came from
// somewhere (a read from the controller or a file). Stored body, schema 1: word address, then
// byte data; the valid flag is not stored and is set by a load.
class CE2Object : public CSerializable
{
public:
    static constexpr std::uint16_t kSchema = 1;
    static const CArchiveClass& ClassInfo();
    const CArchiveClass& Class() const override { return ClassInfo(); }
    void Serialize(CArchive& archive) override;

    CE2Object() = default;
    CE2Object(std::uint16_t address, std::uint8_t data) : address(address), data(data), valid(1) {}

    std::uint16_t address = 0;
    std::uint8_t data = 0;
    std::uint8_t valid = 0; // 1 once the data was read or loaded
};
