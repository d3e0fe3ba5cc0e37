#pragma once

#include "res/EString.h"

#include <QString>

// The string table: the one home of user-visible texts, by number. Flows and dialogs load
// their messages from here rather than spelling them out.
QString LoadString(EString id); // empty for an id without a text
bool HasString(EString id);

QString LoadString(int id); // empty for an unknown id
bool HasString(int id);
