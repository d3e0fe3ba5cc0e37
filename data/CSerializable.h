#pragma once

#include <cstdint>
#include <memory>

class CArchive;
class CSerializable;

// What an archive knows of one serialisable class: the name stored in files, the schema
// number, the base class (for "is it this class or derived from it") and the factory that
// makes a default-constructed object when a file refers to the class.
struct CArchiveClass
{
    static constexpr std::uint16_t kNoSchema = 0xFFFF; // not serialisable: cannot be stored

    const char* name;
    std::uint16_t schema;
    // A versionable class accepts any stored schema and reads it from the archive
    // (CArchive::LoadSchema) in its Serialize.
    bool versionable;
    const CArchiveClass* base; // nullptr for a root class
    std::unique_ptr<CSerializable> (*create)();

    // This class is `other` or derives from it.
    bool IsDerivedFrom(const CArchiveClass& other) const
    {
        for (const CArchiveClass* c = this; c; c = c->base) {
            if (c == &other)
                return true;
        }
        return false;
    }
};

// A record that goes into files. Serialize stores the fields when the archive is storing and
// reads them back, in the same order, when it is loading.
class CSerializable
{
public:
    virtual ~CSerializable() = default;
    virtual const CArchiveClass& Class() const = 0;
    virtual void Serialize(CArchive& archive) = 0;
};
