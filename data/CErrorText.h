#pragma once

#include "data/CTextObject.h"

// A trip text: a CTextObject stored under its own class name. The code is the controller's
// trip code and text 0 the trip name.
class CErrorText : public CTextObject
{
public:
    static const CArchiveClass& ClassInfo();
    const CArchiveClass& Class() const override { return ClassInfo(); }
};
