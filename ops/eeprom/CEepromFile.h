#pragma once

#include "data/CEepromImage.h"

#include <QString>

class IUserPrompt;

// Loading and saving EEPROM images with what the user is told on the way: "Cannot open
// EEPROM file" when a file does not open, and the question whether to read on when a file
// looks like text. The file formats are CEepromImage's.
namespace CEepromFile {

enum class ELoad
{
    Loaded,
    Declined, // the file looked like text and the user did not answer Yes
    Failed,   // the file could not be read or is not an image (see the file result)
};
struct SLoad
{
    ELoad result = ELoad::Loaded;
    CEepromImage::SResult file; // why it failed
};

// Loads the binary image at `path` into `image`. A file in which no byte has its top bit
// set is most likely a text dump, so the user is asked first. The image is empty unless
// Loaded.
SLoad Load(IUserPrompt& prompt, const QString& path, CEepromImage& image);
// Saves `image` at `path` in the binary form or as the text dump.
CEepromImage::SResult Save(IUserPrompt& prompt, const QString& path, const CEepromImage& image,
                           bool binary);

} // namespace CEepromFile
