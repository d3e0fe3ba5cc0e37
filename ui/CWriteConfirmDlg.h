#pragma once

#include "doc/IUserPrompt.h"
#include "ui/CSafeQuestionDlg.h"

class QLabel;
class QPushButton;
class QTreeWidget;

// The question asked before the document is written to the controller, with what the write
// will change: the overwrite question's animation and text, the records that differ (name,
// the controller's value → the new value; the first SWritePreview::kListLimit, then how many
// more), and the buttons "Write changed only", "Write all" and "Cancel". "Cancel" is the
// default and the answer to Escape and the close box. "Write changed only" is off when a
// value is unknown (a line says why) or nothing differs (the list says so). The list
// scrolls rather than make the window taller than the screen.
class CWriteConfirmDlg : public CSafeQuestionDlg
{
    Q_OBJECT

public:
    // exec()'s results.
    static constexpr int kChangedOnly = 1;
    static constexpr int kAll = 2;
    static constexpr int kCancel = 3;
    static constexpr int kListWidth = 460;
    static constexpr int kMinimumRows = 3;

    // `tagFileDir` is the "TagFileDir" setting, where the animation is read from.
    CWriteConfirmDlg(const QString& tagFileDir, const IUserPrompt::SWritePreview& preview,
                     QWidget* parent = nullptr);

    // The answer an exec() result stands for.
    static IUserPrompt::EWriteChoice Choice(int result);

    QTreeWidget* List() const { return m_list; }
    // Why "Write changed only" is off; hidden when it is not.
    QLabel* Reason() const { return m_reason; }
    QPushButton* ChangedOnlyButton() const { return m_changedOnly; }
    QPushButton* AllButton() const { return m_all; }
    QPushButton* CancelButton() const { return m_cancel; }

    // Makes the list as tall as its rows, or shorter (it scrolls) so that the window is no
    // taller than `height` pixels; it keeps kMinimumRows rows however small that is. The
    // window does this for its screen when it is built.
    void FitToHeight(int height);

private:
    void FillList(const IUserPrompt::SWritePreview& preview);

    QTreeWidget* m_list;
    QLabel* m_reason;
    QPushButton* m_changedOnly;
    QPushButton* m_all;
    QPushButton* m_cancel;
};
