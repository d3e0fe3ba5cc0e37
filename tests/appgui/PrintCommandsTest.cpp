// The Print Format dialog and File, Export PDF: the dialog's controls follow the chosen style
// and OK stores every choice; an export writes a PDF of the set, or no file at all when there
// is nothing to print or the text does not fit the page.
#include "app/CAppSettings.h"
#include "app/widgets/CPrintCommands.h"
#include "common/CScriptedPrompt.h"
#include "common/CTempSettings.h"
#include "common/ControlLookup.h"
#include "data/CCodePage.h"
#include "doc/CTavrinDoc.h"
#include "link/CControllerLink.h"
#include "ui/CPrintFormatDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace {

// Runs `step` on the modal dialog of type T once the event loop shows it.
template <class T> void WhenShown(std::function<void(T&)> step)
{
    QTimer::singleShot(0, [step] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        step(*dialog);
    });
}

bool ColumnOptionsEnabled(const CPrintFormatDlg& dialog)
{
    const bool fill = Control<QCheckBox>(dialog, CPrintFormatDlg::kFillPageId)->isEnabled();
    const bool main = Control<QPushButton>(dialog, CPrintFormatDlg::kMainFontId)->isEnabled();
    const bool title = Control<QPushButton>(dialog, CPrintFormatDlg::kTitleFontId)->isEnabled();
    EXPECT_TRUE(fill == main && main == title) << "the three column options go together";
    return fill;
}

CLogFont StoredFont(const char* name)
{
    CLogFont font;
    EXPECT_TRUE(CLogFont::Decode(
        CAppSettings::Read(QStringLiteral("Settings"), QString::fromLatin1(name), QByteArray())
            .toByteArray(),
        font))
        << name;
    return font;
}

int StoredInt(const char* name)
{
    return CAppSettings::Read(QStringLiteral("Settings"), QString::fromLatin1(name), -1).toInt();
}

} // namespace

TEST(PrintFormatDlg, ColumnOptionsFollowTheStyle)
{
    SPrintFormat format;
    format.simpleList = true;
    CPrintFormatDlg dialog(format);
    EXPECT_TRUE(Control<QRadioButton>(dialog, CPrintFormatDlg::kSimpleListId)->isChecked());
    EXPECT_FALSE(ColumnOptionsEnabled(dialog));
    Control<QRadioButton>(dialog, CPrintFormatDlg::kMultipleColumnsId)->click();
    EXPECT_TRUE(ColumnOptionsEnabled(dialog));
    Control<QRadioButton>(dialog, CPrintFormatDlg::kSimpleListId)->click();
    EXPECT_FALSE(ColumnOptionsEnabled(dialog));

    format.simpleList = false;
    CPrintFormatDlg columns(format);
    EXPECT_TRUE(Control<QRadioButton>(columns, CPrintFormatDlg::kMultipleColumnsId)->isChecked());
    EXPECT_TRUE(ColumnOptionsEnabled(columns));
}

TEST(PrintFormatDlg, OkStoresEveryChoice)
{
    CTempSettings temp;
    CAppSettings settings;
    ASSERT_TRUE(settings.SetPrintFormat(1));
    ASSERT_TRUE(settings.SetIsotropic(1));

    QString mainFace;
    WhenShown<CPrintFormatDlg>([&mainFace](CPrintFormatDlg& dialog) {
        Control<QRadioButton>(dialog, CPrintFormatDlg::kMultipleColumnsId)->click();
        Control<QCheckBox>(dialog, CPrintFormatDlg::kFillPageId)->click();
        // The font buttons open the font dialog; choose in it as a user would.
        for (const auto& [button, family] :
             {std::pair{CPrintFormatDlg::kMainFontId, "DejaVu Serif"},
              std::pair{CPrintFormatDlg::kTitleFontId, "Liberation Sans"}}) {
            WhenShown<QFontDialog>([family = family](QFontDialog& fonts) {
                QFont font(QString::fromLatin1(family));
                font.setPointSize(21);
                font.setBold(true);
                fonts.setCurrentFont(font);
                fonts.accept();
            });
            Control<QPushButton>(dialog, button)->click();
        }
        mainFace = Control<QLabel>(dialog, CPrintFormatDlg::kMainFaceId)->text();
        dialog.findChild<QLineEdit*>(QLatin1String(CPrintFormatDlg::kNotesName))
            ->setText(QStringLiteral("Line 7, machine 12"));
        Control<QPushButton>(dialog, 1)->click();
    });
    ASSERT_TRUE(CPrintFormatDlg::Run(settings, nullptr));

    EXPECT_EQ(mainFace, QStringLiteral("DejaVu Serif")) << "the static shows the chosen face";
    EXPECT_EQ(StoredInt("PrintFormat"), 0);
    EXPECT_EQ(StoredInt("Isotropic"), 0) << "\"Fill page\" ticked";
    const CLogFont main = StoredFont("MainLF");
    EXPECT_EQ(main.faceName, QByteArray("DejaVu Serif"));
    EXPECT_EQ(main.height, -28) << "21 points at 96 pixels an inch, as a character height";
    EXPECT_EQ(main.weight, 700);
    EXPECT_EQ(StoredFont("TitleLF").faceName, QByteArray("Liberation Sans"));
    EXPECT_EQ(
        CAppSettings::Read(QStringLiteral("Settings"), QStringLiteral("PrintNotes"), {}).toString(),
        QStringLiteral("Line 7, machine 12"));
}

namespace {

class ExportPdfTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(doc.Tags().LoadTagFile(QStringLiteral(TAVRIN_BUNDLED_TAG_FILE)).Ok());
    }

    // Three records of the type-10 tags, in tag-file order; returns the first one's name.
    QString Fill()
    {
        constexpr EControllerType kType = EControllerType::TarnPlus;
        doc.Parameters().SetDataControllerType(ControllerTypeNumber(kType));
        QString firstName;
        int count = 0;
        for (const auto& tag : doc.Tags().Tags()) {
            if (!tag->AppliesToType(kType) || count == 3)
                continue;
            auto record = std::make_unique<CParameter>();
            record->tagNumber = tag->tag;
            record->supported = true;
            doc.Parameters().Append(std::move(record));
            if (count++ == 0)
                firstName = CCodePage::ToUnicode(tag->name);
        }
        doc.Parameters().SetEmpty(false);
        return firstName;
    }

    QString Target() const { return dir.filePath(QStringLiteral("sheet.pdf")); }

    // The files left in the target's folder: a failed export leaves no temporary behind.
    QStringList FolderFiles() const
    {
        return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    CTempSettings temp;
    QTemporaryDir dir;
    CAppSettings settings;
    CScriptedPrompt prompt;
    CControllerLink link;
    CTavrinDoc doc{link, settings, prompt};
    QList<bool> filterBox;
    CPrintCommands commands{doc, nullptr, [this](bool show) { filterBox << show; }};
};

} // namespace

TEST_F(ExportPdfTest, NothingPrintableWritesNoFileAndSaysWhy)
{
    ASSERT_TRUE(settings.SetPrintFormat(1));
    prompt.ExpectSaveFile(Target());
    prompt.ExpectMessage(CPrintCommands::NothingToPrintText(), IUserPrompt::EIcon::Information);
    EXPECT_FALSE(commands.ExportPdf()) << "an empty simple list";
    EXPECT_TRUE(FolderFiles().isEmpty()) << FolderFiles().join(u' ').toStdString();

    Fill();
    SPrintFormat format = SPrintFormat::FromSettings(settings);
    format.simpleList = false;
    format.mainFont = CLogFont::FromPointSize(9000, "Arial");
    format.Store(settings);
    prompt.ExpectSaveFile(Target());
    prompt.ExpectMessage(CPrintLayout::PageTooSmallText(), IUserPrompt::EIcon::Exclamation);
    EXPECT_FALSE(commands.ExportPdf()) << "a main font too large for one column";
    EXPECT_TRUE(FolderFiles().isEmpty()) << FolderFiles().join(u' ').toStdString();
}

TEST_F(ExportPdfTest, ASetBecomesAPdfOfItsRecords)
{
    ASSERT_TRUE(settings.SetPrintFormat(1));
    const QString name = Fill();
    ASSERT_FALSE(name.isEmpty());
    doc.StartStatusPoll();
    prompt.ExpectSaveFile(Target());
    ASSERT_TRUE(commands.ExportPdf());
    EXPECT_EQ(FolderFiles(), QStringList{QStringLiteral("sheet.pdf")});
    EXPECT_EQ(filterBox, (QList<bool>{false, true})) << "hidden for the job, then shown";
    EXPECT_TRUE(doc.StatusPollRunning()) << "the poll runs again after the job";

    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    ASSERT_FALSE(pdftotext.isEmpty()) << "poppler-utils is a test dependency";
    QProcess process;
    process.start(pdftotext, {Target(), QStringLiteral("-")});
    ASSERT_TRUE(process.waitForFinished(30000));
    ASSERT_EQ(process.exitCode(), 0);
    const QString text = QString::fromUtf8(process.readAllStandardOutput());
    EXPECT_TRUE(text.contains(name)) << name.toStdString() << " not in:\n" << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Parameter")));
}
