#pragma once

#include "res/EString.h"

#include <QString>

// The string table: the one home of user-visible texts, by EString id. Flows and dialogs load
// their messages from here rather than spelling them out.
QString LoadString(EString id); // empty for an id without a text
bool HasString(EString id);
