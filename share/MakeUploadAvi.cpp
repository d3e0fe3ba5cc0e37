// Builds Upload.avi, the animation of the overwrite confirmation window: a computer on the
// left, a controller on the right, and an arrow that runs along the cable between them
// until the controller's lamp lights. 24 frames of 96 x 48 pixels, 80 ms each, looping.
//
// usage: tavrin-make-upload-avi OUTPUT
#include "data/CAviWriter.h"

#include <QByteArray>
#include <QString>

#include <cstdio>

namespace {

constexpr int kWidth = 96;
constexpr int kHeight = 48;
constexpr int kFrames = 24;
constexpr int kTravelFrames = 20; // the arrow runs in these, then the lamp shows arrival
constexpr std::uint32_t kFrameMicroseconds = 80000;

struct SColour
{
    unsigned char r, g, b;
};

constexpr SColour kBackground{236, 236, 236};
constexpr SColour kCasing{50, 55, 60};
constexpr SColour kScreen{40, 90, 170};
constexpr SColour kScreenText{150, 190, 240};
constexpr SColour kController{110, 120, 130};
constexpr SColour kLabel{230, 190, 40};
constexpr SColour kTerminal{200, 130, 60};
constexpr SColour kCable{90, 90, 90};
constexpr SColour kArrow{240, 130, 20};
constexpr SColour kLampOff{40, 90, 40};
constexpr SColour kLampOn{60, 230, 60};

// A packed top-down RGB picture with clipped drawing.
class CCanvas
{
public:
    CCanvas() : m_rgb(kWidth * kHeight * 3, '\0')
    {
        Fill(0, 0, kWidth - 1, kHeight - 1, kBackground);
    }

    void Plot(int x, int y, SColour c)
    {
        if (x < 0 || y < 0 || x >= kWidth || y >= kHeight)
            return;
        char* p = m_rgb.data() + (y * kWidth + x) * 3;
        p[0] = static_cast<char>(c.r);
        p[1] = static_cast<char>(c.g);
        p[2] = static_cast<char>(c.b);
    }
    // Fills the rectangle with corners (x0, y0) and (x1, y1), both included.
    void Fill(int x0, int y0, int x1, int y1, SColour c)
    {
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                Plot(x, y, c);
    }
    const QByteArray& Rgb() const { return m_rgb; }

private:
    QByteArray m_rgb;
};

void DrawComputer(CCanvas& canvas)
{
    canvas.Fill(4, 6, 31, 29, kCasing);
    canvas.Fill(7, 9, 28, 26, kScreen);
    canvas.Fill(9, 11, 24, 11, kScreenText);
    canvas.Fill(9, 14, 20, 14, kScreenText);
    canvas.Fill(9, 17, 22, 17, kScreenText);
    canvas.Fill(15, 30, 20, 33, kCasing);
    canvas.Fill(10, 34, 25, 36, kCasing);
}

void DrawController(CCanvas& canvas, bool lampOn)
{
    canvas.Fill(64, 10, 91, 37, kCasing);
    canvas.Fill(65, 11, 90, 36, kController);
    canvas.Fill(67, 13, 88, 17, kLabel);
    for (int x = 67; x <= 87; x += 5)
        canvas.Fill(x, 38, x + 1, 41, kTerminal);
    canvas.Fill(84, 30, 86, 32, lampOn ? kLampOn : kLampOff);
}

// An arrow pointing right whose shaft starts at `x`: a 10-pixel shaft, then a head.
void DrawArrow(CCanvas& canvas, int x)
{
    constexpr int kY = 22;
    canvas.Fill(x, kY - 1, x + 9, kY + 1, kArrow);
    for (int i = 0; i < 5; ++i)
        canvas.Fill(x + 10 + i, kY - 4 + i, x + 10 + i, kY + 4 - i, kArrow);
}

QByteArray DrawFrame(int frame)
{
    CCanvas canvas;
    DrawComputer(canvas);
    canvas.Fill(32, 22, 63, 22, kCable);
    const bool arrived = frame >= kTravelFrames - 2;
    DrawController(canvas, arrived);
    if (frame < kTravelFrames) {
        constexpr int kFirst = 33;
        constexpr int kLast = 63 - 15; // the head's tip touches the controller
        DrawArrow(canvas, kFirst + frame * (kLast - kFirst) / (kTravelFrames - 1));
    }
    return canvas.Rgb();
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: tavrin-make-upload-avi OUTPUT\n");
        return 1;
    }
    CAviWriter writer(kWidth, kHeight, kFrameMicroseconds);
    for (int frame = 0; frame < kFrames; ++frame)
        writer.AddFrame(DrawFrame(frame));
    if (!writer.Save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "tavrin-make-upload-avi: cannot write %s\n", argv[1]);
        return 2;
    }
    return 0;
}
