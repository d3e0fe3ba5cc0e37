#include "ops/eeprom/CDFileProgrammer.h"

#include "doc/CTavrinDoc.h"
#include "doc/CTransferSession.h"
#include "doc/IUserPrompt.h"
#include "link/CControllerLink.h"
#include "ops/eeprom/CEepromBackup.h"
#include "res/StringTable.h"

#include <QDir>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <iterator>
#include <memory>

using EIcon = IUserPrompt::EIcon;
using EButtons = IUserPrompt::EButtons;
using EAnswer = IUserPrompt::EAnswer;
using T = EControllerType;

namespace {

constexpr T kItemTypes[] = {T::MiraQx90, T::MiraIso, T::Oriel, T::Tarn,
                            T::TarnPlus, T::Ivor,    T::Stoat};
// The types whose item may be enabled; the items of the Tarns and the Stoat stay disabled.
constexpr T kProgrammableTypes[] = {T::MiraQx90, T::MiraIso, T::Oriel, T::Ivor36V, T::Ivor};

template <std::size_t N> bool Among(const T (&types)[N], T type)
{
    return std::ranges::find(types, type) != std::end(types);
}

} // namespace

bool CDFileProgrammer::HasItem(EControllerType type)
{
    return Among(kItemTypes, type);
}

bool CDFileProgrammer::ItemEnabled(EControllerType type, EControllerType connected)
{
    return HasItem(type) && Among(kProgrammableTypes, type) && connected == type;
}

EControllerType CDFileProgrammer::IdentifyForMenu(CTavrinDoc& doc)
{
    EControllerType type = T::None;
    if (doc.TransferActive() || !doc.Link().IsOpen())
        return type;
    CStatusPollPause pause(doc);
    if (doc.Link().Identify(type) != EIdentifyResult::Identified)
        return T::None;
    return type;
}

bool CDFileProgrammer::UsesTextForm(EControllerType type)
{
    return type == T::Ivor || type == T::Stoat;
}

CDFileProgrammer::EResult CDFileProgrammer::Run(EControllerType type)
{
    if (!Confirm())
        return EResult::Declined;
    const QString path = m_doc.Prompt().ChooseOpenFile(QString(), FileFilter());
    if (path.isEmpty())
        return EResult::Declined;
    return Program(type, path);
}

CDFileProgrammer::EResult CDFileProgrammer::Run(EControllerType type, const QString& path)
{
    if (!Confirm())
        return EResult::Declined;
    return Program(type, path);
}

bool CDFileProgrammer::Confirm()
{
    return m_doc.Prompt().Question(LoadString(EString::DFileUntestedQuestion), EButtons::YesNo,
                                   EIcon::Exclamation) == EAnswer::Yes;
}

CDFileProgrammer::EResult CDFileProgrammer::Program(EControllerType type, const QString& path)
{
    const EResult result = UsesTextForm(type) ? ProgramText(type, path) : ProgramBinary(type, path);
    m_doc.Prompt().Message(LoadString(result == EResult::Programmed ? EString::DFileProgrammed
                                                                    : EString::DFileNotProgrammed),
                           EIcon::None);
    return result;
}

CDFileProgrammer::EResult CDFileProgrammer::ProgramBinary(EControllerType type, const QString& path)
{
    using EBinary = CDFile::EBinaryResult;
    IUserPrompt& prompt = m_doc.Prompt();
    const CDFile::SBinary binary = CDFile::LoadBinary(type, path);
    switch (binary.result) {
    case EBinary::Ok:
        break;
    case EBinary::NoLayout:
        return EResult::Refused;
    case EBinary::CannotOpen:
        prompt.Message(LoadString(EString::DFileCannotOpen), EIcon::Exclamation);
        return EResult::CannotRead;
    case EBinary::TooShort:
        prompt.Message(LoadString(EString::DFileCannotRead), EIcon::Exclamation);
        return EResult::Refused;
    case EBinary::WrongType:
        prompt.Message(LoadString(EString::DFileInvalidForType), EIcon::Exclamation);
        return EResult::Refused;
    }
    KeepCopy(binary.file);
    const EResult written = Write(type, binary.data);
    if (written == EResult::NotProgrammed)
        prompt.Message(LoadString(EString::DFileCannotProgram), EIcon::Exclamation);
    return written;
}

CDFileProgrammer::EResult CDFileProgrammer::ProgramText(EControllerType type, const QString& path)
{
    using EText = CDFile::ETextResult;
    const CDFile::SText text = CDFile::LoadText(path);
    m_textResult = text.result;
    m_failedLine = text.failedLine;
    if (text.result == EText::CannotOpen)
        return EResult::CannotRead;
    if (text.result == EText::NoComment)
        return EResult::Refused;
    // The comment comes first: it tells the user which file this is before its lines are
    // looked at.
    if (m_doc.Prompt().Question(LoadString(EString::DFileCommentQuestion).arg(text.comment),
                                EButtons::YesNo, EIcon::Question) != EAnswer::Yes)
        return EResult::Declined;
    if (text.result != EText::Ok)
        return EResult::Refused;
    const QByteArray data(reinterpret_cast<const char*>(text.buffer.data()), text.length);
    return Write(type, data);
}

CDFileProgrammer::EResult CDFileProgrammer::Write(EControllerType type, const QByteArray& data)
{
    m_backupPath.clear();
    m_backupUnanswered = false;
    CTransferSession session(m_doc, CTransferSession::ECancel::NotAllowed,
                             CTransferSession::EPollAfter::Restore);
    // The backup's reads take as long as the writes: one bar for both.
    const int count = static_cast<int>(data.size());
    std::unique_ptr<IProgress> progress = m_doc.Prompt().BeginProgress(
        CEepromBackup::ProgressTitle(LoadString(EString::DFileProgressTitle)),
        IUserPrompt::EProgressKind::Plain);
    if (progress) {
        progress->SetRange(0, 2 * count);
        progress->SetPosition(0);
        progress->Pump();
    }
    const auto follow = [&progress](int done) {
        if (progress) {
            progress->SetPosition(done);
            progress->Pump();
        }
    };
    CControllerLink& link = m_doc.Link();
    // No backup, no programming: the backup needs a controller identified as the file's type.
    // One that does not answer now is not programmed either, even should it answer the
    // write's own identification a moment later; one of another type takes no byte.
    EControllerType connected = EControllerType::None;
    const EIdentifyResult identified = link.Identify(connected);
    if (identified == EIdentifyResult::NoReply) {
        m_backupUnanswered = true;
        m_doc.Prompt().Message(LoadString(EString::DFileNotIdentified) + QLatin1Char('\n') +
                                   CEepromBackup::NothingProgrammedText(),
                               EIcon::Exclamation);
        return EResult::NoBackup;
    }
    if (identified != EIdentifyResult::Identified || connected != type)
        return EResult::NotProgrammed;
    const CEepromBackup::SResult backup = CEepromBackup::Save(link, type, count, follow);
    if (!backup.saved) {
        m_backupUnanswered = backup.unanswered;
        m_doc.Prompt().Message(backup.errorText + QLatin1Char('\n') +
                                   CEepromBackup::NothingProgrammedText(),
                               EIcon::Exclamation);
        return EResult::NoBackup;
    }
    m_backupPath = backup.path;
    const auto onByte = [&follow, count](int done) { follow(count + done); };
    const EVerifiedWriteResult written =
        link.WriteBytesVerified(type, reinterpret_cast<const std::uint8_t*>(data.constData()),
                                static_cast<std::uint16_t>(data.size()), 0, onByte);
    return written == EVerifiedWriteResult::Verified ? EResult::Programmed : EResult::NotProgrammed;
}

void CDFileProgrammer::KeepCopy(const QByteArray& file)
{
    // Only a convenience: a copy that cannot be written is no reason to stop.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return;
    QSaveFile copy(QDir(folder).filePath(QString::fromLatin1(kCopyFileName)));
    if (copy.open(QIODevice::WriteOnly) && copy.write(file) == file.size())
        copy.commit();
}
