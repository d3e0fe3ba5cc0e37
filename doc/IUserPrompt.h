#pragma once

#include <QString>

#include <memory>
#include <vector>

// A progress window that a flow drives while it exchanges packets. Flows call Pump() after
// every step; it lets the window handle input (a Cancel click) and tells whether the user
// asked to cancel. The window closes when the object is destroyed.
class IProgress
{
public:
    virtual ~IProgress() = default;
    virtual void SetRange(int low, int high) = 0;
    virtual void SetPosition(int position) = 0;
    // Handles waiting input and returns the cancel flag (always false without a Cancel
    // button). The flag is never reset once set.
    virtual bool Pump() = 0;
};

// How flows talk to the user. Flows (read, write, logs, tools) never touch widgets; the
// application hands them a message-box implementation, tavrin-cli a terminal one, and tests
// a scripted one that fails on any prompt it did not expect.
class IUserPrompt
{
public:
    enum class EIcon
    {
        None,
        Information,
        Exclamation,
        Stop,
        Question
    };
    enum class EButtons
    {
        Ok,
        OkCancel,
        YesNo,
        YesNoCancel,
        RetryCancel
    };
    enum class EAnswer
    {
        Ok,
        Cancel,
        Yes,
        No,
        Retry
    };
    enum class EProgressKind
    {
        Cancellable, // with a Cancel button (reading from a controller)
        Plain,       // without a button (writing to a controller)
    };

    virtual ~IUserPrompt() = default;

    // A message the user acknowledges. An empty caption means the application's name.
    virtual void Message(const QString& text, EIcon icon, const QString& caption = {}) = 0;
    // A message with particulars the user may look through: a long list of failures must not
    // make the box taller than the screen. By default the details follow the text on lines of
    // their own.
    virtual void MessageWithDetails(const QString& text, const QString& details, EIcon icon)
    {
        Message(details.isEmpty() ? text : text + QLatin1Char('\n') + details, icon);
    }
    // A question; the answer is one of the buttons offered (closing the box counts as
    // Cancel where offered, otherwise No).
    virtual EAnswer Question(const QString& text, EButtons buttons, EIcon icon) = 0;
    // A question whose safe answer is No, asked before something that cannot be undone: No
    // is the default button, so a hasty Enter does not confirm it. `buttons` is YesNo or
    // YesNoCancel.
    virtual EAnswer QuestionDefaultNo(const QString& text, EIcon icon,
                                      EButtons buttons = EButtons::YesNo)
    {
        return Question(text, buttons, icon);
    }
    // "Do you wish to overwrite the settings already in the controller ...?" with its
    // animation; true for Yes, false for No or Escape.
    virtual bool ConfirmOverwrite() = 0;

    // What a write of the document would change in the controller, found by comparing the
    // two first: the records that differ, in the list's order.
    struct SWritePreview
    {
        // Records listed; the rest are only counted (`more`).
        static constexpr int kListLimit = 20;

        // What the controller answered for a record.
        enum class EHeld
        {
            Value,   // its value, in `before`
            Refused, // that it has no such parameter
            NoReply, // nothing: its value is unknown
        };
        struct SChange
        {
            QString name;   // the tag's name
            QString before; // the controller's value as the list shows it (Value only)
            QString after;  // the value to be written, as the list shows it
            EHeld held = EHeld::Value;
        };
        std::vector<SChange> changes; // at most kListLimit
        int more = 0;                 // records that differ beyond `changes`
        int unknown = 0; // records, listed or not, whose value in the controller is unknown

        bool NothingDiffers() const { return changes.empty(); }
        // A write of the changed records only needs every value known, and one to differ.
        bool ChangedOnlyPossible() const { return unknown == 0 && !changes.empty(); }
    };
    enum class EWriteChoice
    {
        Cancel,      // nothing is written
        ChangedOnly, // the records that differ
        All,         // every record, as the overwrite question's Yes
    };
    // The overwrite question with the list of what will change; Cancel is the default and
    // the answer to Escape. Without a window of its own it is the overwrite question: Yes
    // writes all.
    virtual EWriteChoice ConfirmWrite(const SWritePreview&)
    {
        return ConfirmOverwrite() ? EWriteChoice::All : EWriteChoice::Cancel;
    }
    // A progress window titled `title` (may be empty); nullptr when none can be shown, in
    // which case the flow carries on without one.
    virtual std::unique_ptr<IProgress> BeginProgress(const QString& title, EProgressKind kind) = 0;
    // File choices; an empty result means the user cancelled. `filter` is in Qt's form,
    // e.g. "Profile Files  (*.prf)"; `defaultSuffix` without the dot.
    virtual QString ChooseOpenFile(const QString& caption, const QString& filter) = 0;
    virtual QString ChooseSaveFile(const QString& caption, const QString& filter,
                                   const QString& defaultSuffix, const QString& suggestedName) = 0;

    // A file choice that also tells which of several filters the user had selected (a save
    // whose format follows the filter).
    struct SFileChoice
    {
        enum class EMode
        {
            Open, // an existing file
            Save, // a file name to write, existing or not
        };
        EMode mode = EMode::Open;
        QString caption;
        // One filter or several separated by ";;", in Qt's form; the first is selected.
        QString filter;
        // The file name or path the choice starts with; may be empty.
        QString suggestedPath;
    };
    struct SFileChosen
    {
        QString path;   // empty: the user cancelled
        QString filter; // the filter selected when the file was chosen
    };
    // Without file dialogs (the default) nothing is chosen.
    virtual SFileChosen ChooseFile(const SFileChoice&) { return {}; }
};
