#include "print/CPrintLayout.h"

#include "app/CAppSettings.h"
#include "data/CCodePage.h"
#include "doc/CTavrinDoc.h"
#include "res/StringTable.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QRectF>

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>
#include <vector>

namespace {

// Everything is laid out in 0.1 mm ("units") with y growing downwards from the top-left
// corner of the printable area; the painter maps units onto the device's resolution.
constexpr double kUnitsPerInch = 254.0;
// Both fonts of the simple list are "28 point" fonts sized for the screen (96 pixels an inch)
// whose pixel height is taken as 0.1 mm, as the main font's 8/3 does: 37 units, about 10.6
// points on paper. A true 28-point font would run the names into the values at x = 970 and
// the footer's three texts into each other.
constexpr int kPrintPoints = 28;
constexpr int kSimpleFontUnits = kPrintPoints * 96 / 72;
constexpr int kNameX = 180;
constexpr int kValueX = 970;
constexpr int kFirstLineY = 64;
constexpr int kReservedLines = 6; // header, gap and footer lines of a simple-list page
constexpr int kFooterLine = 4;    // the footer sits this many lines below the last record

// The page template of the multiple-columns style, in units of a 177 x 250 mm page.
constexpr int kTemplateWidth = 1770;
constexpr int kTemplateHeight = 2500;
constexpr int kBodyInset = 100;
constexpr int kTextInset = 5;

struct STemplateBox
{
    int x, y, width, height;
    int tenthsOfPoint; // 0: no text
    bool bold;
    bool centred; // centred both ways; otherwise left-aligned, vertically centred
    bool drawn;
};

enum EBox
{
    kPage,
    kTitle,
    kHeaderPage,
    kDate,
    kVersion,
    kNotes,
    kFooterPage,
    kBoxCount
};

constexpr std::array<STemplateBox, kBoxCount> kTemplate = {{
    {0, 0, 1770, 2500, 0, false, true, true},       // page
    {0, 0, 1770, 120, 180, true, true, true},       // title
    {1420, 0, 350, 50, 100, false, true, false},    // header page number: laid out, not drawn
    {0, 2400, 350, 100, 100, false, true, true},    // date
    {350, 2400, 350, 100, 100, false, true, true},  // version
    {700, 2400, 720, 100, 100, false, false, true}, // notes
    {1420, 2400, 350, 100, 100, false, true, true}, // footer page number
}};

double PointsToUnits(double points)
{
    return points * kUnitsPerInch / 72.0;
}

// The printable area of `device` in units.
QSize PageUnits(const QPagedPaintDevice& device)
{
    return {int(std::lround(device.width() * kUnitsPerInch / device.logicalDpiX())),
            int(std::lround(device.height() * kUnitsPerInch / device.logicalDpiY()))};
}

QFont UnitFont(const QString& family, double pixelSize, bool bold = false)
{
    QFont font(family);
    // A face named with its weight ("Arial Bold") is no family outside Windows, and fontconfig
    // would hand out an unrelated face for it: the plain family, drawn bold, instead.
    static const QString kBold = QStringLiteral(" Bold");
    if (family.endsWith(kBold) && !QFontDatabase::hasFamily(family)) {
        font.setFamily(family.chopped(kBold.size()));
        bold = true;
    }
    font.setPixelSize(std::max(1, int(std::lround(pixelSize))));
    font.setBold(bold);
    return font;
}

// The line height the layout steps by: the text height plus the font's external leading.
int LineHeight(const QFont& font)
{
    const QFontMetricsF metrics(font);
    return int(std::lround(metrics.height() + std::max<qreal>(0.0, metrics.leading())));
}

int TextWidth(const QFont& font, const QString& text)
{
    return int(std::ceil(QFontMetricsF(font).horizontalAdvance(text)));
}

void DrawText(QPainter& painter, int x, int y, const QString& text)
{
    painter.drawText(QPointF(x, y + QFontMetricsF(painter.font()).ascent()), text);
}

QString PageText(int page, int pages)
{
    return QString::asprintf(LoadString(EString::PageOfPages).toUtf8().constData(), page, pages);
}

// ---- Simple list -----------------------------------------------------------------------

struct SSimpleLayout
{
    QFont normal, bold;
    int lineHeight = 0;
    int linesPerPage = 0; // L
    int pages = 0;
    int pageWidth = 0;
};

SSimpleLayout LayOutSimple(const QPagedPaintDevice& device, const SPrintSheet& sheet)
{
    SSimpleLayout layout;
    layout.normal = UnitFont(QStringLiteral("Arial"), kSimpleFontUnits);
    layout.bold = UnitFont(QStringLiteral("Arial Bold"), kSimpleFontUnits, true);
    layout.lineHeight = std::max(1, LineHeight(layout.normal));
    const QSize page = PageUnits(device);
    layout.pageWidth = page.width();
    layout.linesPerPage = page.height() / layout.lineHeight - kReservedLines;
    if (layout.linesPerPage > 0) {
        const int count = int(sheet.rows.size());
        layout.pages = (count + layout.linesPerPage - 1) / layout.linesPerPage;
    }
    return layout;
}

void PaintSimplePage(QPainter& painter, const SSimpleLayout& layout, const SPrintSheet& sheet,
                     int page)
{
    const int h = layout.lineHeight;
    int y = kFirstLineY;
    painter.setFont(layout.bold);
    DrawText(painter, kNameX, y, LoadString(EString::PrintParameterHeader));
    DrawText(painter, kValueX, y, LoadString(EString::PrintValuesHeader));
    y += h;
    painter.setFont(layout.normal);
    // Page p starts after the records of the pages before it; the sheet holds printable
    // records only, so no record is repeated or lost at a page break.
    const int first = (page - 1) * layout.linesPerPage;
    const int last = std::min(int(sheet.rows.size()), first + layout.linesPerPage);
    // A text too long for its column is cut with an ellipsis: a name before the value
    // column, a value at the page's right edge.
    const QFontMetricsF metrics(layout.normal);
    const double nameRoom = kValueX - kNameX - metrics.averageCharWidth();
    const double valueRoom = layout.pageWidth - kValueX;
    for (int i = first; i < last; ++i, y += h) {
        DrawText(painter, kNameX, y,
                 metrics.elidedText(sheet.rows[i].first, Qt::ElideRight, nameRoom));
        DrawText(painter, kValueX, y,
                 metrics.elidedText(sheet.rows[i].second, Qt::ElideRight, valueRoom));
    }

    const int footerY = (layout.linesPerPage + kFooterLine) * h;
    DrawText(painter, 0, footerY, sheet.title);
    const QString printed = QString::asprintf(
        LoadString(EString::PrintedAt).toUtf8().constData(),
        QLocale::system().toString(sheet.printTime, QLocale::ShortFormat).toUtf8().constData());
    DrawText(painter, (layout.pageWidth - TextWidth(layout.normal, printed)) / 2, footerY, printed);
    const QString pageText = PageText(page, layout.pages);
    DrawText(painter, layout.pageWidth - TextWidth(layout.normal, pageText), footerY, pageText);
}

// ---- Multiple columns ------------------------------------------------------------------

struct SColumnLayout
{
    double sx = 1.0, sy = 1.0; // template units to page units
    QRect body;
    QFont mainFont;
    QString titleFace;
    int lineHeight = 0; // h
    int nameWidth = 0;  // N
    int gap = 0;        // G
    int pitch = 0;      // P
    int rows = 0;       // R
    int columns = 0;    // K: columns on a page
    int spacing = 0;    // S
    int pages = 0;
    int valueWidth = 0; // V as laid out: a longer value text wraps within it
    // Where each record goes: its column (counted over all pages) and first row.
    std::vector<std::pair<int, int>> places;
};

// A text broken into lines no wider than `width` units: at blanks where it can, inside a
// word that alone is too wide. Measured as every other text of the layout is.
QStringList WrapText(const QFont& font, int width, const QString& text)
{
    QStringList lines;
    QString line;
    const auto fits = [&](const QString& candidate) { return TextWidth(font, candidate) <= width; };
    for (const QString& word : text.split(QLatin1Char(' '))) {
        const QString joined = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (fits(joined)) {
            line = joined;
            continue;
        }
        if (!line.isEmpty())
            lines << line;
        line.clear();
        for (const QChar c : word) {
            if (!line.isEmpty() && !fits(line + c)) {
                lines << line;
                line.clear();
            }
            line += c;
        }
    }
    lines << line;
    return lines;
}

QRect ScaledBox(const SColumnLayout& layout, int x, int y, int width, int height)
{
    const int left = int(std::lround(x * layout.sx));
    const int top = int(std::lround(y * layout.sy));
    return QRect(left, top, int(std::lround((x + width) * layout.sx)) - left,
                 int(std::lround((y + height) * layout.sy)) - top);
}

// The main font: the stored height is in screen pixels (negative: character height,
// positive: cell height); 8/3 turns it into units.
QFont MainFont(const CLogFont& logFont)
{
    const int height = -(logFont.height * 8 / 3);
    QFont font(CCodePage::ToUnicode(logFont.faceName));
    font.setPixelSize(std::max(1, std::abs(height)));
    if (height > 0) {
        const double cell = QFontMetricsF(font).height();
        if (cell > 0)
            font.setPixelSize(std::max(1, int(std::lround(height * height / cell))));
    }
    font.setWeight(logFont.weight >= 600 ? QFont::Bold : QFont::Normal);
    font.setItalic(logFont.italic != 0);
    return font;
}

SColumnLayout LayOutColumns(const QPagedPaintDevice& device, const SPrintSheet& sheet,
                            const SPrintFormat& format)
{
    SColumnLayout layout;
    const QSize page = PageUnits(device);
    const double w = page.width(), h = page.height();
    if (format.isotropic) {
        const double factor = double(kTemplateWidth) * h >= double(kTemplateHeight) * w
                                  ? w / kTemplateWidth
                                  : h / kTemplateHeight;
        layout.sx = layout.sy = factor;
    } else {
        layout.sx = w / kTemplateWidth;
        layout.sy = h / kTemplateHeight;
    }
    // Body: the page without the title band (boxes on the top edge) and the footer band
    // (boxes on the bottom edge), shrunk on every side.
    int bandTop = 0, bandBottom = kTemplateHeight;
    for (const STemplateBox& box : kTemplate) {
        if (box.height == kTemplateHeight)
            continue;
        if (box.y == 0)
            bandTop = std::max(bandTop, box.y + box.height);
        if (box.y + box.height == kTemplateHeight)
            bandBottom = std::min(bandBottom, box.y);
    }
    layout.body = ScaledBox(layout, kBodyInset, bandTop + kBodyInset,
                            kTemplateWidth - 2 * kBodyInset, bandBottom - bandTop - 2 * kBodyInset);
    layout.titleFace = CCodePage::ToUnicode(format.titleFont.faceName);

    layout.mainFont = MainFont(format.mainFont);
    const QFontMetricsF metrics(layout.mainFont);
    layout.lineHeight = std::max(1, LineHeight(layout.mainFont));
    int valueWidth = 0;
    for (const auto& row : sheet.rows) {
        layout.nameWidth = std::max(layout.nameWidth, TextWidth(layout.mainFont, row.first));
        valueWidth = std::max(valueWidth, TextWidth(layout.mainFont, row.second));
    }
    layout.gap = 5 * int(std::lround(metrics.averageCharWidth()));
    // The widest value text alone must not decide that no column fits: one option list
    // spelt out ("Emergency Stop (Normally Open), Emergency Stop (Normally Closed)", some
    // 120 mm at 12 points) would make the pitch wider than an A4 body and refuse the whole
    // set. The value column is held to what one column of the body leaves beside the names
    // (at least kMinValueChars characters), and longer values wrap onto further rows.
    constexpr int kMinValueChars = 10;
    const int room = layout.body.width() * 100 / 105 - layout.nameWidth - layout.gap;
    layout.valueWidth = valueWidth > room && room >= kMinValueChars * metrics.averageCharWidth()
                            ? room
                            : valueWidth;
    layout.pitch = (layout.nameWidth + layout.valueWidth + layout.gap) * 105 / 100;

    layout.rows = layout.body.height() / layout.lineHeight;
    layout.columns = layout.pitch > 0 ? layout.body.width() / layout.pitch : 0;
    if (layout.rows <= 0 || layout.columns <= 0)
        return layout; // pages stays 0: the page is too small for the text
    // Records fill each column from the top; one that would run off its foot starts the
    // next column. Without wrapped values this is record k at column k / R, row k mod R.
    int column = 0, row = 0;
    for (const auto& entry : sheet.rows) {
        const int lines =
            layout.valueWidth < TextWidth(layout.mainFont, entry.second)
                ? std::min(layout.rows,
                           int(WrapText(layout.mainFont, layout.valueWidth, entry.second).size()))
                : 1;
        if (row + lines > layout.rows) {
            ++column;
            row = 0;
        }
        layout.places.emplace_back(column, row);
        row += lines;
    }
    const int needed = column + 1; // Q
    layout.pages = (needed - 1) / layout.columns + 1;
    const int onPage = std::min(needed, layout.columns); // M
    layout.spacing = (layout.body.width() - onPage * layout.pitch) / (onPage + 1);
    return layout;
}

void PaintTemplate(QPainter& painter, const SColumnLayout& layout, const SPrintSheet& sheet,
                   const SPrintFormat& format, int page)
{
    const QString pageText = PageText(page, layout.pages);
    std::array<QString, kBoxCount> texts;
    texts[kTitle] = sheet.title;
    const QDateTime& t = sheet.printTime;
    texts[kDate] = QString::asprintf(LoadString(EString::DateTimeFormat).toLatin1().constData(),
                                     t.date().day(), t.date().month(), t.date().year(),
                                     t.time().hour(), t.time().minute());
    texts[kVersion] = LoadString(EString::Version);
    texts[kNotes] = format.notes;
    texts[kHeaderPage] = texts[kFooterPage] = pageText;

    const double inset = kTextInset * layout.sx;
    for (int i = 0; i < kBoxCount; ++i) {
        const STemplateBox& box = kTemplate[i];
        if (!box.drawn)
            continue;
        const QRect rect = ScaledBox(layout, box.x, box.y, box.width, box.height);
        painter.drawRect(rect);
        if (box.tenthsOfPoint == 0 || texts[i].isEmpty())
            continue;
        painter.setFont(UnitFont(layout.titleFace,
                                 PointsToUnits(box.tenthsOfPoint / 10.0) * layout.sy, box.bold));
        const int align = box.centred ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter;
        painter.drawText(QRectF(rect).adjusted(inset, 0, -inset, 0), align, texts[i]);
    }
    painter.drawRect(layout.body);
}

void PaintColumnPage(QPainter& painter, const SColumnLayout& layout, const SPrintSheet& sheet,
                     const SPrintFormat& format, int page)
{
    PaintTemplate(painter, layout, sheet, format, page);
    painter.setFont(layout.mainFont);
    const int firstColumn = (page - 1) * layout.columns;
    for (std::size_t i = 0; i < layout.places.size(); ++i) {
        const int column = layout.places[i].first - firstColumn;
        if (column < 0 || column >= layout.columns)
            continue;
        const int x = layout.body.left() + column * layout.pitch + (column + 1) * layout.spacing;
        const int y = layout.body.top() + layout.places[i].second * layout.lineHeight;
        DrawText(painter, x, y, sheet.rows[int(i)].first);
        const int valueX = x + layout.nameWidth + layout.gap;
        const QString& value = sheet.rows[int(i)].second;
        if (layout.valueWidth >= TextWidth(layout.mainFont, value)) {
            DrawText(painter, valueX, y, value);
            continue;
        }
        // A wrapped value keeps to its column and to the body.
        int lineY = y;
        for (const QString& line : WrapText(layout.mainFont, layout.valueWidth, value)) {
            if (lineY > y && lineY + layout.lineHeight > layout.body.top() + layout.body.height())
                break;
            DrawText(painter, valueX, lineY, line);
            lineY += layout.lineHeight;
        }
    }
}

// Maps units onto the device; redone for every page, as a new page resets the painter.
void SetUnits(QPainter& painter, const QPagedPaintDevice& device)
{
    painter.resetTransform();
    painter.scale(device.logicalDpiX() / kUnitsPerInch, device.logicalDpiY() / kUnitsPerInch);
    QPen pen(Qt::black);
    pen.setWidthF(2.0);
    painter.setPen(pen);
}

} // namespace

SPrintFormat SPrintFormat::FromSettings(const CAppSettings& settings)
{
    SPrintFormat format;
    format.simpleList = settings.PrintFormat();
    format.isotropic = settings.Isotropic();
    QByteArray bytes;
    settings.GetFont(QString::fromLatin1(CAppSettings::kMainFont), bytes);
    CLogFont::Decode(bytes, format.mainFont);
    settings.GetFont(QString::fromLatin1(CAppSettings::kTitleFont), bytes);
    CLogFont::Decode(bytes, format.titleFont);
    format.notes = settings.PrintNotes();
    return format;
}

void SPrintFormat::Store(CAppSettings& settings) const
{
    settings.SetPrintFormat(simpleList ? 1 : 0);
    settings.SetIsotropic(isotropic ? 1 : 0);
    settings.SetFont(QString::fromLatin1(CAppSettings::kMainFont), mainFont.Encode());
    settings.SetFont(QString::fromLatin1(CAppSettings::kTitleFont), titleFont.Encode());
    settings.SetPrintNotes(notes);
}

SPrintSheet SPrintSheet::FromDocument(const CTavrinDoc& doc, const QDateTime& printTime)
{
    return FromSet(doc.Parameters(), doc.Tags(), doc.Title(), printTime);
}

SPrintSheet SPrintSheet::FromSet(const CParameterSet& set, const CTagFile& tags,
                                 const QString& title, const QDateTime& printTime)
{
    SPrintSheet sheet;
    sheet.title = title;
    sheet.printTime = printTime;
    if (set.IsEmpty())
        return sheet;
    // The document's list order; a record whose tag is missing is left out.
    const quint16 type = set.DataControllerType();
    for (const auto& parameter : set.Parameters()) {
        if (const CTagInfo* tag = tags.FindTag(parameter->tagNumber, type))
            sheet.rows.append({CCodePage::ToUnicode(tag->name), parameter->ValueText(*tag, type)});
    }
    return sheet;
}

CPrintLayout::EResult CPrintLayout::Print(QPagedPaintDevice& device, const SPrintSheet& sheet,
                                          const SPrintFormat& format)
{
    if (format.simpleList) {
        const SSimpleLayout layout = LayOutSimple(device, sheet);
        if (layout.linesPerPage <= 0)
            return EResult::PageTooSmall;
        if (layout.pages == 0)
            return EResult::NothingToPrint;
        QPainter painter(&device);
        for (int page = 1; page <= layout.pages; ++page) {
            if (page > 1)
                device.newPage();
            SetUnits(painter, device);
            PaintSimplePage(painter, layout, sheet, page);
        }
        return EResult::Printed;
    }
    const SColumnLayout layout = LayOutColumns(device, sheet, format);
    if (layout.pages == 0)
        return EResult::PageTooSmall;
    QPainter painter(&device);
    for (int page = 1; page <= layout.pages; ++page) {
        if (page > 1)
            device.newPage();
        SetUnits(painter, device);
        PaintColumnPage(painter, layout, sheet, format, page);
    }
    return EResult::Printed;
}

int CPrintLayout::PageCount(QPagedPaintDevice& device, const SPrintSheet& sheet,
                            const SPrintFormat& format)
{
    return format.simpleList ? LayOutSimple(device, sheet).pages
                             : LayOutColumns(device, sheet, format).pages;
}

QString CPrintLayout::PageTooSmallText()
{
    return LoadString(EString::PrintPageTooSmall);
}
