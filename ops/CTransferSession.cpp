#include "ops/CTransferSession.h"

#include "ops/CTavrinDoc.h"

CStatusPollPause::CStatusPollPause(CTavrinDoc& doc) : m_doc(doc), m_restart(doc.StatusPollRunning())
{
    m_doc.StopStatusPoll();
}

CStatusPollPause::~CStatusPollPause()
{
    if (m_restart)
        m_doc.StartStatusPoll();
}

CTransferSession::CTransferSession(CTavrinDoc& doc, ECancel cancel)
    : m_doc(doc), m_cancel(cancel), m_linkReadyAfter(doc.LinkReady()),
      m_outermost(doc.Transfer() == nullptr), m_poll(doc)
{
    // Stop the poll first (the member above), then clear the flag: no tick can set it again.
    m_doc.SetLinkReady(false);
    if (m_outermost)
        m_doc.SetTransfer(this);
}

CTransferSession::~CTransferSession()
{
    m_doc.SetLinkReady(m_linkReadyAfter);
    // The document hears of the end before the poll restarts, so that a window closed
    // during the transfer can go without another poll tick starting an exchange.
    if (m_outermost)
        m_doc.SetTransfer(nullptr);
}

bool CTransferSession::RequestCancel()
{
    if (m_cancel == ECancel::Allowed)
        m_cancelRequested = true;
    return m_cancelRequested;
}
