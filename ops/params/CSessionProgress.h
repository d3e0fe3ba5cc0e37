#pragma once

#include "doc/CTransferSession.h"
#include "doc/IUserPrompt.h"

// The progress window of a comparison inside a transfer session: Cancel also when the
// session was asked to stop (the main window is closing). `window` may be null; it and
// `session` must outlive this object.
class CSessionProgress : public IProgress
{
public:
    CSessionProgress(IProgress* window, const CTransferSession& session)
        : m_window(window), m_session(session)
    {
    }
    void SetRange(int low, int high) override
    {
        if (m_window)
            m_window->SetRange(low, high);
    }
    void SetPosition(int position) override
    {
        if (m_window)
            m_window->SetPosition(position);
    }
    bool Pump() override
    {
        const bool cancelled = m_window && m_window->Pump();
        return cancelled || m_session.CancelRequested();
    }

private:
    IProgress* m_window;
    const CTransferSession& m_session;
};
