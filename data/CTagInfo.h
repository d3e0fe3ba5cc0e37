#pragma once

#include "data/CSerializable.h"
#include "link/EControllerType.h"

#include <QByteArray>

#include <array>
#include <cstdint>

// One parameter of the tag file: what tag number N means on the controller types of its mask.
// Texts are Windows-1252 bytes (see CCodePage). Stored body, 32 fixed bytes then 3 strings:
//   word privilege, word tag, word spare 1, word units code, word group,
//   7 words presentation words 1..7, word display word, dword controller mask,
//   word spare 2, string name, string information text, string help topic.
class CTagInfo : public CSerializable
{
public:
    static constexpr std::uint16_t kSchema = 0x0200;
    static constexpr std::uint16_t kNoControllerType = ControllerTypeNumber(EControllerType::None);
    static const CArchiveClass& ClassInfo();
    const CArchiveClass& Class() const override { return ClassInfo(); }
    void Serialize(CArchive& archive) override;

    // Type 0xFFFF (none identified): every tag applies. Otherwise bit (type mod 32) of the
    // controller mask.
    bool AppliesToType(std::uint32_t controllerType) const;
    bool AppliesToType(EControllerType type) const
    {
        return AppliesToType(ControllerTypeNumber(type));
    }
    // Bits 1..7 of the display word.
    int PresentationCode() const { return (displayWord & 0x00FE) >> 1; }
    // Replaces bits 1..7 with the low seven bits of `code`; bit 0 and bits 8..15 are kept.
    void SetPresentationCode(int code);
    // The help topic is empty or the text "No Help Available " (trailing blank).
    bool HasHelp() const;

    std::uint16_t privilege = 0;
    std::uint16_t tag = 0;
    std::uint16_t spare1 = 0;
    std::uint16_t unitsCode = 0;
    std::uint16_t group = 0;
    std::array<std::uint16_t, 7> presentationWords{}; // presentation words 1..7, carried
    std::uint16_t displayWord = 0;                    // presentation word 8
    std::uint32_t controllerMask = 0;
    std::uint16_t spare2 = 0;
    QByteArray name;
    QByteArray information;
    QByteArray help;
};
