#pragma once

#include "doc/CTavrinDoc.h"
#include "doc/IUserPrompt.h"

#include <memory>

// The progress of a parameter read or write: drives the prompt's progress window and tells
// the document how far the transfer has got, so that the main window's status pane can show
// "Reading 34/95" while the link-ready flag is clear. The window's range counts the records
// the transfer handles and its position the records done. Owns the window, which closes
// when this object is destroyed; the document keeps the last count until the outermost
// transfer session ends.
class CTransferProgress : public IProgress
{
public:
    // Opens the window titled `title` through the document's prompt. Never null: without a
    // window the document still hears of every step, and Pump never cancels.
    static std::unique_ptr<IProgress> Begin(CTavrinDoc& doc,
                                            CTavrinDoc::ETransferDirection direction,
                                            const QString& title, IUserPrompt::EProgressKind kind);

    // `window` may be null.
    CTransferProgress(CTavrinDoc& doc, CTavrinDoc::ETransferDirection direction,
                      std::unique_ptr<IProgress> window);

    void SetRange(int low, int high) override;
    void SetPosition(int position) override;
    bool Pump() override;

private:
    void Report();

    CTavrinDoc& m_doc;
    CTavrinDoc::ETransferDirection m_direction;
    std::unique_ptr<IProgress> m_window;
    int m_low = 0;
    int m_high = 0;
    int m_position = 0;
};
