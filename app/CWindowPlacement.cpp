#include "app/CWindowPlacement.h"

#include <algorithm>

namespace WindowPlacement {

SStored ToStored(EState state, bool restoresToMaximised, int left, int top, int right, int bottom)
{
    SStored stored;
    switch (state) {
    case EState::Normal:
        stored.iconic = 0;
        stored.maximised = 0;
        break;
    case EState::Maximised:
        stored.iconic = 0;
        stored.maximised = 1;
        break;
    case EState::Minimised:
        // A window minimised from the maximised state comes back maximised.
        stored.iconic = 1;
        stored.maximised = restoresToMaximised ? 1 : 0;
        break;
    case EState::Other:
        stored.iconic = 0;
        stored.maximised = 0;
        break;
    }
    stored.left = left;
    stored.top = top;
    stored.right = right;
    stored.bottom = bottom;
    return stored;
}

SRestore FromStored(const SStored& stored)
{
    SRestore restore;
    const bool anythingStored = stored.iconic != kNothingStored;
    if (anythingStored) {
        restore.useStoredRect = true;
        restore.left = stored.left;
        restore.top = stored.top;
        restore.right = stored.right;
        restore.bottom = stored.bottom;
    }
    if (anythingStored && stored.iconic != 0) {
        restore.showCommand = kShowMinimisedNoActivate;
        restore.flags = stored.maximised != 0 ? kFlagRestoreToMaximised : kFlagSetMinPosition;
    } else if (stored.maximised != 0) {
        restore.showCommand = kShowMaximised;
        restore.flags = kFlagRestoreToMaximised;
    } else {
        restore.showCommand = kShowNormal;
        restore.flags = kFlagSetMinPosition;
    }
    return restore;
}

QRect FitOnScreen(const QRect& stored, const QRect& available)
{
    if (!available.isValid())
        return stored;
    QRect fitted = stored;
    fitted.setWidth(std::min(stored.width(), available.width()));
    fitted.setHeight(std::min(stored.height(), available.height()));
    fitted.moveLeft(std::clamp(fitted.left(), available.left(),
                               available.left() + available.width() - fitted.width()));
    fitted.moveTop(std::clamp(fitted.top(), available.top(),
                              available.top() + available.height() - fitted.height()));
    return fitted;
}

} // namespace WindowPlacement
