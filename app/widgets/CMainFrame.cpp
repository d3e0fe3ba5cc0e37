#include "app/widgets/CMainFrame.h"

#include "app/CAppSettings.h"
#include "app/CWindowPlacement.h"
#include "app/widgets/CMenuTable.h"
#include "doc/CTavrinDoc.h"
#include "doc/CTransferSession.h"
#include "res/StringTable.h"
#include "ui/ControlId.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>

#include <algorithm>

namespace {

QLabel* MakePane(const QString& objectName, const QString& widestText, QWidget* parent)
{
    auto* pane = new QLabel(parent);
    pane->setObjectName(objectName);
    pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(widestText) + 8);
    pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return pane;
}

} // namespace

CMainFrame::CMainFrame(CTavrinDoc& doc, CAppSettings& settings, QWidget* parent)
    : QMainWindow(parent), m_doc(doc), m_settings(settings)
{
    setObjectName(QStringLiteral("mainFrame"));
    setWindowTitle(LoadString(EString::AppName));
    resize(kInitialWidth, kInitialHeight);
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    SetEqualityPane(false);
    m_created = true;

    // Command states are evaluated when something they depend on changes, never on a timer:
    // the link-ready flag and the controller types (set by reads, identification and the
    // status poll), the parameter set (whoever changes it asks the views to update: a read,
    // File New, a profile opened), a transfer beginning or ending, and the tool bar shown or
    // hidden (also from the window's context menu). The settings and the status bar, which
    // only their own commands change, are caught by the evaluation after every command.
    connect(&m_doc, &CTavrinDoc::ControllerStateChanged, this, &CMainFrame::UpdateCommandStates);
    connect(&m_doc, &CTavrinDoc::ViewsUpdateRequested, this, &CMainFrame::UpdateCommandStates);
    connect(&m_doc, &CTavrinDoc::TransferStateChanged, this, &CMainFrame::OnTransferStateChanged);
    connect(&m_doc, &CTavrinDoc::TransferProgressChanged, this, &CMainFrame::UpdateControllerPanes);
    connect(m_toolBar, &QToolBar::visibilityChanged, this, &CMainFrame::UpdateCommandStates);
    UpdateCommandStates();
}

CMainFrame::~CMainFrame()
{
    if (!m_placementSaved)
        SavePlacement();
}

void CMainFrame::CreateMenus()
{
    QMenu* menu = nullptr;
    QHash<QString, QMenu*> subMenus;
    for (const MenuTable::SItem& item : MenuTable::Items()) {
        if (item.menu) {
            menu = menuBar()->addMenu(QString::fromLatin1(item.menu));
            subMenus.clear();
        }
        if (!item.text) {
            menu->addSeparator();
            continue;
        }
        QMenu* target = menu;
        if (item.subMenu) {
            const QString title = QString::fromLatin1(item.subMenu);
            if (!subMenus.contains(title))
                subMenus.insert(title, menu->addMenu(title));
            target = subMenus.value(title);
        }
        // UTF-8: "Export PDF…" carries a real ellipsis; every other text is ASCII.
        auto* action = target->addAction(QString::fromUtf8(item.text));
        action->setObjectName(ControlId::Name(item.id));
        action->setStatusTip(MenuTable::StatusTip(item.id));
        const QString tip = MenuTable::ToolTip(item.id);
        action->setToolTip(
            tip.isEmpty() ? action->text().section(QLatin1Char('\t'), 0, 0).remove(QLatin1Char('&'))
                          : tip);
        if (item.shortcut)
            action->setShortcuts(QKeySequence::listFromString(QString::fromLatin1(item.shortcut)));
        action->setEnabled(false);
        const int id = item.id;
        connect(action, &QAction::triggered, this, [this, id] {
            if (m_doc.TransferActive())
                return;
            const auto it = m_commands.constFind(id);
            if (it != m_commands.constEnd() && it->handler && (!it->enabled || it->enabled()))
                it->handler();
            UpdateCommandStates();
        });
        m_actions.insert(id, action);
    }

    // The framework's own commands.
    SetCommand(MenuTable::IdAppExit, [this] { close(); });
    for (int id : {MenuTable::IdViewToolbar, MenuTable::IdViewStatusBar})
        m_actions.value(id)->setCheckable(true);
    SetCommand(
        MenuTable::IdViewToolbar, [this] { m_toolBar->setVisible(!m_toolBar->isVisible()); }, {},
        [this] { return !m_toolBar->isHidden(); });
    SetCommand(
        MenuTable::IdViewStatusBar, [this] { statusBar()->setVisible(!statusBar()->isVisible()); },
        {}, [this] { return !statusBar()->isHidden(); });
}

void CMainFrame::CreateToolBar()
{
    m_toolBar = addToolBar(QStringLiteral("Standard"));
    m_toolBar->setObjectName(QStringLiteral("toolBar"));
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->setMovable(true);

    m_filterBox = new QComboBox(m_toolBar);
    m_filterBox->setObjectName(ControlId::Name(MenuTable::IdFilterBox));
    m_filterBox->setFixedWidth(kFilterBoxWidth);
    m_filterBox->setMaxVisibleItems(12);
    m_filterBox->setStatusTip(MenuTable::StatusTip(MenuTable::IdFilterBox));
    m_filterBox->setToolTip(MenuTable::ToolTip(MenuTable::IdFilterBox));
    m_filterBox->addItem(QStringLiteral("All"));
    m_filterBox->setCurrentIndex(0);
    m_filterBoxAction = m_toolBar->addWidget(m_filterBox);

    m_searchBox = new QLineEdit(m_toolBar);
    m_searchBox->setObjectName(ControlId::Name(MenuTable::IdSearchBox));
    m_searchBox->setFixedWidth(kSearchBoxWidth);
    m_searchBox->setClearButtonEnabled(true);
    m_searchBox->setPlaceholderText(tr("Search parameters"));
    m_searchBox->setToolTip(
        tr("Show the parameters whose name or value holds this text, or whose tag number it "
           "is: 272, 0110 or 0x0110 (Ctrl+F)"));
    auto* clearSearch = new QAction(m_searchBox);
    clearSearch->setShortcut(QKeySequence(Qt::Key_Escape));
    clearSearch->setShortcutContext(Qt::WidgetShortcut);
    connect(clearSearch, &QAction::triggered, m_searchBox, &QLineEdit::clear);
    m_searchBox->addAction(clearSearch);
    m_toolBar->addWidget(m_searchBox);
    QAction* changedOnly = m_actions.value(MenuTable::IdViewChangedOnly);
    changedOnly->setIcon(QApplication::style()->standardIcon(QStyle::SP_FileDialogListView));
    m_toolBar->addAction(changedOnly);
    m_matchLabel = new QLabel(m_toolBar);
    m_matchLabel->setObjectName(QStringLiteral("matchLabel"));
    m_matchLabel->setContentsMargins(6, 0, 6, 0);
    m_toolBar->addWidget(m_matchLabel);
    m_toolBar->addSeparator();

    QStyle* style = QApplication::style();
    const struct
    {
        int id;
        QStyle::StandardPixmap icon;
    } buttons[] = {
        {MenuTable::IdFileOpen, QStyle::SP_DialogOpenButton},
        {MenuTable::IdFileSave, QStyle::SP_DialogSaveButton},
        {MenuTable::IdFileSend, QStyle::SP_CommandLink},
        {0, QStyle::SP_CustomBase},
        {MenuTable::IdFilePrint, QStyle::SP_FileDialogDetailedView},
        {0, QStyle::SP_CustomBase},
        {MenuTable::IdWriteToController, QStyle::SP_ArrowUp},
        {MenuTable::IdReadFromController, QStyle::SP_ArrowDown},
        {0, QStyle::SP_CustomBase},
        {MenuTable::IdControllerInfo, QStyle::SP_MessageBoxInformation},
        {0, QStyle::SP_CustomBase},
        {MenuTable::IdAdcView, QStyle::SP_ComputerIcon},
        {MenuTable::IdSystemLog, QStyle::SP_FileDialogContentsView},
        {MenuTable::IdServiceTimers, QStyle::SP_BrowserReload},
        {0, QStyle::SP_CustomBase},
        {MenuTable::IdAppAbout, QStyle::SP_DialogHelpButton},
    };
    for (const auto& button : buttons) {
        if (button.id == 0) {
            m_toolBar->addSeparator();
            continue;
        }
        QAction* action = m_actions.value(button.id);
        action->setIcon(style->standardIcon(button.icon));
        m_toolBar->addAction(action);
    }
}

void CMainFrame::CreateStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("statusBar"));
    m_statusPane = MakePane(ControlId::Name(59143), QStringLiteral("Controller Status"), bar);
    m_idPane = MakePane(ControlId::Name(59142), QStringLiteral("Controller ID"), bar);
    m_equalityPane = new QLabel(bar);
    m_equalityPane->setObjectName(QStringLiteral("equalityPane"));
    // 110 pixels held the text in the old system font; make sure the longer of the two texts
    // fits in the platform's font too.
    m_equalityPane->setFixedWidth(std::max(
        kEqualityPaneWidth,
        m_equalityPane->fontMetrics().horizontalAdvance(LoadString(EString::ProgramNotEqual)) +
            12));
    bar->addPermanentWidget(m_statusPane);
    bar->addPermanentWidget(m_idPane);
    bar->addPermanentWidget(m_equalityPane);
    // Keyboard lock indicators: Qt does not report the lock states, so they are shown as
    // inactive indicators, as on a system that does not tell.
    for (const auto& [id, text] : {std::pair{59137, "CAP"}, {59138, "NUM"}, {59139, "SCRL"}}) {
        QLabel* pane = MakePane(ControlId::Name(id), QString::fromLatin1(text), bar);
        pane->setText(QString::fromLatin1(text));
        pane->setEnabled(false);
        bar->addPermanentWidget(pane);
    }
    bar->showMessage(LoadString(EString::Ready));
}

void CMainFrame::SetCommand(int id, std::function<void()> handler, std::function<bool()> enabled,
                            std::function<bool()> checked)
{
    m_commands.insert(id, {std::move(handler), std::move(enabled), std::move(checked)});
    if (QAction* action = m_actions.value(id); action && m_commands.value(id).checked)
        action->setCheckable(true);
    UpdateCommandStates();
}

void CMainFrame::SetMenuAboutToShow(int id, std::function<void()> hook)
{
    QAction* action = m_actions.value(id);
    QMenu* menu = action ? qobject_cast<QMenu*>(action->parent()) : nullptr;
    if (!menu)
        return;
    connect(menu, &QMenu::aboutToShow, this, [this, hook = std::move(hook)] {
        hook();
        UpdateCommandStates();
    });
}

void CMainFrame::UpdateCommandStates()
{
    if (!m_created)
        return;
    if (m_doc.TransferActive()) {
        // Every command stays off until the transfer ends; only the panes follow it.
        UpdateControllerPanes();
        return;
    }
    for (auto it = m_actions.constBegin(); it != m_actions.constEnd(); ++it) {
        const auto command = m_commands.constFind(it.key());
        const bool has = command != m_commands.constEnd() && command->handler;
        it.value()->setEnabled(has && (!command->enabled || command->enabled()));
        if (has && command->checked)
            it.value()->setChecked(command->checked());
    }
    UpdateControllerPanes();
}

void CMainFrame::UpdateControllerPanes()
{
    m_statusPane->setText(m_doc.ControllerStatusPaneText());
    m_idPane->setText(m_doc.ControllerIdPaneText());
    ShowEqualityPane();
    const int connected = ControllerTypeNumber(m_doc.ConnectedType());
    if (connected != m_lastConnectedType) {
        const bool first = m_lastConnectedType == -1;
        m_lastConnectedType = connected;
        if (!first)
            emit ViewsNeedUpdate(kHintControllerChanged);
    }
}

void CMainFrame::SetStatusMessage(EString text)
{
    statusBar()->showMessage(LoadString(text));
}

void CMainFrame::SetEqualityPane(bool equal)
{
    m_equal = equal;
    ShowEqualityPane();
}

void CMainFrame::ShowEqualityPane()
{
    // With no controller answering (none there, or a transfer under way) there is nothing to
    // be equal to; the flag itself is kept for when the link is ready again.
    if (!m_doc.LinkReady()) {
        m_equalityPane->setToolTip(QString());
        m_equalityPane->setText(QString());
        return;
    }
    m_equalityPane->setToolTip(
        LoadString(m_equal ? EString::ParametersMatch : EString::ParametersDiffer));
    m_equalityPane->setText(LoadString(m_equal ? EString::ProgramEqual : EString::ProgramNotEqual));
}

QString CMainFrame::EqualityPaneText() const
{
    return m_equalityPane->text();
}

void CMainFrame::ShowFilterBox(bool show)
{
    m_filterBoxAction->setVisible(show);
}

void CMainFrame::SetMatchText(const QString& text)
{
    m_matchLabel->setText(text);
}

QString CMainFrame::MatchText() const
{
    return m_matchLabel->text();
}

void CMainFrame::FocusSearchBox()
{
    if (m_toolBar->isHidden())
        m_toolBar->show();
    m_searchBox->setFocus(Qt::ShortcutFocusReason);
    m_searchBox->selectAll();
}

void CMainFrame::SavePlacement()
{
    using namespace WindowPlacement;
    const Qt::WindowStates states = windowState();
    EState state = EState::Normal;
    if (states & Qt::WindowMinimized)
        state = EState::Minimised;
    else if (states & Qt::WindowMaximized)
        state = EState::Maximised;
    else if (states & Qt::WindowFullScreen)
        state = EState::Other;
    const QRect normal = normalGeometry().isValid() ? normalGeometry() : geometry();
    const SStored stored =
        ToStored(state, (states & Qt::WindowMaximized) != 0, normal.left(), normal.top(),
                 normal.left() + normal.width(), normal.top() + normal.height());
    m_settings.SetPlacement(stored);
    m_placementSaved = true;
}

void CMainFrame::RestorePlacement()
{
    using namespace WindowPlacement;
    // The stored rectangle counts only when a placement was stored at all (FromStored).
    const SRestore restore = FromStored(m_settings.Placement());

    if (restore.useStoredRect && restore.right > restore.left && restore.bottom > restore.top) {
        const QRect stored(restore.left, restore.top, restore.right - restore.left,
                           restore.bottom - restore.top);
        const QScreen* screen = QGuiApplication::screenAt(stored.center());
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        setGeometry(screen ? FitOnScreen(stored, screen->availableGeometry()) : stored);
    }
    switch (restore.showCommand) {
    case kShowMinimisedNoActivate:
        setAttribute(Qt::WA_ShowWithoutActivating, true);
        // Restoring a window minimised from the maximised state maximises it again.
        setWindowState(restore.flags == kFlagRestoreToMaximised
                           ? (Qt::WindowMinimized | Qt::WindowMaximized)
                           : Qt::WindowMinimized);
        show();
        setAttribute(Qt::WA_ShowWithoutActivating, false);
        break;
    case kShowMaximised:
        showMaximized();
        break;
    default:
        showNormal();
        break;
    }
}

void CMainFrame::OnTransferStateChanged(bool active)
{
    // Menus, tool bar, filter box, the list view and every shortcut of the window (also the
    // ones the application adds, such as Ctrl+N and the recent files) take no input while a
    // transfer runs: a command handled in the progress window's pump would change the
    // document under the transfer.
    if (active) {
        m_blockedActions.clear();
        for (QAction* action : findChildren<QAction*>()) {
            if (action->isEnabled()) {
                action->setEnabled(false);
                m_blockedActions << action;
            }
        }
        for (QWidget* part : {static_cast<QWidget*>(menuBar()), static_cast<QWidget*>(m_toolBar),
                              centralWidget()}) {
            if (part)
                part->setEnabled(false);
        }
        return;
    }
    for (const QPointer<QAction>& action : std::as_const(m_blockedActions)) {
        if (action)
            action->setEnabled(true);
    }
    m_blockedActions.clear();
    for (QWidget* part :
         {static_cast<QWidget*>(menuBar()), static_cast<QWidget*>(m_toolBar), centralWidget()}) {
        if (part)
            part->setEnabled(true);
    }
    UpdateCommandStates();
    if (m_closePending)
        QTimer::singleShot(0, this, &CMainFrame::ClosePending);
}

void CMainFrame::ClosePending()
{
    // The flow that ran the transfer may still be showing its closing message.
    if (m_doc.TransferActive() || QApplication::activeModalWidget()) {
        QTimer::singleShot(kClosePendingRetryMs, this, &CMainFrame::ClosePending);
        return;
    }
    close();
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (CTransferSession* transfer = m_doc.Transfer()) {
        // Never leave a transfer half-way: a read is asked to stop at its next tag, a write
        // runs to its end; the window then closes as if asked again.
        m_closePending = true;
        transfer->RequestCancel();
        event->ignore();
        return;
    }
    m_closePending = false;
    // No poll tick may start an exchange while the save question is up or the window goes.
    CStatusPollPause pause(m_doc);
    if (m_closeQuery && !m_closeQuery()) {
        // The user kept the window (cancelled the save question): the poll goes on.
        event->ignore();
        return;
    }
    pause.KeepStopped();
    SavePlacement();
    event->accept();
}

void CMainFrame::SetRecentFiles(const QStringList& files,
                                const std::function<void(const QString&)>& open)
{
    QAction* placeholder = m_actions.value(MenuTable::IdRecentFile);
    QMenu* menu = qobject_cast<QMenu*>(placeholder->parent());
    qDeleteAll(m_recentActions);
    m_recentActions.clear();
    // The place holder stands in (disabled) while the list is empty.
    placeholder->setVisible(files.isEmpty());
    for (int i = 0; i < files.size() && i < CAppSettings::kRecentFileCount; ++i) {
        auto* action = new QAction(
            QStringLiteral("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(files[i])), menu);
        action->setObjectName(ControlId::Name(MenuTable::IdRecentFile + i));
        action->setStatusTip(MenuTable::StatusTip(MenuTable::IdRecentFile));
        const QString path = files[i];
        connect(action, &QAction::triggered, this, [open, path] { open(path); });
        menu->insertAction(placeholder, action);
        m_recentActions << action;
    }
}

void CMainFrame::SetStatusMessageText(const QString& text)
{
    statusBar()->showMessage(text);
}
