#pragma once

#include "res/EString.h"

#include <QString>

// The string table: the one home of user-visible texts, by EString id. Flows and dialogs load
// their messages from here rather than spelling them out. The fixed captions of a dialog
// layout stay with the layout; a message that exists only in this port (with no place in the
// table, such as the missing mail client) goes through tr().
QString LoadString(EString id); // empty for an id without a text
bool HasString(EString id);
