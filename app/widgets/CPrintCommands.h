#pragma once

#include "print/CPrintLayout.h"

#include <QCoreApplication>

#include <functional>
#include <memory>

class CTavrinDoc;
class QPrinter;
class QWidget;

// The File menu's printing commands: Print, Print Preview, Print Setup, Print Format and
// Export PDF. Pages come from CPrintLayout in the style the settings choose. One printer
// object lives as long as this, so the choices made in Print Setup hold for the following
// print jobs, previews and exports. Messages go through the document's prompt.
//
// Every print job (a print, each render of the preview, an export) hides the tool bar's
// filter box and pauses the status poll while its pages are painted, and undoes both at its
// end.
class CPrintCommands
{
    Q_DECLARE_TR_FUNCTIONS(CPrintCommands)

public:
    // `parent` is the window the dialogs are modal to; `showFilterBox` hides (false) and
    // shows (true) the filter box, and may be empty.
    CPrintCommands(CTavrinDoc& doc, QWidget* parent, std::function<void(bool)> showFilterBox = {});
    ~CPrintCommands();
    CPrintCommands(const CPrintCommands&) = delete;
    CPrintCommands& operator=(const CPrintCommands&) = delete;

    // "Print For&mat...": the Print Format dialog; OK stores the choices.
    void EditFormat();
    // "&Print...": the print dialog, then the pages on the chosen printer.
    void Print();
    // "Print Pre&view": the preview window; it renders the pages again whenever its page
    // settings change, and prints from its own Print button.
    void Preview();
    // "P&rint Setup...": page size, orientation and margins of the kept printer.
    void Setup();
    // "Export PDF…": the pages straight to a PDF file chosen by the user, in the page
    // settings of the kept printer. The file appears only when complete: nothing is written
    // when the user cancels, there is nothing to print or the text does not fit the page.
    // True when a file was written.
    bool ExportPdf();

    // Texts of this port's own that the string table does not hold.
    static QString NothingToPrintText();
    static QString PdfFilter();

    // The kept printer, created on first use (asking the print system for the default
    // printer takes a moment).
    QPrinter& Printer();

private:
    // One print job on `device`: filter box hidden and poll paused while it paints; the
    // page-too-small message afterwards.
    CPrintLayout::EResult RunJob(QPagedPaintDevice& device);
    QString SuggestedPdfName() const;

    CTavrinDoc& m_doc;
    QWidget* m_parent;
    std::function<void(bool)> m_showFilterBox;
    std::unique_ptr<QPrinter> m_printer;
};
