#include "data/CEepromImage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

CEepromImage::SResult Failure(CEepromImage::EStatus status, const QString& text)
{
    return {status, text};
}

} // namespace

EControllerType CEepromImage::Controller() const
{
    return m_type > 0xFFFF ? EControllerType::None : ControllerTypeFromNumber(m_type);
}

bool CEepromImage::MatchesController(EControllerType connected) const
{
    return m_type != kNoControllerType && connected != EControllerType::None &&
           m_type == ControllerTypeNumber(connected);
}

bool CEepromImage::Append(std::uint8_t data)
{
    if (m_records.size() >= static_cast<std::size_t>(kMaxBytes))
        return false;
    m_records.push_back(
        std::make_unique<CE2Object>(static_cast<std::uint16_t>(m_records.size()), data));
    return true;
}

void CEepromImage::Clear()
{
    m_records.clear();
    m_type = kNoControllerType;
}

QByteArray CEepromImage::ToBinary() const
{
    QByteArray bytes;
    bytes.reserve(kTypeFieldSize + Count());
    for (int shift = 0; shift < 32; shift += 8)
        bytes.append(static_cast<char>((m_type >> shift) & 0xFF));
    for (const auto& record : m_records)
        bytes.append(static_cast<char>(record->data));
    return bytes;
}

QByteArray CEepromImage::ToText(const QString& fullPath) const
{
    QByteArray text = QFile::encodeName(fullPath) + '\n';
    int number = 0;
    for (const auto& record : m_records)
        text += QString::asprintf("ADDR %03d DATA %03d\n", number++, record->data).toLatin1();
    return text;
}

CEepromImage::SResult CEepromImage::Load(const QByteArray& contents)
{
    Clear();
    if (contents.size() < kTypeFieldSize) {
        return Failure(EStatus::TooShort,
                       QStringLiteral("the file is shorter than its 4-byte controller type"));
    }
    if (contents.size() - kTypeFieldSize > kMaxBytes) {
        return Failure(EStatus::TooLarge,
                       QStringLiteral("the file holds more than %1 EEPROM bytes").arg(kMaxBytes));
    }
    std::uint32_t type = 0;
    for (int i = 0; i < kTypeFieldSize; ++i)
        type |= std::uint32_t(static_cast<std::uint8_t>(contents[i])) << (8 * i);
    m_records.reserve(static_cast<std::size_t>(contents.size() - kTypeFieldSize));
    for (qsizetype i = kTypeFieldSize; i < contents.size(); ++i)
        Append(static_cast<std::uint8_t>(contents[i]));
    m_type = type;
    return {};
}

bool CEepromImage::LooksLikeText(const QByteArray& contents)
{
    for (const char byte : contents) {
        if (static_cast<std::uint8_t>(byte) & 0x80)
            return false;
    }
    return true;
}

CEepromImage::SResult CEepromImage::ReadFile(const QString& path, QByteArray& contents)
{
    contents.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Failure(EStatus::OpenFailed, file.errorString());
    // One byte more than an image can hold is enough to tell that a file is too large.
    contents = file.read(kTypeFieldSize + kMaxBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        contents.clear();
        return Failure(EStatus::ReadFailed, file.errorString());
    }
    return {};
}

CEepromImage::SResult CEepromImage::LoadFile(const QString& path)
{
    Clear();
    QByteArray contents;
    const SResult read = ReadFile(path, contents);
    return read.Ok() ? Load(contents) : read;
}

CEepromImage::SResult CEepromImage::SaveFile(const QString& path, bool binary) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return Failure(EStatus::OpenFailed, file.errorString());
    const QByteArray bytes =
        binary ? ToBinary() : ToText(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
    if (file.write(bytes) != bytes.size() || !file.commit())
        return Failure(EStatus::WriteFailed, file.errorString());
    return {};
}

QString CEepromImage::ListLine(const CE2Object& record)
{
    return QString::asprintf("%04d:   %.3d   0x%.02X", record.address, record.data, record.data);
}
