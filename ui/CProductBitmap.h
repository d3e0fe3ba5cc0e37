#pragma once

#include <QImage>

// The product picture shown on the empty parameter list: a motor controller (finned heat
// sink, front panel with its label, power studs, signal connector and two LEDs), drawn in
// code at 473 by 228 pixels on a transparent background.
class CProductBitmap
{
public:
    static constexpr int kWidth = 473;
    static constexpr int kHeight = 228;

    // Needs a QGuiApplication (the label's texts use the application's fonts).
    static QImage Draw();
};
