#include "data/CArchiveClassTable.h"

const CArchiveClass* CArchiveClassTable::Find(const QByteArray& name) const
{
    for (const CArchiveClass* cls : m_classes) {
        if (QByteArrayView(name) == QByteArrayView(cls->name))
            return cls;
    }
    return nullptr;
}
