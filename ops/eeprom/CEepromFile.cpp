#include "ops/eeprom/CEepromFile.h"

#include "doc/IUserPrompt.h"
#include "res/StringTable.h"

namespace {

void CannotOpen(IUserPrompt& prompt)
{
    prompt.Message(LoadString(EString::CannotOpenEepromFile), IUserPrompt::EIcon::Exclamation);
}

} // namespace

CEepromFile::SLoad CEepromFile::Load(IUserPrompt& prompt, const QString& path, CEepromImage& image)
{
    image.Clear();
    QByteArray contents;
    SLoad outcome;
    outcome.file = CEepromImage::ReadFile(path, contents);
    if (outcome.file.status == CEepromImage::EStatus::OpenFailed)
        CannotOpen(prompt);
    // A file of the wrong size is refused before anyone is asked about its contents.
    if (outcome.file.Ok())
        outcome.file = image.Load(contents);
    if (!outcome.file.Ok()) {
        outcome.result = ELoad::Failed;
        return outcome;
    }
    if (CEepromImage::LooksLikeText(contents) &&
        prompt.Question(LoadString(EString::EepromFileLooksLikeText), IUserPrompt::EButtons::YesNo,
                        IUserPrompt::EIcon::Exclamation) != IUserPrompt::EAnswer::Yes) {
        image.Clear();
        outcome.result = ELoad::Declined;
    }
    return outcome;
}

CEepromImage::SResult CEepromFile::Save(IUserPrompt& prompt, const QString& path,
                                        const CEepromImage& image, bool binary)
{
    const CEepromImage::SResult saved = image.SaveFile(path, binary);
    if (saved.status == CEepromImage::EStatus::OpenFailed)
        CannotOpen(prompt);
    return saved;
}
