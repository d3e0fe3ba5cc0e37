#pragma once

#include "link/LinkProtocol.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

class CTavrinDoc;
class IProgress;

// One of the controller's two trip logs (system or control): sixteen entries of a trip code
// and its occurrence count, and a status tag that tells whether the log exists. This class
// holds the log window's state and every exchange of it; the window only shows the lines and
// button states and forwards its timer and buttons here.
//
// Reads and clears show progress through a progress object made by the progress factory
// (by default a plain progress window of the document's prompt); it exists exactly while
// the bar is to be shown. Reads stop the status poll and restart it only after a read that
// got its replies; a read that loses the controller leaves the poll stopped, so whoever
// closes the log window restarts it.
class CControllerLog
{
public:
    enum class EKind
    {
        System,
        Control
    };

    // Attempts per exchange.
    static constexpr int kProbeAttempts = 4;
    static constexpr int kCodeAttempts = 1;
    static constexpr int kCountAttempts = 12;
    static constexpr int kStatusAttempts = 10;
    static constexpr int kClearReadAttempts = 2;
    static constexpr int kClearWriteAttempts = 2;
    // Failures a clear group tolerates before it gives up, and the pause after each failure.
    static constexpr int kEntryGroupFailureLimit = 10;
    static constexpr int kStatusGroupFailureLimit = 3;
    static constexpr int kClearFailurePauseMs = 100;
    // Progress bar ranges: one step per entry read, one per tag cleared.
    static constexpr int kReadSteps = LinkProtocol::kLogEntries;
    static constexpr int kClearSteps = 2 * LinkProtocol::kLogEntries + 1;

    // Makes a progress object for a bar of 0..`high`; nullptr to show none.
    using ProgressFactory = std::function<std::unique_ptr<IProgress>(int high)>;

    CControllerLog(CTavrinDoc& doc, EKind kind);

    void SetProgressFactory(ProgressFactory factory) { m_progressFactory = std::move(factory); }

    EKind Kind() const { return m_kind; }
    // "System Log" or "Control Log".
    QString Title() const;
    std::uint16_t StatusTag() const;
    std::uint16_t CodeBase() const;
    std::uint16_t CountBase() const;

    // Opening the window: connected follows the document's link-ready flag, the log is not
    // known to be available, and the first tick reads it.
    void Open();
    // One timer tick: probes the status tag and reads the log when anything changed. True
    // when the log was read (the lines and buttons need showing again).
    bool Tick();
    // Reads the status tag (4 attempts) and updates connected and log available. True when
    // either changed.
    bool Probe();
    // Reads the sixteen entries and the status word with progress. True when the last
    // exchange got a reply; false when the controller fell silent.
    bool Read();
    // Clears the codes, the counts and the status word, with progress. On failure shows
    // "Could not clear diagnostic log." and returns false. Either way the next tick reads the
    // log again.
    bool Clear();

    // Asks before a clear: "Clear the log in the controller? The entries cannot be
    // recovered." with No as the default. True for Yes.
    bool ConfirmClear() const;

    // The list box's lines for the current state.
    QStringList DisplayLines() const;
    // The log as a text file: the title, the connected controller's type name, the time
    // `when` and the lines as shown.
    QString ReportText(const QDateTime& when) const;
    // Writes ReportText as UTF-8 through a save file. Empty on success, otherwise the
    // reason, naming the file.
    QString SaveReport(const QString& path, const QDateTime& when) const;
    bool RefreshEnabled() const { return m_connected && m_logAvailable; }
    bool ClearEnabled() const { return m_logAvailable && m_nonZeroEntries > 0; }

    bool Connected() const { return m_connected; }
    bool LogAvailable() const { return m_logAvailable; }
    bool Changed() const { return m_changed; }
    bool HasRead() const { return m_hasRead; }
    bool LastReadOk() const { return m_lastReadOk; }
    int EntriesRead() const { return m_entriesRead; }
    int NonZeroEntries() const { return m_nonZeroEntries; }
    std::uint16_t Code(int i) const { return m_codes.at(static_cast<std::size_t>(i)); }
    std::uint16_t Count(int i) const { return m_counts.at(static_cast<std::size_t>(i)); }
    std::uint16_t StatusWord() const { return m_statusWord; }

private:
    void ResetEntries();
    std::unique_ptr<IProgress> BeginProgress(int high);
    // Clears tags first .. first + count - 1; false once `failureLimit` failures are reached.
    bool ClearGroup(std::uint16_t first, int count, int failureLimit, IProgress* progress,
                    int& step);

    CTavrinDoc& m_doc;
    EKind m_kind;
    ProgressFactory m_progressFactory;

    std::array<std::uint16_t, LinkProtocol::kLogEntries> m_codes{};
    std::array<std::uint16_t, LinkProtocol::kLogEntries> m_counts{};
    int m_entriesRead = 0;
    int m_nonZeroEntries = 0;
    std::uint16_t m_statusWord = 0;
    bool m_connected = false;
    bool m_logAvailable = false;
    bool m_changed = true;
    bool m_hasRead = false;
    bool m_lastReadOk = false;
};
