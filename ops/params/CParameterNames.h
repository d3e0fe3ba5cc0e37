#pragma once

#include "link/EControllerType.h"

#include <QString>

#include <cstdint>
#include <vector>

class CTagFile;

// Parameters named on a command line, among the tags that apply to one controller type: a
// tag number (decimal or 0x-prefixed), a tag's exact tag-file name, or an unambiguous
// case-insensitive prefix of one. Scripts name parameters the way users read them in the
// list, so "max rev" finds "Max Reverse Speed" while "max" is refused with the candidates.
class CParameterNames
{
public:
    CParameterNames(const CTagFile& tags, EControllerType type);

    // The tags `item` names: one, or several when the tag file gives the same exact name to
    // more than one tag. Empty, with `error` saying why (naming the candidates when the
    // prefix is ambiguous), when it names none or is ambiguous.
    std::vector<std::uint16_t> Resolve(const QString& item, QString& error) const;

private:
    struct SNamed
    {
        std::uint16_t tag;
        QString name;
    };
    std::vector<SNamed> m_applying;
    EControllerType m_type;
};
