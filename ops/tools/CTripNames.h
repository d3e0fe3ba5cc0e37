#pragma once

#include <QString>

#include <cstdint>
#include <optional>

class CTagFile;

// Names of the controller's trip codes, from the text list of the loaded tag file: the first
// text of the first text record under the code.
class CTripNames
{
public:
    // The trip name of `code`; nullopt when the tag file has no text record for it.
    static std::optional<QString> Find(const CTagFile& tags, std::uint16_t code);
};
