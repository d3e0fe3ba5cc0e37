#pragma once

#include "data/CArchiveClassTable.h"
#include "data/CArchiveException.h"
#include "data/CTagInfo.h"
#include "data/CTextObject.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QIODevice;

// Outcome of loading a tag file. `message` is the user-visible text, naming the file and
// the cause; the caller shows it (stop icon) or prints it.
struct CTagLoadResult
{
    enum class EStatus
    {
        Ok,
        CannotOpen,
        Malformed,  // the archive failed (`cause` says how)
        NotATagFile // a whole archive, but no tag file: no tag, or bytes after its end
    };

    EStatus status = EStatus::Ok;
    std::optional<EArchiveError> cause; // Malformed only: what the archive reported
    QString message;                    // empty on success

    bool Ok() const { return status == EStatus::Ok; }
};

// The tag list and text list of one tag file, with the file's tag count, path and time.
// The document owns one; every other part looks tags and texts up through it.
//
// Tag file layout (one archive): word tag count (only a progress-bar bound), counted object
// list of CTagInfo, one word read and not used, counted object list of CTextObject or
// CErrorText.
//
// Lookups go through hash indexes built at load time, so FindTag and FindText take constant
// time while answering exactly as a front-to-back scan of the list would.
class CTagFile
{
public:
    using TagList = std::vector<std::unique_ptr<CTagInfo>>;
    using TextList = std::vector<std::unique_ptr<CTextObject>>;

    static constexpr const char* kPattern = "TagList*.tag";
    // The classes a tag file may name: CTagInfo, CTextObject, CErrorText.
    static const CArchiveClassTable& Classes();

    // Replaces both lists with the file's contents. All or nothing: on any failure both lists
    // and the path are empty and the file time is invalid.
    CTagLoadResult LoadTagFile(const QString& path);
    // Replaces both lists with what an open device holds, all or nothing; path and time are
    // cleared. `name` goes into the failure message. A file with no tag, or with bytes after
    // its text list, is refused (NotATagFile): every real tag file has tags and ends there.
    CTagLoadResult Load(QIODevice* device, const QString& name);
    // Writes the lists in the tag file layout to an open device. Throws CArchiveException.
    void Store(QIODevice* device) const;
    // Writes the lists to `path` through QSaveFile (the old file survives a failed write).
    bool SaveTagFile(const QString& path, QString* error = nullptr) const;

    // Takes new contents (for building a file); path and time are cleared.
    void SetContents(std::uint16_t tagCount, TagList tags, TextList texts);
    void Clear();

    // First tag, in file order, with this number that applies to the data controller type
    // (0xFFFF: none identified, every tag applies); nullptr when there is none.
    const CTagInfo* FindTag(std::uint16_t tag, std::uint32_t dataControllerType) const;
    // The same tag, to change its presentation code (SetPresentationCode) until the next
    // load. Tag numbers and masks must not be changed through it.
    CTagInfo* FindTag(std::uint16_t tag, std::uint32_t dataControllerType);
    const CTagInfo* FindTag(std::uint16_t tag, EControllerType type) const
    {
        return FindTag(tag, ControllerTypeNumber(type));
    }
    CTagInfo* FindTag(std::uint16_t tag, EControllerType type)
    {
        return FindTag(tag, ControllerTypeNumber(type));
    }
    // First text record, in file order, with this code; nullptr when there is none.
    const CTextObject* FindText(std::uint16_t code) const;

    const TagList& Tags() const { return m_tags; }
    const TextList& Texts() const { return m_texts; }
    std::uint16_t TagCount() const { return m_tagCount; }
    // Full path of the loaded file; empty when none is loaded.
    const QString& Path() const { return m_path; }
    // Last modification time of the loaded file; invalid when loading failed.
    const QDateTime& FileTime() const { return m_fileTime; }

    // Finds the newest file matching `pattern` (e.g. "TagList*.tag") in `directory`: the one
    // with the greatest number before the extension, the first in directory order among
    // equals. `path` receives directory + separator + name (native separators). False when
    // nothing matches. The directory may end in a separator and may use "\" or "/".
    static bool FindNewestTagFile(const QString& directory, const QString& pattern, QString& path);
    // The choice itself, over names in the order the file system returned them; empty when
    // `names` is empty.
    static QString ChooseNewest(const QStringList& names);
    // The number of a file name: the run of decimal digits right before the last ".";
    // 0 without a "." or without digits there. Saturates rather than overflowing.
    static std::uint64_t TagFileNumber(const QString& fileName);

private:
    static constexpr std::size_t kAnyTypeSlot = kControllerTypeCount;
    // List index per type bit, then "any".
    using TypeSlots = std::array<std::int32_t, kControllerTypeCount + 1>;

    void BuildIndex();

    TagList m_tags;
    TextList m_texts;
    std::uint16_t m_tagCount = 0;
    QString m_path;
    QDateTime m_fileTime;
    QHash<std::uint16_t, TypeSlots> m_tagIndex;
    QHash<std::uint16_t, std::int32_t> m_textIndex;
};
