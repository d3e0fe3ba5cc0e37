#pragma once

#include <QRect>

// The main window's placement as the settings keep it (CAppSettings::Placement), and the rules
// that turn a window state into the stored values and back. Pure functions, so the rules are
// tested without a window.
namespace WindowPlacement {

// Defaults of the stored values.
inline constexpr int kNothingStored = 9999; // the iconic flag when no placement was saved
inline constexpr QRect kDefaultNormal{QPoint(0, 30), QPoint(599, 419)}; // 0,30 .. 600,420

// How the window was when it closed.
enum class EState
{
    Normal,
    Maximised,
    Minimised,
    Other
};

// The six stored values.
struct SStored
{
    int iconic = kNothingStored;
    int maximised = 0;
    int left = 0;
    int top = 30;
    int right = 600;
    int bottom = 420;
};

// Show commands, as the placement has always recorded them.
inline constexpr int kShowNormal = 1;
inline constexpr int kShowMaximised = 3;
inline constexpr int kShowMinimisedNoActivate = 7;
// Placement flags: 1 set the minimised position, 2 restore to maximised.
inline constexpr int kFlagSetMinPosition = 1;
inline constexpr int kFlagRestoreToMaximised = 2;

// What a closing window writes. `restoresToMaximised` tells, for a minimised window, whether
// it was maximised before it was minimised. `normal` is the restored rectangle as
// left/top/right/bottom (right and bottom exclusive).
SStored ToStored(EState state, bool restoresToMaximised, int left, int top, int right, int bottom);

// What an activation applies.
struct SRestore
{
    int showCommand = kShowNormal;
    int flags = kFlagSetMinPosition;
    bool useStoredRect = false; // false: keep the window's current normal rectangle
    int left = 0;
    int top = 30;
    int right = 600;
    int bottom = 420;
};
SRestore FromStored(const SStored& stored);

// The stored rectangle made to fit `available` (the screen's work area): no wider or taller
// than it, and moved inside it. A placement saved on a larger screen, or at another scale,
// would otherwise put the title bar or the status bar out of reach.
QRect FitOnScreen(const QRect& stored, const QRect& available);

} // namespace WindowPlacement
