#include "doc/CTransferProgress.h"

#include <algorithm>

std::unique_ptr<IProgress> CTransferProgress::Begin(CTavrinDoc& doc,
                                                    CTavrinDoc::ETransferDirection direction,
                                                    const QString& title,
                                                    IUserPrompt::EProgressKind kind)
{
    return std::make_unique<CTransferProgress>(doc, direction,
                                               doc.Prompt().BeginProgress(title, kind));
}

CTransferProgress::CTransferProgress(CTavrinDoc& doc, CTavrinDoc::ETransferDirection direction,
                                     std::unique_ptr<IProgress> window)
    : m_doc(doc), m_direction(direction), m_window(std::move(window))
{
}

// The document hears first: the main window's panes are redrawn by the time the progress
// window is.
void CTransferProgress::SetRange(int low, int high)
{
    m_low = low;
    m_high = std::max(low, high);
    m_position = low;
    Report();
    if (m_window)
        m_window->SetRange(low, high);
}

void CTransferProgress::SetPosition(int position)
{
    m_position = std::clamp(position, m_low, m_high);
    Report();
    if (m_window)
        m_window->SetPosition(position);
}

bool CTransferProgress::Pump()
{
    return m_window && m_window->Pump();
}

void CTransferProgress::Report()
{
    m_doc.SetTransferProgress({m_direction, m_position - m_low, m_high - m_low});
}
