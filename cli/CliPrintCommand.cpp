// tavrin-cli print: a profile printed to PDF in either page style, as the application prints it.
#include "app/CAppSettings.h"
#include "cli/CCommandContext.h"
#include "cli/CliCommands.h"
#include "data/CParameterSet.h"
#include "data/CTagFile.h"
#include "print/CPrintLayout.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>

namespace Cli {

namespace {

constexpr int kPdfResolution = 600; // dots per inch of the PDF's coordinates

// "FAMILY,POINTS" into a main font record as the font dialog stores it.
bool ParseMainFont(const QString& text, CLogFont& font)
{
    const qsizetype comma = text.lastIndexOf(QLatin1Char(','));
    if (comma <= 0)
        return false;
    bool ok = false;
    const double points = text.mid(comma + 1).trimmed().toDouble(&ok);
    if (!ok || points <= 0 || points > 1000)
        return false;
    font = CLogFont::FromPointSize(int(points * 10 + 0.5), text.left(comma).trimmed().toLatin1());
    return true;
}

} // namespace

int RunPrint(CCommandContext& context, const QStringList& args)
{
    CCliParser& parser = context.Parser();
    context.AddTagsOption();
    parser.AddOption({QStringLiteral("o"), QStringLiteral("Output PDF."), QStringLiteral("FILE")});
    parser.AddOption(
        {QStringLiteral("style"), QStringLiteral("simple or columns."), QStringLiteral("STYLE")});
    parser.AddOption({QStringLiteral("fill-page"), QStringLiteral("Stretch the template.")});
    parser.AddOption(
        {QStringLiteral("main-font"), QStringLiteral("FAMILY,POINTS."), QStringLiteral("FONT")});
    parser.AddOption(
        {QStringLiteral("title-font"), QStringLiteral("Family."), QStringLiteral("FAMILY")});
    parser.AddOption(
        {QStringLiteral("paper"), QStringLiteral("A4 or Letter."), QStringLiteral("PAPER")});
    parser.AddOption({QStringLiteral("notes"), QStringLiteral("Notes."), QStringLiteral("TEXT")});
    if (!context.Parse(args) || context.Positional().size() != 1 ||
        !parser.isSet(QStringLiteral("o")))
        return context.UsageError();

    SPrintFormat format = SPrintFormat::FromSettings(context.Settings());
    if (parser.isSet(QStringLiteral("style"))) {
        const QString style = parser.value(QStringLiteral("style"));
        if (style != QLatin1String("simple") && style != QLatin1String("columns")) {
            Error(QStringLiteral("--style is simple or columns, not \"%1\"").arg(style));
            return kExitUsage;
        }
        format.simpleList = style == QLatin1String("simple");
    }
    if (parser.isSet(QStringLiteral("fill-page")))
        format.isotropic = false;
    if (parser.isSet(QStringLiteral("main-font")) &&
        !ParseMainFont(parser.value(QStringLiteral("main-font")), format.mainFont)) {
        Error(QStringLiteral("--main-font is \"FAMILY,POINTS\", not \"%1\"")
                  .arg(parser.value(QStringLiteral("main-font"))));
        return kExitUsage;
    }
    if (parser.isSet(QStringLiteral("title-font")))
        format.titleFont.faceName = parser.value(QStringLiteral("title-font")).toLatin1();
    if (parser.isSet(QStringLiteral("notes")))
        format.notes = parser.value(QStringLiteral("notes"));
    QPageSize paper(QPageSize::A4);
    if (parser.isSet(QStringLiteral("paper"))) {
        const QString name = parser.value(QStringLiteral("paper"));
        if (name.compare(QLatin1String("Letter"), Qt::CaseInsensitive) == 0) {
            paper = QPageSize(QPageSize::Letter);
        } else if (name.compare(QLatin1String("A4"), Qt::CaseInsensitive) != 0) {
            Error(QStringLiteral("--paper is A4 or Letter, not \"%1\"").arg(name));
            return kExitUsage;
        }
    }

    const QString path = context.Positional().constFirst();
    CParameterSet set;
    CTagFile tags;
    int exitCode = kExitOk;
    if (!context.LoadProfile(path, set, tags, exitCode))
        return exitCode;

    // The title the application shows for an opened profile: its file name.
    const SPrintSheet sheet =
        SPrintSheet::FromSet(set, tags, QFileInfo(path).fileName(), QDateTime::currentDateTime());
    const QString out = parser.value(QStringLiteral("o"));
    QSaveFile file(out);
    if (!file.open(QIODevice::WriteOnly)) {
        Error(QStringLiteral("cannot write %1: %2")
                  .arg(QDir::toNativeSeparators(out), file.errorString()));
        return kExitFile;
    }
    CPrintLayout::EResult result = CPrintLayout::EResult::Printed;
    int pages = 0;
    {
        QPdfWriter writer(&file);
        writer.setResolution(kPdfResolution);
        writer.setPageSize(paper);
        writer.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
        writer.setTitle(sheet.title);
        writer.setCreator(QStringLiteral("tavrin-cli"));
        pages = CPrintLayout::PageCount(writer, sheet, format);
        result = CPrintLayout::Print(writer, sheet, format);
    } // the writer finishes the PDF when it goes
    switch (result) {
    case CPrintLayout::EResult::Printed:
        break;
    case CPrintLayout::EResult::NothingToPrint:
        file.cancelWriting();
        Error(QStringLiteral("nothing to print"));
        return kExitUsage;
    case CPrintLayout::EResult::PageTooSmall:
        file.cancelWriting();
        Error(CPrintLayout::PageTooSmallText());
        return kExitUsage;
    }
    if (!file.commit()) {
        Error(QStringLiteral("cannot write %1: %2")
                  .arg(QDir::toNativeSeparators(out), file.errorString()));
        return kExitFile;
    }
    PrintRecord({QStringLiteral("printed"), QString::number(pages), Field(out)});
    return kExitOk;
}

} // namespace Cli
