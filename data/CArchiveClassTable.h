#pragma once

#include "data/CSerializable.h"

#include <QByteArray>

#include <initializer_list>
#include <vector>

// The classes one kind of file may name. A loading archive creates objects only of classes in
// its table; any other name in a file is a bad-class error. Each file format passes its own
// table, so the archive needs no global registry.
class CArchiveClassTable
{
public:
    CArchiveClassTable() = default;
    CArchiveClassTable(std::initializer_list<const CArchiveClass*> classes) : m_classes(classes) {}

    void Add(const CArchiveClass& cls) { m_classes.push_back(&cls); }
    // The class stored under this exact (case-sensitive) name, or nullptr.
    const CArchiveClass* Find(const QByteArray& name) const;

private:
    std::vector<const CArchiveClass*> m_classes;
};
