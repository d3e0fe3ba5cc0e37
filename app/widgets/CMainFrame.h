#pragma once

#include "res/EString.h"

#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QPointer>

#include <functional>

class CAppSettings;
class CTavrinDoc;
class QComboBox;
class QLabel;
class QLineEdit;
class QToolBar;

// The application's one top-level window: menu, tool bar with the filter box, status bar
// with the controller panes and the equality pane, and the list view. Command handling
// lives in the document, the view and the application; they register their handlers and
// enabling rules here, and the frame routes the commands and refreshes their states.
class CMainFrame : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr int kInitialWidth = 700;
    static constexpr int kInitialHeight = 500;
    static constexpr int kFilterBoxWidth = 120;
    static constexpr int kSearchBoxWidth = 170;
    static constexpr int kEqualityPaneWidth = 110;
    // Views update hint sent when the connected controller type changes.
    static constexpr int kHintControllerChanged = 101;
    // How often a close asked for during a transfer looks again whether it may go ahead.
    static constexpr int kClosePendingRetryMs = 50;

    CMainFrame(CTavrinDoc& doc, CAppSettings& settings, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Registers what a command does, when it is enabled and (for checkable items) whether
    // it is checked. Commands without a handler stay disabled. The rules are evaluated only
    // when a state the frame follows changes (see the constructor) and after every command,
    // so a rule may depend on nothing else.
    void SetCommand(int id, std::function<void()> handler, std::function<bool()> enabled = {},
                    std::function<bool()> checked = {});
    QAction* Action(int id) const { return m_actions.value(id); }
    // Calls `hook` each time the menu holding command `id` is about to show, then
    // re-evaluates the command states: for items whose state is found only then.
    void SetMenuAboutToShow(int id, std::function<void()> hook);
    // Asked before the window closes (the save-modified question); false keeps it open.
    void SetCloseQuery(std::function<bool()> query) { m_closeQuery = std::move(query); }
    // Replaces the recent-file entries of the File menu (most recent first, at most four);
    // `open` is called with the chosen path.
    void SetRecentFiles(const QStringList& files, const std::function<void(const QString&)>& open);
    // Re-evaluates every command's enabled and checked state and the controller panes.
    void UpdateCommandStates();

    // Shows a string-table text in the message pane.
    void SetStatusMessage(EString text);
    // "Program Equal." (with its tool tip) or "Program Not Equal."; the pane stays empty
    // while the link is not ready and shows the flag again once it is.
    void SetEqualityPane(bool equal);
    QString EqualityPaneText() const;
    bool EqualityPaneEqual() const { return m_equal; }

    QComboBox* FilterBox() const { return m_filterBox; }
    void ShowFilterBox(bool show);
    // The search box beside the filter box (a part of the names to look for; Escape clears
    // it), and the label after it that says how many rows match.
    QLineEdit* SearchBox() const { return m_searchBox; }
    void SetMatchText(const QString& text);
    QString MatchText() const;
    // Shows the tool bar when hidden, then gives the search box the focus with its text
    // selected.
    void FocusSearchBox();

    // Applies the stored placement (at start and after every File New or File Open); the
    // window is shown in the stored state.
    void RestorePlacement();
    // Writes the placement to the settings from the current window state.
    void SavePlacement();

    // Shows a text of its own in the message pane (what a write came to).
    void SetStatusMessageText(const QString& text);

signals:
    // All views should update with this hint (101: the connected controller changed).
    void ViewsNeedUpdate(int hint);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void UpdateControllerPanes();
    void ShowEqualityPane();
    void OnTransferStateChanged(bool active);
    void ClosePending();

    struct SCommand
    {
        std::function<void()> handler;
        std::function<bool()> enabled;
        std::function<bool()> checked;
    };

    CTavrinDoc& m_doc;
    CAppSettings& m_settings;
    QHash<int, QAction*> m_actions;
    QList<QAction*> m_recentActions;
    std::function<bool()> m_closeQuery;
    QHash<int, SCommand> m_commands;
    QToolBar* m_toolBar = nullptr;
    QComboBox* m_filterBox = nullptr;
    QAction* m_filterBoxAction = nullptr;
    QLineEdit* m_searchBox = nullptr;
    QLabel* m_matchLabel = nullptr;
    QLabel* m_statusPane = nullptr;
    QLabel* m_idPane = nullptr;
    QLabel* m_equalityPane = nullptr;
    bool m_equal = false;
    bool m_placementSaved = false;
    bool m_created = false; // menus, tool bar and status bar all exist
    int m_lastConnectedType = -1;
    // Actions switched off for the running transfer, switched on again when it ends.
    QList<QPointer<QAction>> m_blockedActions;
    // The window was asked to close during a transfer: it closes when the transfer ends.
    bool m_closePending = false;
};
