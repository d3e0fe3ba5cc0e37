#include "data/CParameterSet.h"
#include "data/CParameterText.h"

#include "data/CArchive.h"
#include "res/StringTable.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <bitset>

namespace {

using Result = CParameterSet::Result;
using EStatus = CParameterSet::EStatus;

Result Failure(EStatus status, const QString& text)
{
    Result result;
    result.status = status;
    result.errorText = text;
    return result;
}

// `endOfFileText` says where the file ended; other causes cannot arise from the fixed-width
// reads of a profile, and keep the archive's own phrase.
Result ArchiveFailure(const CArchiveException& error, const QString& endOfFileText = QString())
{
    Result result = Failure(EStatus::ArchiveError,
                            error.Cause() == EArchiveError::EndOfFile && !endOfFileText.isEmpty()
                                ? endOfFileText
                                : QString::fromLatin1(error.what()));
    result.archiveCause = error.Cause();
    return result;
}

} // namespace

CParameter* CParameterSet::Append(std::unique_ptr<CParameter> parameter)
{
    m_parameters.push_back(std::move(parameter));
    return m_parameters.back().get();
}

void CParameterSet::Clear()
{
    m_parameters.clear();
    m_empty = true;
}

void CParameterSet::Reset()
{
    Clear();
    m_headerWord = kReadHeaderWord;
    m_dataControllerType = kNoControllerType;
}

CParameter* CParameterSet::FindParameter(quint16 tagNumber) const
{
    for (const auto& parameter : m_parameters)
        if (parameter->tagNumber == tagNumber)
            return parameter.get();
    return nullptr;
}

int CParameterSet::RemoveDuplicateTags()
{
    std::bitset<65536> seen;
    const auto before = m_parameters.size();
    std::erase_if(m_parameters, [&seen](const std::unique_ptr<CParameter>& parameter) {
        if (seen.test(parameter->tagNumber))
            return true;
        seen.set(parameter->tagNumber);
        return false;
    });
    return int(before - m_parameters.size());
}

void CParameterSet::Store(CArchive& archive) const
{
    archive.WriteWord(m_headerWord);
    archive.WriteInt32(qint32(m_parameters.size()));
    archive.WriteWord(m_dataControllerType);
    for (const auto& parameter : m_parameters)
        parameter->Serialize(archive);
}

CParameterSet::Result CParameterSet::Load(CArchive& archive)
{
    Reset();
    Result result;
    List loaded;
    quint16 headerWord = 0;
    quint16 type = 0;
    qint32 count = 0;
    try {
        headerWord = archive.ReadWord();
        count = archive.ReadInt32();
        type = archive.ReadWord();
    } catch (const CArchiveException& error) {
        return ArchiveFailure(error, LoadString(EString::ProfileTooShort));
    }
    if (count < 0)
        return Failure(EStatus::NotAProfile, LoadString(EString::ProfileNegativeCount));
    if (count > 0 && headerWord != kReadHeaderWord) {
        return Failure(EStatus::NotAProfile,
                       LoadString(EString::ProfileForeignHeader)
                           .arg(QStringLiteral("0x%1").arg(HexWord(headerWord, EHexCase::Lower))));
    }

    try {
        // The count is only what the file claims: a huge one runs into the end of the file.
        // Records are allocated only as their bytes arrive.
        for (qint32 i = 0; i < count; ++i) {
            auto parameter = std::make_unique<CParameter>();
            parameter->Serialize(archive);
            const quint32 stored = parameter->recordChecksum;
            parameter->recordChecksum = parameter->ComputeChecksum();
            if (!CParameter::IsChecksumAccepted(stored, parameter->recordChecksum)) {
                result = Failure(EStatus::BadChecksum, LoadString(EString::BadProfileChecksum));
                result.refusedRecord = i;
                break;
            }
            loaded.push_back(std::move(parameter));
        }
        // After a refused record the rest is not read, so only a whole load can tell.
        if (result.Ok() && !archive.AtEnd())
            return Failure(EStatus::NotAProfile,
                           LoadString(EString::ProfileTrailingBytes).arg(count));
    } catch (const CArchiveException& error) {
        return ArchiveFailure(error, LoadString(EString::ProfileTruncated));
    }

    m_headerWord = headerWord;
    m_dataControllerType = type;
    m_parameters = std::move(loaded);
    result.duplicatesRemoved = RemoveDuplicateTags();
    m_empty = false;
    return result;
}

CParameterSet::Result CParameterSet::Store(QIODevice& device) const
{
    try {
        CArchive archive(&device, CArchive::EMode::Store);
        Store(archive);
        archive.Close();
    } catch (const CArchiveException& error) {
        Result result = ArchiveFailure(error);
        result.status = EStatus::WriteFailed;
        if (!device.errorString().isEmpty())
            result.errorText = device.errorString();
        return result;
    }
    return {};
}

CParameterSet::Result CParameterSet::Load(QIODevice& device)
{
    CArchive archive(&device, CArchive::EMode::Load);
    return Load(archive);
}

CParameterSet::Result CParameterSet::SaveFile(const QString& path) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return Failure(EStatus::OpenFailed, file.errorString());
    Result result = Store(static_cast<QIODevice&>(file));
    if (!result.Ok()) {
        file.cancelWriting();
        return result;
    }
    if (!file.commit())
        return Failure(EStatus::WriteFailed, file.errorString());
    return result;
}

CParameterSet::Result CParameterSet::LoadFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Reset();
        const QFileInfo info(path);
        if (!info.exists())
            return Failure(EStatus::OpenFailed, LoadString(EString::ProfileNoSuchFile));
        if (info.isDir())
            return Failure(EStatus::OpenFailed, LoadString(EString::ProfileIsFolder));
        if (!info.isReadable())
            return Failure(EStatus::OpenFailed, LoadString(EString::ProfileAccessDenied));
        return Failure(EStatus::OpenFailed,
                       LoadString(EString::ProfileReadError).arg(file.errorString()));
    }
    return Load(static_cast<QIODevice&>(file));
}
