#pragma once

#include "data/CArchiveException.h"
#include "data/CParameter.h"
#include "link/EControllerType.h"

#include <QString>
#include <QtGlobal>

#include <memory>
#include <vector>

class CArchive;
class QIODevice;

// A controller's parameter set and its profile file (*.prf): the header word, the data
// controller type, the owned parameter records and the empty flag. The document owns one;
// the read flow fills it from a controller, Load and LoadFile from a profile.
//
// Profile layout (little-endian, no class records): word header, int32 record count N, word
// data controller type, then N records of 28 bytes (CParameter::Serialize).
class CParameterSet
{
public:
    static constexpr quint16 kReadHeaderWord = 0x0101; // header word after a read
    static constexpr quint16 kNoControllerType = ControllerTypeNumber(EControllerType::None);
    static constexpr int kHeaderSize = 8;

    enum class EStatus
    {
        Ok,
        BadChecksum,  // a record's checksum was refused; the records before it were kept
        ArchiveError, // malformed or truncated file (archiveCause); nothing was kept
        NotAProfile,  // plainly not a profile (see Load); nothing was kept
        OpenFailed,   // the file could not be opened (errorText from the file system)
        WriteFailed,  // the file could not be written; an existing file is left untouched
    };

    struct Result
    {
        EStatus status = EStatus::Ok;
        EArchiveError archiveCause = EArchiveError::Generic; // for ArchiveError
        int refusedRecord = -1;    // BadChecksum: index of the refused record in the file
        int duplicatesRemoved = 0; // load: records dropped by RemoveDuplicateTags
        // Empty for Ok; otherwise what is wrong, in words, without the file name (e.g. "the
        // file ends early (before its last parameter)"), or string 123 for BadChecksum.
        QString errorText;

        bool Ok() const { return status == EStatus::Ok; }
    };

    using List = std::vector<std::unique_ptr<CParameter>>;

    CParameterSet() = default;
    CParameterSet(const CParameterSet&) = delete;
    CParameterSet& operator=(const CParameterSet&) = delete;
    // Moving hands over the records (the document takes a set once it loaded whole).
    CParameterSet(CParameterSet&&) = default;
    CParameterSet& operator=(CParameterSet&&) = default;

    quint16 HeaderWord() const { return m_headerWord; }
    void SetHeaderWord(quint16 word) { m_headerWord = word; }
    quint16 DataControllerType() const { return m_dataControllerType; }
    void SetDataControllerType(quint16 type) { m_dataControllerType = type; }
    // True after the list was emptied, false after a read or a load.
    bool IsEmpty() const { return m_empty; }
    void SetEmpty(bool empty) { m_empty = empty; }

    // The record count is always the number of records held.
    int RecordCount() const { return int(m_parameters.size()); }
    const List& Parameters() const { return m_parameters; }
    // Takes ownership; returns the record now in the list.
    CParameter* Append(std::unique_ptr<CParameter> parameter);

    // Deletes every record and sets the empty flag; header word and type stay.
    void Clear();
    // Clear, and header word and data controller type back to those of a new document.
    void Reset();

    // The first record with this tag number, or nullptr.
    CParameter* FindParameter(quint16 tagNumber) const;
    // Removes the second and later records of each tag number; returns how many it removed.
    int RemoveDuplicateTags();

    // Profile format through an archive. Store throws CArchiveException when the device
    // refuses a write. Load replaces the contents: records up to the first refused checksum
    // are kept, duplicates removed and the empty flag cleared; a truncated file, or one that
    // is plainly not a profile, leaves the set Reset(). Plainly not a profile: a negative
    // record count, records under a header word other than kReadHeaderWord (records only
    // ever come from a read, which sets it; a profile without records may carry any word),
    // or bytes after the announced records.
    void Store(CArchive& archive) const;
    Result Load(CArchive& archive);

    // The same on an open device, and on a file by path. SaveFile writes through QSaveFile:
    // the old file is replaced only once the new one is complete.
    Result Store(QIODevice& device) const;
    Result Load(QIODevice& device);
    Result SaveFile(const QString& path) const;
    Result LoadFile(const QString& path);

private:
    quint16 m_headerWord = kReadHeaderWord;
    quint16 m_dataControllerType = kNoControllerType;
    List m_parameters;
    bool m_empty = true;
};
