#pragma once

class CTavrinDoc;

// Keeps the status poll from ticking while something else talks to the controller. Stops
// the document's poll timer on construction and, when it was running, starts it again on
// destruction, however the scope is left.
class CStatusPollPause
{
public:
    explicit CStatusPollPause(CTavrinDoc& doc);
    ~CStatusPollPause();
    CStatusPollPause(const CStatusPollPause&) = delete;
    CStatusPollPause& operator=(const CStatusPollPause&) = delete;

    // Leaves the poll stopped at the end of the scope.
    void KeepStopped() { m_restart = false; }

private:
    CTavrinDoc& m_doc;
    bool m_restart;
};

// One transfer with the controller: any flow that drives the link in a loop (read, write,
// logs, EEPROM, D-File, Program Controller...). For as long as it lives the link-ready flag
// is clear, the status poll is stopped and the document reports a transfer, on which the
// main window takes no commands. On every way out of the scope the flag is set back, the
// poll started again and the window given its commands back.
//
// Sessions nest: an inner one finds the link already not ready and the poll already
// stopped, and leaves them so; only the outermost one is the document's current transfer
// and restarts the poll.
class CTransferSession
{
public:
    enum class ECancel
    {
        NotAllowed, // a write: never stopped half-way
        Allowed,    // a read: may stop at its next step
    };

    // What the outermost session does with the status poll at its end.
    enum class EPollAfter
    {
        Restart, // start it: the controller may have changed during the transfer
        Restore, // start it only when it ran before (a tool that leaves the poll to its window)
    };

    explicit CTransferSession(CTavrinDoc& doc, ECancel cancel = ECancel::NotAllowed,
                              EPollAfter pollAfter = EPollAfter::Restart);
    ~CTransferSession();
    CTransferSession(const CTransferSession&) = delete;
    CTransferSession& operator=(const CTransferSession&) = delete;

    // Asks the transfer to stop at its next step (the window is being closed). False when
    // this transfer cannot be cancelled; it then runs to its end.
    bool RequestCancel();
    // Whether someone outside the flow asked it to stop; flows check it with their own
    // progress window's Cancel.
    bool CancelRequested() const { return m_cancelRequested; }

    // The link-ready flag to set when the session ends (by default the one it found).
    void SetLinkReadyAfter(bool ready) { m_linkReadyAfter = ready; }
    // Leaves the status poll stopped when the session ends (a log read that met a silent
    // controller keeps it off until its window closes).
    void KeepPollStopped() { m_restartPoll = false; }

private:
    CTavrinDoc& m_doc;
    ECancel m_cancel;
    bool m_linkReadyAfter;
    bool m_cancelRequested = false;
    bool m_outermost;
    bool m_restartPoll;
};
