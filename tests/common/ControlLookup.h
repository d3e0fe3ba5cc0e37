#pragma once

#include "ui/ControlId.h"

#include <QWidget>
#include <gtest/gtest.h>

// The control of `parent` (at any depth) of type T named for resource number `id`; a test
// failure, and nullptr, when there is none.
template <class T = QWidget> T* Control(const QObject& parent, int id)
{
    T* control = ControlId::Find<T>(&parent, id);
    EXPECT_NE(control, nullptr) << "no control " << id;
    return control;
}
