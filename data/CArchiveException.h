#pragma once

#include <exception>

// Why an archive operation failed. The numbers are the codes the causes have always had, so a
// caller (and a message) can tell them apart.
enum class EArchiveError : int
{
    // A string length above 0x7FFFFFFF, a record that cannot be held (a text count above 8,
    // a null or shared element in an owning list), or a device that refuses a write.
    Generic = 1,
    ReadOnly = 2,  // a store operation on a loading archive
    EndOfFile = 3, // the file ends inside a value, string, class record or list
    WriteOnly = 4, // a load operation on a storing archive
    BadIndex = 5,  // an object or class index 0, or above the highest index read so far
    BadClass = 6,  // an unknown class name, a name of 64 bytes or more, or the wrong class
    BadSchema = 7, // a class record whose schema differs from the one known for the class
                   // Not a file fault: storing an object of a class that has no schema (0xFFFF, not
                   // serialisable).
    NotSupported = 8,
};

// The one exception of the code base: archives report their failures by throwing it, and the
// code that opened the file catches it and decides what the user sees. It never crosses a
// module boundary.
class CArchiveException : public std::exception
{
public:
    explicit CArchiveException(EArchiveError cause) : m_cause(cause) {}

    EArchiveError Cause() const { return m_cause; }
    // The cause as a short lower-case phrase, e.g. "end of file", "bad schema".
    static const char* CauseText(EArchiveError cause);
    const char* what() const noexcept override { return CauseText(m_cause); }

private:
    EArchiveError m_cause;
};
