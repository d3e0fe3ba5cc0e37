#include "res/StringTable.h"

#include <QHash>

namespace {

// Every user-visible text of the application, by number. Texts are Windows-1252 in the
// stored files; the table is written in UTF-8 source and held as QString.
const QHash<int, QString>& Table()
{
    static const QHash<int, QString> table = [] {
        const std::pair<int, const char*> entries[] = {
        {54, "Status returned when not expected"},
        {55, "Comms lost"},
        {56, "Ok"},
        {60, "Parameter not supported on this controller"},
        {63, "Controller is NOT updated"},
        {69, "The displayed parameters match those in the controller"},
        {70, "The displayed parameters don't match those in the controller"},
        {77, "Zero the tilt sensor?"},
        {78, "Tilt sensor has been zeroed."},
        {80, "Tilt sensor has NOT been zeroed."},
        {82, "Cannot update the controller as data was initially from a different controller type."},
        {88, "2.2.19"},
        {90, "EEPROM read was aborted (most probably due to a communications failure)."},
        {91, "EEPROM has been updated, please reset the controller."},
        {93, "Uploading"},
        {96, "Downloading"},
        {98, "EEPROM write was aborted, either through communications failure for data is not for that controller. It is possible that the controllers EEPROM is corrupted now."},
        {99, "Unable to save to file."},
        {100, "Unable to read EEPROM file."},
        {114, "%02d/%02d/%04d %02d:%02d"},
        {115, "Momentary"},
        {116, "Permanent"},
        {123, "Incorrect checksum in the PRF file"},
        {130, "This log is not supported by this controller type."},
        {133, "Unsupported controller"},
        {138, "WARNING: Are you sure you wish to program the EEPROM with this data - this may prevent the controller from working?"},
        {163, "Cleared"},
        {170, "Cannot proceed as no tag file is available"},
        {174, "Clear"},
        {176, "Controller ID: "},
        {177, "No information"},
        {178, "Trip type: %s\n"},
        {179, "Trip code: 0x%04X\n"},
        {180, "Checksum: 0x%04X\n"},
        {181, "HW: %d.%d\n"},
        {182, "FW: %d.%d\n"},
        {183, "FW: %d.%d\n"},
        {184, "FW: %d"},
        {185, "Battery: %2.1fV\n"},
        {186, "Incompatible controller"},
        {188, "Could not clear diagnostic log."},
        {190, "Trip name not found"},
        {192, "System log is empty"},
        {193, "0x%04X   %3d    %s."},
        {194, "CODE    COUNT   TRIP"},
        {195, "Waiting for connection"},
        {196, "Data is from %s controller.\nConnected controller is %s.\nCannot upload the data."},
        {198, "Cannot open ADC initialisation file"},
        {202, "Controller download to programmer was aborted."},
        {203, "Cannot locate the tag file either because it is missing or the tag directory file is incorrectly specified."},
        {204, "Control log is empty."},
        {205, "Reading data from controller"},
        {206, "Bad connection"},
        {208, "Communication error"},
        {209, "Do you wish to set the EEPROM values to default values. WARNING This will reset all the controller parameters to default values and invalidate the warranty."},
        {211, "Resetting the EEPROM has failed. Do you wish to retry?"},
        {213, "EEPROM reset to defaults."},
        {214, "Resetting EEPROM to defaults was cancelled."},
        {235, "Unable to check available COM ports.\nPlease pass the following information to KLVM to resolve the problem."},
        {237, "Tag file has been updated to %s"},
        {238, "Could not connect to the update site."},
        {239, "Unable to download file"},
        {241, "No newer version is available - you have the latest version."},
        {258, "Program"},
        {259, "Programmable Ontime updated correctly"},
        {260, "Programmable Ontime NOT updated correctly"},
        {261, "Programmable Times"},
        {265, "Programmable times have a maximum limited of 2550 hrs. The entered time is larger than this and will be changed to 2550."},
        {266, "Programmable times cannot be negative."},
        {1302, "Cannot load the ADC channel data. Option to view ADC channels will not be available."},
        {57344, "Tavrin"},
        {57345, "Ready"},
        {57638, "Program Not Equal."},
        // File errors: %1 the file name, %2 the cause.
        {61704, "%1 was not found."},
        {61705, "Access to %1 was denied."},
        {61706, "An unexpected error occurred while reading %1."},
        {61720, "The tag file %1 could not be loaded: %2."},
        };
        QHash<int, QString> t;
        for (const auto& [id, text] : entries)
            t.insert(id, QString::fromUtf8(text));
        return t;
    }();
    return table;
}

} // namespace

QString LoadString(int id)
{
    return Table().value(id);
}

bool HasString(int id)
{
    return Table().contains(id);
}
