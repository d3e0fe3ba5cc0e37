#include "app/widgets/CPrintCommands.h"

#include "doc/CTavrinDoc.h"
#include "doc/CTransferSession.h"
#include "doc/IUserPrompt.h"
#include "res/StringTable.h"
#include "ui/CPrintFormatDlg.h"

#include <QDateTime>
#include <QFileInfo>
#include <QPageSetupDialog>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSaveFile>
#include <QScreen>

namespace {

// Hides the filter box for the length of a print job; the box comes back however the job
// ends.
class CFilterBoxHidden
{
public:
    explicit CFilterBoxHidden(const std::function<void(bool)>& show) : m_show(show)
    {
        if (m_show)
            m_show(false);
    }
    ~CFilterBoxHidden()
    {
        if (m_show)
            m_show(true);
    }
    CFilterBoxHidden(const CFilterBoxHidden&) = delete;
    CFilterBoxHidden& operator=(const CFilterBoxHidden&) = delete;

private:
    const std::function<void(bool)>& m_show;
};

} // namespace

CPrintCommands::CPrintCommands(CTavrinDoc& doc, QWidget* parent,
                               std::function<void(bool)> showFilterBox)
    : m_doc(doc), m_parent(parent), m_showFilterBox(std::move(showFilterBox))
{
}

CPrintCommands::~CPrintCommands() = default;

QString CPrintCommands::NothingToPrintText()
{
    return tr("There is nothing to print.");
}

QString CPrintCommands::PdfFilter()
{
    return tr("PDF files (*.pdf)");
}

QPrinter& CPrintCommands::Printer()
{
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

CPrintLayout::EResult CPrintCommands::RunJob(QPagedPaintDevice& device)
{
    CPrintLayout::EResult result;
    {
        CFilterBoxHidden hidden(m_showFilterBox);
        CStatusPollPause pause(m_doc);
        const SPrintSheet sheet = SPrintSheet::FromDocument(m_doc, QDateTime::currentDateTime());
        result = CPrintLayout::Print(device, sheet, SPrintFormat::FromSettings(m_doc.Settings()));
    }
    if (result == CPrintLayout::EResult::PageTooSmall)
        m_doc.Prompt().Message(CPrintLayout::PageTooSmallText(), IUserPrompt::EIcon::Exclamation);
    return result;
}

void CPrintCommands::EditFormat()
{
    CPrintFormatDlg::Run(m_doc.Settings(), m_parent);
}

void CPrintCommands::Print()
{
    QPrinter& printer = Printer();
    printer.setDocName(m_doc.Title());
    QPrintDialog dialog(&printer, m_parent);
    // The layout prints the whole set: page ranges and selections have nothing to act on.
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    if (dialog.exec() != QDialog::Accepted)
        return;
    RunJob(printer);
}

void CPrintCommands::Preview()
{
    QPrinter& printer = Printer();
    printer.setDocName(m_doc.Title());
    QPrintPreviewDialog dialog(&printer, m_parent);
    // Qt's default size shows a page at about half its size; most of the screen reads better.
    if (const QScreen* screen = dialog.screen())
        dialog.resize(screen->availableGeometry().size() * 4 / 5);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [this](QPrinter* target) { RunJob(*target); });
    dialog.exec();
}

void CPrintCommands::Setup()
{
    QPageSetupDialog dialog(&Printer(), m_parent);
    dialog.exec();
}

QString CPrintCommands::SuggestedPdfName() const
{
    const QString base = QFileInfo(m_doc.Title()).completeBaseName();
    return (base.isEmpty() ? QString::fromLatin1(CTavrinDoc::kUntitled) : base) +
           QStringLiteral(".pdf");
}

bool CPrintCommands::ExportPdf()
{
    IUserPrompt& prompt = m_doc.Prompt();
    const QString path = prompt.ChooseSaveFile(tr("Export PDF"), PdfFilter(), QStringLiteral("pdf"),
                                               SuggestedPdfName());
    if (path.isEmpty())
        return false;

    // The pages go to a temporary file beside the target, which takes the target's name
    // only once the PDF is complete.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        prompt.Message(LoadString(EString::CannotSaveFile), IUserPrompt::EIcon::Exclamation);
        return false;
    }
    CPrintLayout::EResult result;
    {
        QPdfWriter writer(&file);
        writer.setTitle(m_doc.Title());
        writer.setCreator(LoadString(EString::AppName));
        writer.setPageLayout(Printer().pageLayout());
        result = RunJob(writer);
    }
    if (result != CPrintLayout::EResult::Printed) {
        file.cancelWriting();
        if (result == CPrintLayout::EResult::NothingToPrint)
            prompt.Message(NothingToPrintText(), IUserPrompt::EIcon::Information);
        return false;
    }
    if (!file.commit()) {
        prompt.Message(LoadString(EString::CannotSaveFile), IUserPrompt::EIcon::Exclamation);
        return false;
    }
    return true;
}
