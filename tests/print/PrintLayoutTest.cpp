// The printed pages of both styles, read back from a PDF.
#include "PrintTestData.h"
#include "common/CTempSettings.h"

#include "app/CAppSettings.h"
#include "data/CTagFile.h"
#include "print/CPrintLayout.h"
#include "sim/CSimModel.h"
#include "sim/CSimTagTable.h"

#include <QPageSize>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

namespace {

class PrintLayoutTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tags.LoadTagFile(QStringLiteral(TAVRIN_BUNDLED_TAG_FILE)).Ok());
    }

    SPrintSheet Sheet(const std::vector<quint16>& tagNumbers)
    {
        FillSet(set, tagNumbers);
        return SPrintSheet::FromSet(set, tags, QStringLiteral("demo.prf"),
                                    QDateTime(QDate(2026, 3, 21), QTime(15, 7)));
    }

    // The set a read of a simulated controller of `type` gives: every parameter of its
    // table that the tag file names for the type, with the controller's quantities.
    SPrintSheet SimulatedSheet(EControllerType type)
    {
        CSimModel model;
        EXPECT_TRUE(model.SetIdentity(type));
        EXPECT_GT(SimTagTable::AddParameters(model, tags, type), 0);
        set.Clear();
        set.SetDataControllerType(ControllerTypeNumber(type));
        for (const CTagFile::TagList::value_type& tag : tags.Tags()) {
            const CSimTag* quantities = model.Tag(tag->tag);
            if (!quantities || quantities->fixed || tags.FindTag(tag->tag, type) != tag.get())
                continue;
            auto parameter = std::make_unique<CParameter>();
            parameter->tagNumber = tag->tag;
            parameter->value = quantities->value;
            parameter->maximum = quantities->maximum;
            parameter->minimum = quantities->minimum;
            parameter->scale = quantities->scale;
            parameter->div = quantities->divisor;
            parameter->step = quantities->step;
            parameter->shift = quantities->shift;
            parameter->SetFlagsByte(quantities->flags);
            parameter->unitsCode = tag->unitsCode;
            parameter->displayWord = tag->displayWord;
            set.Append(std::move(parameter));
        }
        set.SetEmpty(false);
        return SPrintSheet::FromSet(set, tags, QStringLiteral("sim.prf"),
                                    QDateTime(QDate(2026, 3, 21), QTime(15, 7)));
    }

    // Prints onto an A4 PDF (or a page of `pageMm` mm square) and returns the result.
    CPrintLayout::EResult PrintPdf(const SPrintSheet& sheet, const SPrintFormat& format,
                                   int* pageCount = nullptr, double pageMm = 0)
    {
        return PrintPdf(sheet, format,
                        pageMm > 0 ? QPageSize(QSizeF(pageMm, pageMm), QPageSize::Millimeter)
                                   : QPageSize(QPageSize::A4),
                        pageCount);
    }
    CPrintLayout::EResult PrintPdf(const SPrintSheet& sheet, const SPrintFormat& format,
                                   const QPageSize& paper, int* pageCount)
    {
        QPdfWriter writer(pdf);
        writer.setResolution(600);
        writer.setPageSize(paper);
        writer.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
        if (pageCount)
            *pageCount = CPrintLayout::PageCount(writer, sheet, format);
        return CPrintLayout::Print(writer, sheet, format);
    }

    static SPrintFormat Format(bool simpleList)
    {
        SPrintFormat format;
        format.simpleList = simpleList;
        format.mainFont = CLogFont::FromPointSize(120, "Arial");
        format.titleFont = CLogFont::FromPointSize(120, "Arial");
        return format;
    }

    CTagFile tags;
    CParameterSet set;
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
};

} // namespace

TEST_F(PrintLayoutTest, SheetHoldsPrintableRecordsInListOrder)
{
    const SPrintSheet sheet = Sheet({261, kUnknownTag, 256});
    ASSERT_EQ(sheet.rows.size(), 2) << "the record without a tag is left out";
    EXPECT_EQ(sheet.rows[0].first, QStringLiteral("Drive Current Limit"));
    EXPECT_EQ(sheet.rows[0].second, QStringLiteral("66 Amps"));
    EXPECT_EQ(sheet.rows[1].first, QStringLiteral("Acceleration Delay"));
}

TEST_F(PrintLayoutTest, ColumnsPageCarriesEveryRecordAndTheFooterBoxes)
{
    const SPrintSheet sheet = Sheet({256, 261, 262, 280, kUnknownTag, 325});
    SPrintFormat format = Format(false);
    format.notes = QStringLiteral("Line 3 machine");
    int pages = 0;
    ASSERT_EQ(PrintPdf(sheet, format, &pages), CPrintLayout::EResult::Printed);
    EXPECT_EQ(pages, 1);
    const QString text = PdfText(pdf);
    for (const auto& [name, value] : sheet.rows)
        EXPECT_TRUE(text.contains(name + QLatin1Char(' ') + value)) << name.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("demo.prf")));
    EXPECT_TRUE(text.contains(QStringLiteral("21/03/2026 15:07"))) << "day/month/year hh:mm";
    EXPECT_TRUE(text.contains(QStringLiteral("2.2.19")));
    EXPECT_TRUE(text.contains(QStringLiteral("Line 3 machine")));
    EXPECT_EQ(text.count(QStringLiteral("Page 1 of 1")), 1) << "the header page box is not drawn";
}

TEST_F(PrintLayoutTest, EmptySetPrintsOneColumnsPageAndNoSimpleList)
{
    const SPrintSheet sheet = Sheet({});
    int pages = -1;
    EXPECT_EQ(PrintPdf(sheet, Format(true), &pages), CPrintLayout::EResult::NothingToPrint);
    EXPECT_EQ(pages, 0);
    ASSERT_EQ(PrintPdf(sheet, Format(false), &pages), CPrintLayout::EResult::Printed);
    EXPECT_EQ(pages, 1);
    const QString text = PdfText(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("Page 1 of 1")));
    EXPECT_EQ(text.count(QLatin1Char('\f')), 1) << "one page";
}

TEST_F(PrintLayoutTest, TextTooLargeForThePageIsRefused)
{
    const SPrintSheet sheet = Sheet({256, 257});
    SPrintFormat format = Format(false);
    format.mainFont = CLogFont::FromPointSize(4000, "Arial"); // 400 points
    int pages = -1;
    EXPECT_EQ(PrintPdf(sheet, format, &pages), CPrintLayout::EResult::PageTooSmall);
    EXPECT_EQ(pages, 0);
    // The simple list's fixed fonts leave no line on a 30 mm page.
    EXPECT_EQ(PrintPdf(sheet, Format(true), &pages, 30), CPrintLayout::EResult::PageTooSmall);
    EXPECT_EQ(pages, 0);
    EXPECT_EQ(CPrintLayout::PageTooSmallText(),
              QStringLiteral("Document will not print correctly - the page size is too small "
                             "for the text size"));
}

TEST_F(PrintLayoutTest, SimpleListPagesNeitherRepeatNorLoseRecords)
{
    // Untagged records early in the list: counting them when skipping to a later page would
    // start that page too early and print records twice.
    std::vector<quint16> list;
    for (quint16 tag : kType10Tags) {
        list.push_back(tag);
        if (list.size() < 40)
            list.push_back(kUnknownTag);
    }
    const SPrintSheet sheet = Sheet(list);
    int pages = 0;
    ASSERT_EQ(PrintPdf(sheet, Format(true), &pages), CPrintLayout::EResult::Printed);
    ASSERT_GE(pages, 2);
    QStringList lines;
    for (const QString& line : PdfText(pdf).split(QLatin1Char('\n')))
        lines << QString(line).remove(QLatin1Char('\f')).trimmed();
    for (const auto& [name, value] : sheet.rows) {
        const QString line = (name + QLatin1Char(' ') + value).trimmed();
        EXPECT_EQ(lines.count(line), sheet.rows.count({name, value})) << line.toStdString();
    }
    EXPECT_EQ(lines.count(QStringLiteral("Parameter Values")), pages);
    EXPECT_TRUE(PdfText(pdf).contains(QStringLiteral("Page %1 of %1").arg(pages)));
}

// The style, fonts and fill of a fresh settings file, on both paper sizes the command offers:
// every record of a real set appears with its value.
TEST_F(PrintLayoutTest, DefaultStylePrintsBundledAndSimulatedSetsOnA4AndLetter)
{
    const CTempSettings temporary;
    const SPrintFormat format = SPrintFormat::FromSettings(CAppSettings());
    ASSERT_FALSE(format.simpleList) << "multiple columns by default";
    const std::pair<const char*, SPrintSheet> sheets[] = {
        {"bundled type 10", Sheet(kType10Tags)},
        {"simulated type 9", SimulatedSheet(EControllerType(9))},
        {"simulated type 10", SimulatedSheet(EControllerType(10))},
        {"simulated type 14", SimulatedSheet(EControllerType(14))},
    };
    for (const QPageSize::PageSizeId paper : {QPageSize::A4, QPageSize::Letter}) {
        for (const auto& [what, sheet] : sheets) {
            const std::string name =
                std::string(what) + (paper == QPageSize::A4 ? " A4" : " Letter");
            int pages = 0;
            ASSERT_EQ(PrintPdf(sheet, format, QPageSize(paper), &pages),
                      CPrintLayout::EResult::Printed)
                << name << ", " << sheet.rows.size() << " records";
            // A long value wraps onto the next rows of its column: compared blank for blank.
            const QString text = PdfText(pdf).simplified();
            EXPECT_EQ(PdfText(pdf).count(QLatin1Char('\f')), pages) << name;
            for (const auto& [label, value] : sheet.rows)
                EXPECT_TRUE(text.contains((label + QLatin1Char(' ') + value).simplified()))
                    << name << ": " << label.toStdString() << " " << value.toStdString();
        }
    }
}

// A value text longer than the room right of the value column is cut at the page edge.
TEST_F(PrintLayoutTest, SimpleListKeepsLongValuesInsideThePage)
{
    SPrintSheet sheet = Sheet({256, 261});
    const QString longValue =
        QStringLiteral("Emergency Stop (Normally Open), Emergency Stop (Normally Closed), "
                       "Aux. 1, Aux. 4, Traction with brush down");
    sheet.rows[0].second = longValue;
    ASSERT_EQ(PrintPdf(sheet, Format(true)), CPrintLayout::EResult::Printed);

    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    ASSERT_TRUE(process.waitForFinished(60000));
    const QString boxes = QString::fromUtf8(process.readAllStandardOutput());
    const QRegularExpressionMatch page =
        QRegularExpression(QStringLiteral("<page width=\"([0-9.]+)\"")).match(boxes);
    ASSERT_TRUE(page.hasMatch()) << boxes.toStdString();
    const double width = page.captured(1).toDouble();
    int words = 0;
    QRegularExpressionMatchIterator it =
        QRegularExpression(QStringLiteral("<word xMin=\"[0-9.]+\" yMin=\"[0-9.]+\" "
                                          "xMax=\"([0-9.]+)\" yMax=\"[0-9.]+\">([^<]*)<"))
            .globalMatch(boxes);
    while (it.hasNext()) {
        const QRegularExpressionMatch word = it.next();
        ++words;
        EXPECT_LE(word.captured(1).toDouble(), width) << word.captured(2).toStdString();
    }
    EXPECT_GT(words, 10);
    EXPECT_TRUE(PdfText(pdf).contains(QStringLiteral("Acceleration Delay Emergency Stop")));
}
