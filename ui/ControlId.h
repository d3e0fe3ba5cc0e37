#pragma once

#include <QObject>
#include <QString>

// Every control, action and window that has a resource number carries it as its object name,
// "id" followed by the number in decimal ("id1029"), so the code and the tests find a control
// by the same number the dialog layout gives it.
namespace ControlId {

// The object name of resource number `id`.
inline QString Name(int id)
{
    return QStringLiteral("id%1").arg(id);
}

// The child of `parent` (at any depth) of type T named for `id`, or nullptr. The parent keeps
// ownership.
template <class T> T* Find(const QObject* parent, int id)
{
    return parent->findChild<T*>(Name(id));
}

} // namespace ControlId
