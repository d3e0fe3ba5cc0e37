#include "ui/CProductBitmap.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

const QColor kAluminiumLight(0xd5, 0xd9, 0xdf);
const QColor kAluminiumDark(0x98, 0x9f, 0xa9);
const QColor kFaceTop(0x41, 0x4e, 0x61);
const QColor kFaceBottom(0x26, 0x30, 0x3e);
const QColor kOutline(0x1c, 0x23, 0x2d);
const QColor kAccent(0xe0, 0x7a, 0x1f);

QFont LabelFont(int pixelSize, int weight, qreal spacing = 0)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setWeight(QFont::Weight(weight));
    if (spacing != 0)
        font.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
    return font;
}

void DrawShadow(QPainter& p)
{
    QRadialGradient shade(QPointF(236, 200), 200);
    shade.setColorAt(0.0, QColor(0, 0, 0, 70));
    shade.setColorAt(1.0, QColor(0, 0, 0, 0));
    p.save();
    p.translate(236, 200);
    p.scale(1.0, 0.09);
    p.translate(-236, -200);
    p.setPen(Qt::NoPen);
    p.setBrush(shade);
    p.drawEllipse(QPointF(236, 200), 205, 205);
    p.restore();
}

void DrawFlange(QPainter& p)
{
    QLinearGradient metal(0, 170, 0, 194);
    metal.setColorAt(0.0, kAluminiumLight);
    metal.setColorAt(1.0, kAluminiumDark);
    p.setPen(QPen(kAluminiumDark.darker(140), 1));
    p.setBrush(metal);
    p.drawRoundedRect(QRectF(40.5, 170.5, 392, 23), 4, 4);
    // Mounting slots at both ends.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x4a, 0x50, 0x58));
    p.drawRoundedRect(QRectF(50, 178, 18, 8), 4, 4);
    p.drawRoundedRect(QRectF(405, 178, 18, 8), 4, 4);
}

void DrawHeatSink(QPainter& p)
{
    QLinearGradient metal(0, 18, 0, 62);
    metal.setColorAt(0.0, kAluminiumLight.lighter(106));
    metal.setColorAt(1.0, kAluminiumDark);
    p.setPen(QPen(kAluminiumDark.darker(130), 1));
    p.setBrush(metal);
    for (int x = 84; x + 7 <= 390; x += 11)
        p.drawRoundedRect(QRectF(x + 0.5, 18.5, 7, 42), 2, 2);
    p.drawRect(QRectF(76.5, 52.5, 320, 8));
}

void DrawFace(QPainter& p)
{
    QLinearGradient face(0, 60, 0, 176);
    face.setColorAt(0.0, kFaceTop);
    face.setColorAt(1.0, kFaceBottom);
    p.setPen(QPen(kOutline, 1));
    p.setBrush(face);
    p.drawRoundedRect(QRectF(72.5, 60.5, 328, 114), 5, 5);
    // A fine highlight along the top edge gives the casing some depth.
    p.setPen(QPen(QColor(255, 255, 255, 45), 1));
    p.drawLine(QPointF(78, 62.5), QPointF(395, 62.5));
}

void DrawLabel(QPainter& p)
{
    const QRectF plate(92.5, 72.5, 196, 60);
    p.setPen(QPen(QColor(0xb8, 0xbe, 0xc7), 1));
    p.setBrush(QColor(0xf2, 0xf4, 0xf7));
    p.drawRoundedRect(plate, 3, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    p.drawRect(QRectF(93, 73, 6, 59));

    p.setPen(QColor(0x5a, 0x63, 0x70));
    p.setFont(LabelFont(8, QFont::Bold, 1.2));
    p.drawText(QRectF(108, 78, 176, 12), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("TRACTION \u00b7 PUMP \u00b7 AUX"));
    p.setPen(QColor(0x1e, 0x26, 0x31));
    p.setFont(LabelFont(17, QFont::Bold));
    p.drawText(QRectF(108, 90, 176, 22), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Motor Controller"));
    p.setPen(QColor(0x5a, 0x63, 0x70));
    p.setFont(LabelFont(9, QFont::Normal));
    p.drawText(QRectF(108, 113, 176, 14), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("24\u201348 V DC    180 A"));
}

void DrawStud(QPainter& p, qreal x, const QString& name)
{
    p.setPen(QColor(0xc9, 0xcf, 0xd8));
    p.setFont(LabelFont(9, QFont::Bold));
    p.drawText(QRectF(x - 15, 137, 30, 12), Qt::AlignCenter, name);

    // A hexagonal nut on a brass washer.
    QRadialGradient washer(QPointF(x - 3, 156), 12);
    washer.setColorAt(0.0, QColor(0xf0, 0xd2, 0x8a));
    washer.setColorAt(1.0, QColor(0xa8, 0x80, 0x30));
    p.setPen(QPen(QColor(0x6b, 0x50, 0x1c), 1));
    p.setBrush(washer);
    p.drawEllipse(QPointF(x, 159), 10.5, 10.5);
    QPainterPath nut;
    for (int i = 0; i < 6; ++i) {
        const qreal angle = M_PI / 3 * i;
        const QPointF corner(x + 7 * std::cos(angle), 159 + 7 * std::sin(angle));
        if (i == 0)
            nut.moveTo(corner);
        else
            nut.lineTo(corner);
    }
    nut.closeSubpath();
    QLinearGradient steel(x - 7, 152, x + 7, 166);
    steel.setColorAt(0.0, QColor(0xee, 0xf0, 0xf3));
    steel.setColorAt(1.0, QColor(0x8c, 0x93, 0x9c));
    p.setPen(QPen(QColor(0x55, 0x5b, 0x63), 1));
    p.setBrush(steel);
    p.drawPath(nut);
}

void DrawLed(QPainter& p, qreal y, const QColor& colour, const QString& name)
{
    QRadialGradient glow(QPointF(312, y), 11);
    glow.setColorAt(0.0, QColor(colour.red(), colour.green(), colour.blue(), 120));
    glow.setColorAt(1.0, QColor(colour.red(), colour.green(), colour.blue(), 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(QPointF(312, y), 11, 11);
    QRadialGradient lens(QPointF(310.5, y - 1.5), 5);
    lens.setColorAt(0.0, colour.lighter(170));
    lens.setColorAt(1.0, colour);
    p.setPen(QPen(colour.darker(180), 1));
    p.setBrush(lens);
    p.drawEllipse(QPointF(312, y), 4.5, 4.5);

    p.setPen(QColor(0xc9, 0xcf, 0xd8));
    p.setFont(LabelFont(8, QFont::Bold, 0.8));
    p.drawText(QRectF(324, y - 6, 60, 12), Qt::AlignLeft | Qt::AlignVCenter, name);
}

void DrawConnector(QPainter& p)
{
    const QRectF shell(304.5, 116.5, 80, 36);
    p.setPen(QPen(QColor(0x0b, 0x0d, 0x10), 1));
    p.setBrush(QColor(0x1a, 0x1d, 0x22));
    p.drawRoundedRect(shell, 3, 3);
    p.setBrush(QColor(0x2c, 0x31, 0x38));
    p.drawRect(QRectF(309.5, 121.5, 70, 26));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xd8, 0xb0, 0x50));
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < 6; ++column)
            p.drawRect(QRectF(315 + column * 11, 127 + row * 11, 4, 4));
    p.setPen(QColor(0xc9, 0xcf, 0xd8));
    p.setFont(LabelFont(8, QFont::Bold, 0.8));
    p.drawText(QRectF(304, 155, 80, 12), Qt::AlignCenter, QStringLiteral("SIGNAL"));
}

} // namespace

QImage CProductBitmap::Draw()
{
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    DrawShadow(p);
    DrawFlange(p);
    DrawHeatSink(p);
    DrawFace(p);
    DrawLabel(p);
    const QStringList studs = {QStringLiteral("B+"), QStringLiteral("B\u2212"),
                               QStringLiteral("M+"), QStringLiteral("M\u2212")};
    for (int i = 0; i < studs.size(); ++i)
        DrawStud(p, 112 + i * 52, studs[i]);
    DrawLed(p, 80, QColor(0x2e, 0xcc, 0x40), QStringLiteral("POWER"));
    DrawLed(p, 100, QColor(0xff, 0xa5, 0x1a), QStringLiteral("STATUS"));
    DrawConnector(p);
    return image;
}
