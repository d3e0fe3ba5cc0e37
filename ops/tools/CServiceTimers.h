#pragma once

#include "link/EControllerType.h"
#include "res/EString.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

class CTavrinDoc;

// The service timers tool (dialog 144) without its widgets: up to three hour counters of the
// connected controller, a Clear for each, and the programmable times (Service, Total On and
// Brush) of the controllers that offer them. The dialog forwards its timer and buttons here
// and shows the state; tavrin-cli timers runs the same steps.
//
// Which counters a controller has, and what they are called, depends on its type: line 1 is
// tag 0x00C0 on the Stoat base model and 0x18A1 on every other type, line 2 0x4401, line 3
// 0x40A1. A line without a caption for the type is hidden and never read.
//
// Each refresh, clear and program runs its exchanges inside a transfer session: the status
// poll is stopped and the link-ready flag clear while they run, the main window takes no
// commands, and the poll runs again afterwards when it ran before.
class CServiceTimers
{
public:
    static constexpr int kLineCount = 3;
    // The dialog's refresh period.
    static constexpr int kRefreshIntervalMs = 1000;
    // Attempts per exchange of the programmable times (probe and writes).
    static constexpr int kProgrammableAttempts = 2;
    // The largest programmable time, in hours: the figure message 265 states, used for the
    // check, the replacement and the edit text alike.
    static constexpr int kProgrammableLimitHours = 2550;

    // The three programmable entries as typed (decimal text; anything else counts as 0).
    struct SEntries
    {
        QString service = QStringLiteral("0");
        QString totalOn = QStringLiteral("0");
        QString brush = QStringLiteral("0");
    };

    // What a refresh changed, so the dialog re-lays out only what needs it.
    struct SChanges
    {
        bool captions = false;     // the type changed: captions, visible lines, message
        bool programmable = false; // the programmable times came or went
    };

    enum class EClearResult
    {
        Cleared, // the controller answered the clear
        NoReply, // no reply (a counter the controller lacks is not answered either)
        Hidden,  // the line is not shown for this controller type; nothing was sent
    };

    enum class EProgramResult
    {
        Confirmed,    // all three writes answered "Supported" (message 259 shown)
        NotConfirmed, // a write was not; the ones after it were not sent (message 260 shown)
        Invalid,      // Total On is below Brush or Service; nothing was sent
        Unavailable,  // the controller does not offer programmable times; nothing was sent
    };

    explicit CServiceTimers(CTavrinDoc& doc);

    // Opening the dialog: identify, caption the lines for the type found, then refresh.
    SChanges Open();
    // One tick: identify again (re-captioning when the type changed), read every shown line
    // and probe the programmable times.
    SChanges Refresh();
    // Clears line `line` (1..3) with a value write of (0, 0); its Clear button then reads
    // "Cleared".
    EClearResult Clear(int line);
    // Asks before a clear of line `line`: the counter's hours are gone once cleared. No is the
    // default. True for Yes.
    bool ConfirmClear(int line) const;
    QString ClearQuestion(int line) const;
    // The Program button: each entry above the limit is replaced by it (message 265), each
    // negative one by 0 (message 266), in `entries` too; then, when the entries are valid,
    // the three confirmed writes and message 259 or 260.
    EProgramResult Program(SEntries& entries);

    // State for the dialog. Lines are numbered 1..3.
    EControllerType Type() const { return m_type; }
    bool LineShown(int line) const { return Caption(m_type, line).has_value(); }
    std::uint16_t LineTag(int line) const;
    // The group caption; empty for a hidden line.
    QString LineCaption(int line) const;
    // "12 Hours", "1 Hour", "N/C"; empty before the line was first read.
    QString LineText(int line) const { return Line(line).text; }
    // "Clear", or "Cleared" once the controller answered a clear of the line.
    QString ClearCaption(int line) const;
    // "Bad connection" without a controller, "Unsupported controller" for a type without
    // timers; empty (the message hidden) otherwise.
    QString MessageText() const;
    bool ProgrammableAvailable() const { return m_programmable; }

    // The rules, free of any state.
    static bool IsSupportedType(EControllerType type);
    // The caption of `line` for `type`; nullopt where the line is hidden.
    static std::optional<EString> Caption(EControllerType type, int line);
    static std::uint16_t TagFor(EControllerType type, int line);
    // "%d Hour", with "s" unless the count is 1.
    static QString HoursText(std::uint16_t hours);
    // An entry's number: decimal with an optional sign; anything else is 0. A number too
    // long to hold keeps its sign and counts as beyond the limit.
    static qint64 EntryValue(const QString& text);
    // Total On at least Brush and at least Service.
    static bool EntriesValid(const SEntries& entries);
    // The hint under the Program button for valid or invalid entries.
    static QString HintText(bool valid);

private:
    struct SLine
    {
        QString text;
        bool cleared = false;
    };
    const SLine& Line(int line) const;
    SLine& Line(int line);

    // Takes the type found; true (and captions reset) when it changed.
    bool SetType(EControllerType type);
    bool ProbeProgrammable();
    bool WriteProgrammable(qint64 hours);

    CTavrinDoc& m_doc;
    EControllerType m_type = EControllerType::None;
    bool m_typeKnown = false;
    std::array<SLine, kLineCount> m_lines;
    bool m_programmable = false;
};
