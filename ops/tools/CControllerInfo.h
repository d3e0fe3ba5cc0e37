#pragma once

#include "link/EControllerType.h"

#include <QString>

#include <cstdint>

class CControllerLink;
class CTagFile;
class CTavrinDoc;

// Controller information: one text summing up the connected controller's identity,
// versions, battery, program checksum and current trip, built from a fixed series of reads.
//
// Build() only exchanges packets and words the text; Show() is the menu command around it,
// which keeps the status poll away from the exchanges and shows the text to the user.
class CControllerInfo
{
public:
    // Raw battery reading counts per volt.
    static constexpr double kBatteryCountsPerVolt = 5.464;
    static constexpr const char* kCaption = "Controller information";

    CControllerInfo(CControllerLink& link, const CTagFile& tags) : m_link(link), m_tags(tags) {}

    // Identifies the controller and reads what it tells about itself; returns the text.
    // "Comms lost" when the trip code cannot be read. Shows nothing, leaves the poll alone.
    QString Build();
    // The controller type the identification at the start of Build() found.
    EControllerType IdentifiedType() const { return m_type; }

    // What tells one unit from another of its type: versions as "MAJOR.MINOR" (the firmware
    // byte of the status reply for types that give no firmware version) and the program
    // checksum in hexadecimal, each empty when the controller does not give it.
    struct SUnitIdentity
    {
        QString hardware;
        QString firmware;
        QString checksum;
    };
    // Reads them from a controller already identified as `type`, without identifying again.
    SUnitIdentity ReadUnitIdentity(EControllerType type);

    // The menu command: stops the status poll, builds the text, takes the identified type
    // into the document, restarts the poll and shows the text in an information message
    // captioned "Controller information". Returns the text shown.
    static QString Show(CTavrinDoc& doc);

private:
    // The program checksum of a controller of `type`; false when it keeps none or is silent.
    bool ReadProgramChecksum(EControllerType type, int& checksum);
    static bool HasFirmwareStatus(EControllerType type);

    CControllerLink& m_link;
    const CTagFile& m_tags;
    EControllerType m_type = EControllerType::None;
};
