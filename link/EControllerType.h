#pragma once

#include <cstddef>
#include <cstdint>

// The controller types: the index into the controller type table (names in
// CControllerLink::ControllerTypeName). Identification produces 0..18, 30 and 31; the
// others arrive only as stored data, such as a profile's data controller type. A type of
// 32 or more names no known controller.
//
// Where a type is data (a profile field, the bit index of a tag's controller mask) it stays
// a number and becomes an EControllerType where the code asks what kind of controller it is.
enum class EControllerType : std::uint16_t
{
    Kv8 = 0,
    Arvo = 1,
    ServoArvo = 2,
    Kt40 = 3,
    ArvoPlus = 4,
    MiraQx90 = 5, // the older family, without the identification tag
    MiraIso = 6,  // the older family's ISO variant
    Kv10 = 7,
    Oriel = 8,
    Tarn = 9,
    TarnPlus = 10, // a Tarn that keeps the system log
    Brenna = 11,
    Corvo120 = 12, // answers more slowly than the others
    Corvo120Test = 13,
    Stoat = 14, // the base model of the Stoat family; its sub-type code names the variants
    Q25Q30 = 15,
    Vanta = 16,
    Rondo = 17,
    Pallas = 18,
    CorinC3 = 19,
    Unassigned20 = 20,
    Unassigned21 = 21,
    Unassigned22 = 22,
    Unassigned23 = 23,
    Unassigned24 = 24,
    Unassigned25 = 25,
    Unassigned26 = 26,
    Unassigned27 = 27,
    Unassigned28 = 28,
    Unassigned29 = 29,
    Ivor36V = 30, // Stoat variant (sub-type 3 or 5)
    Ivor = 31,    // Stoat variant (sub-type 2)

    None = 0xFFFF, // no controller identified; every tag applies
};

// Entries of the controller type table, and bits of a tag's controller mask.
inline constexpr std::size_t kControllerTypeCount = 32;

// The type a stored number names; numbers outside the table are kept as they are.
constexpr EControllerType ControllerTypeFromNumber(std::uint32_t number)
{
    return static_cast<EControllerType>(number);
}

// The number a type is stored as (in a profile, or as a controller mask's bit index).
constexpr std::uint16_t ControllerTypeNumber(EControllerType type)
{
    return static_cast<std::uint16_t>(type);
}

// The Tarn and the Tarn+, which share the program checksum word and their option texts.
constexpr bool IsTarnFamily(EControllerType type)
{
    return type == EControllerType::Tarn || type == EControllerType::TarnPlus;
}

// The Stoat's variants, which identification tells apart by their sub-type code. They share
// option texts and edit templates that the base model lacks.
constexpr bool IsStoatVariant(EControllerType type)
{
    return type == EControllerType::Ivor36V || type == EControllerType::Ivor;
}

// The Stoat base model and its variants.
constexpr bool IsStoatFamily(EControllerType type)
{
    return type == EControllerType::Stoat || IsStoatVariant(type);
}
