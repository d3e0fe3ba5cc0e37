#include "data/CTagFile.h"

#include "data/CArchive.h"
#include "data/CErrorText.h"
#include "res/StringTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <bit>
#include <limits>

namespace {

QString OpenErrorText(const QString& path)
{
    const QFileInfo info(path);
    EString id = EString::FileReadError;
    if (!info.exists())
        id = EString::FileNotFound;
    else if (info.isDir() || !info.isReadable())
        id = EString::FileAccessDenied;
    return LoadString(id).arg(info.fileName()) + QStringLiteral(" - ") + path;
}

CTagLoadResult NotATagFile(const QString& name, const char* why)
{
    CTagLoadResult result;
    result.status = CTagLoadResult::EStatus::NotATagFile;
    result.message = LoadString(EString::TagFileNotLoaded).arg(name, QString::fromLatin1(why));
    return result;
}

} // namespace

const CArchiveClassTable& CTagFile::Classes()
{
    static const CArchiveClassTable table{&CTagInfo::ClassInfo(), &CTextObject::ClassInfo(),
                                          &CErrorText::ClassInfo()};
    return table;
}

void CTagFile::Clear()
{
    m_tags.clear();
    m_texts.clear();
    m_tagCount = 0;
    m_path.clear();
    m_fileTime = QDateTime();
    m_tagIndex.clear();
    m_textIndex.clear();
}

void CTagFile::SetContents(std::uint16_t tagCount, TagList tags, TextList texts)
{
    Clear();
    m_tagCount = tagCount;
    m_tags = std::move(tags);
    m_texts = std::move(texts);
    BuildIndex();
}

CTagLoadResult CTagFile::LoadTagFile(const QString& path)
{
    Clear();
    CTagLoadResult result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.status = CTagLoadResult::EStatus::CannotOpen;
        result.message = OpenErrorText(path);
        return result;
    }

    result = Load(&file, path);
    if (!result.Ok())
        return result;
    m_path = path;
    m_fileTime = QFileInfo(file).lastModified();
    return result;
}

CTagLoadResult CTagFile::Load(QIODevice* device, const QString& name)
{
    Clear();
    CTagLoadResult result;
    TagList tags;
    TextList texts;
    std::uint16_t tagCount = 0;
    try {
        CArchive archive(device, CArchive::EMode::Load, &Classes());
        tagCount = archive.ReadWord();
        archive.ReadObjectList(tags);
        archive.ReadWord(); // not used
        archive.ReadObjectList(texts);
        if (!archive.AtEnd())
            return NotATagFile(name, "bytes after the end of the text list");
        archive.Close();
    } catch (const CArchiveException& error) {
        // Records read before the fault are dropped with `tags` and `texts`.
        result.status = CTagLoadResult::EStatus::Malformed;
        result.cause = error.Cause();
        result.message =
            LoadString(EString::TagFileNotLoaded)
                .arg(name, QString::fromLatin1(CArchiveException::CauseText(error.Cause())));
        return result;
    }
    // An empty tag list would leave every record of a set without a name.
    if (tags.empty())
        return NotATagFile(name, "no tags");
    SetContents(tagCount, std::move(tags), std::move(texts));
    return result;
}

void CTagFile::Store(QIODevice* device) const
{
    CArchive archive(device, CArchive::EMode::Store);
    archive.WriteWord(m_tagCount);
    archive.WriteObjectList(m_tags);
    archive.WriteWord(0);
    archive.WriteObjectList(m_texts);
    archive.Close();
}

bool CTagFile::SaveTagFile(const QString& path, QString* error) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    try {
        Store(&file);
    } catch (const CArchiveException& failure) {
        file.cancelWriting();
        if (error)
            *error = QString::fromLatin1(failure.what());
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

void CTagFile::BuildIndex()
{
    m_tagIndex.clear();
    m_textIndex.clear();
    m_tagIndex.reserve(static_cast<qsizetype>(m_tags.size()));
    m_textIndex.reserve(static_cast<qsizetype>(m_texts.size()));
    TypeSlots empty;
    empty.fill(-1);
    for (std::size_t i = 0; i < m_tags.size(); ++i) {
        const CTagInfo& tag = *m_tags[i];
        auto it = m_tagIndex.find(tag.tag);
        if (it == m_tagIndex.end())
            it = m_tagIndex.insert(tag.tag, empty);
        TypeSlots& firsts = it.value();
        const auto index = static_cast<std::int32_t>(i);
        // Only the first tag of each number and type is ever the answer.
        if (firsts[kAnyTypeSlot] < 0)
            firsts[kAnyTypeSlot] = index;
        for (std::uint32_t mask = tag.controllerMask; mask != 0; mask &= mask - 1) {
            const int bit = std::countr_zero(mask);
            if (firsts[static_cast<std::size_t>(bit)] < 0)
                firsts[static_cast<std::size_t>(bit)] = index;
        }
    }
    for (std::size_t i = 0; i < m_texts.size(); ++i) {
        if (!m_textIndex.contains(m_texts[i]->code))
            m_textIndex.insert(m_texts[i]->code, static_cast<std::int32_t>(i));
    }
}

const CTagInfo* CTagFile::FindTag(std::uint16_t tag, std::uint32_t dataControllerType) const
{
    const auto it = m_tagIndex.constFind(tag);
    if (it == m_tagIndex.constEnd())
        return nullptr;
    const std::size_t slot = dataControllerType == CTagInfo::kNoControllerType
                                 ? kAnyTypeSlot
                                 : dataControllerType % kControllerTypeCount;
    const std::int32_t index = it.value()[slot];
    return index < 0 ? nullptr : m_tags[static_cast<std::size_t>(index)].get();
}

CTagInfo* CTagFile::FindTag(std::uint16_t tag, std::uint32_t dataControllerType)
{
    return const_cast<CTagInfo*>(std::as_const(*this).FindTag(tag, dataControllerType));
}

const CTextObject* CTagFile::FindText(std::uint16_t code) const
{
    const auto it = m_textIndex.constFind(code);
    return it == m_textIndex.constEnd() ? nullptr
                                        : m_texts[static_cast<std::size_t>(it.value())].get();
}

std::uint64_t CTagFile::TagFileNumber(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return 0;
    qsizetype start = dot;
    while (start > 0 && fileName[start - 1] >= QLatin1Char('0') &&
           fileName[start - 1] <= QLatin1Char('9'))
        --start;
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t number = 0;
    for (qsizetype i = start; i < dot; ++i) {
        const std::uint64_t digit = fileName[i].unicode() - u'0';
        number = number > (kMax - digit) / 10 ? kMax : number * 10 + digit;
    }
    return number;
}

QString CTagFile::ChooseNewest(const QStringList& names)
{
    QString chosen;
    std::uint64_t best = 0;
    for (const QString& name : names) {
        const std::uint64_t number = TagFileNumber(name);
        if (chosen.isEmpty() || number > best) {
            chosen = name;
            best = number;
        }
    }
    return chosen;
}

bool CTagFile::FindNewestTagFile(const QString& directory, const QString& pattern, QString& path)
{
    QString dir = directory;
    dir.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (dir.endsWith(QLatin1Char('/')))
        dir.chop(1);
    // Unsorted: the order the file system returns, which decides among equal numbers.
    // Matching ignores case, as the file systems the tag files come from do.
    const QStringList names =
        QDir(dir.isEmpty() ? QStringLiteral("/") : dir)
            .entryList(QStringList{pattern}, QDir::Files | QDir::Hidden | QDir::System,
                       QDir::Unsorted);
    const QString chosen = ChooseNewest(names);
    if (chosen.isEmpty())
        return false;
    path = QDir::toNativeSeparators(dir + QLatin1Char('/') + chosen);
    return true;
}
