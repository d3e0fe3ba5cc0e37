#include "doc/CTransferSession.h"

#include "doc/CTavrinDoc.h"

CStatusPollPause::CStatusPollPause(CTavrinDoc& doc) : m_doc(doc), m_restart(doc.StatusPollRunning())
{
    m_doc.StopStatusPoll();
}

CStatusPollPause::~CStatusPollPause()
{
    if (m_restart)
        m_doc.StartStatusPoll();
}

CTransferSession::CTransferSession(CTavrinDoc& doc, ECancel cancel, EPollAfter pollAfter)
    : m_doc(doc), m_cancel(cancel), m_linkReadyAfter(doc.LinkReady()),
      m_outermost(doc.Transfer() == nullptr),
      m_restartPoll(m_outermost && (pollAfter == EPollAfter::Restart || doc.StatusPollRunning()))
{
    // Stop the poll first, then clear the flag: no tick can set it again meanwhile.
    m_doc.StopStatusPoll();
    m_doc.SetLinkReady(false);
    if (m_outermost)
        m_doc.SetTransfer(this);
}

CTransferSession::~CTransferSession()
{
    m_doc.SetLinkReady(m_linkReadyAfter);
    if (!m_outermost)
        return;
    // The document hears of the end before the poll restarts; a window closed during the
    // transfer closes afterwards and stops the poll for good.
    m_doc.SetTransfer(nullptr);
    if (m_restartPoll)
        m_doc.StartStatusPoll();
}

bool CTransferSession::RequestCancel()
{
    if (m_cancel == ECancel::Allowed)
        m_cancelRequested = true;
    return m_cancelRequested;
}
