#include "app/widgets/CTavrinApp.h"

#include "app/CStartupPort.h"
#include "app/widgets/CAboutDlg.h"
#include "app/widgets/CMainFrame.h"
#include "app/widgets/CMenuTable.h"
#include "app/widgets/CPrintCommands.h"
#include "doc/CTavrinDoc.h"
#include "link/CControllerLink.h"
#include "link/widgets/CSelectComPortDlg.h"
#include "ops/eeprom/CDFileProgrammer.h"
#include "ops/eeprom/widgets/CEepromDlg.h"
#include "ops/params/CCompareFlow.h"
#include "ops/params/CConfirmedWrite.h"
#include "ops/params/CReadFlow.h"
#include "ops/params/CSetExport.h"
#include "ops/params/CWriteFlow.h"
#include "ops/params/widgets/CCompareDlg.h"
#include "ops/tools/CControllerInfo.h"
#include "ops/tools/CEepromDefaults.h"
#include "ops/tools/CZeroTilt.h"
#include "ops/tools/widgets/CCommTestDlg.h"
#include "ops/tools/widgets/CLogDlg.h"
#include "ops/tools/widgets/COptionsCheckPrompt.h"
#include "ops/tools/widgets/COptionsDlg.h"
#include "ops/tools/widgets/CServiceTimersDlg.h"
#include "res/StringTable.h"
#include "store/widgets/CBackupsDlg.h"
#include "store/widgets/CChangeLogDlg.h"
#include "ui/CEditParameterDlg.h"
#include "ui/CEditParameterSpot.h"
#include "ui/CMessageBoxPrompt.h"
#include "ui/CTagInfoDlg.h"
#include "ui/CTavrinView.h"
#include "ui/ControlId.h"
#include "update/CTagFileUpdate.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>

namespace {

// File, Export: the set as CSV or JSON, by the chosen filter when the name has no suffix.
void ExportSet(CTavrinDoc& doc, IUserPrompt& prompt)
{
    const QString csvFilter = QObject::tr("CSV files (*.csv)");
    const QString jsonFilter = QObject::tr("JSON files (*.json)");
    const QString base = doc.Title() == QLatin1String(CTavrinDoc::kUntitled)
                             ? QStringLiteral("Parameters")
                             : QFileInfo(doc.Title()).completeBaseName();
    IUserPrompt::SFileChoice choice;
    choice.mode = IUserPrompt::SFileChoice::EMode::Save;
    choice.caption = QObject::tr("Export");
    choice.filter = csvFilter + QStringLiteral(";;") + jsonFilter;
    choice.suggestedPath = base + QStringLiteral(".csv");
    const IUserPrompt::SFileChosen chosen = prompt.ChooseFile(choice);
    QString path = chosen.path;
    if (path.isEmpty())
        return;
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != QLatin1String("csv") && suffix != QLatin1String("json"))
        path += chosen.filter == jsonFilter ? QStringLiteral(".json") : QStringLiteral(".csv");
    const QString error =
        CSetExport::Write(path, CSetExport::FormatOf(path), doc.Parameters(), doc.Tags());
    if (!error.isEmpty())
        prompt.Message(error, IUserPrompt::EIcon::Exclamation);
}

} // namespace

CTavrinApp::CTavrinApp() = default;

CTavrinApp::~CTavrinApp()
{
    // The print commands go first (they use the frame), then the frame (it saves its
    // placement and stops the poll), then the document, then the settings store; the link
    // closes the port last.
    m_print.reset();
    m_frame.reset();
    m_doc.reset();
    m_prompt.reset();
    m_settings.reset();
}

bool CTavrinApp::InitInstance(const QStringList& arguments)
{
    QCoreApplication::setOrganizationName(QString::fromLatin1(CAppSettings::kOrganisation));
    QCoreApplication::setApplicationName(QString::fromLatin1(CAppSettings::kApplication));
    QGuiApplication::setApplicationDisplayName(LoadString(EString::AppName));

    m_settings = std::make_unique<CAppSettings>();
    m_prompt = std::make_unique<CMessageBoxPrompt>();
    m_doc = std::make_unique<CTavrinDoc>(m_link, *m_settings, *m_prompt);
    m_doc->Initialise();

    m_frame = std::make_unique<CMainFrame>(*m_doc, *m_settings);
    m_prompt->SetParent(m_frame.get());
    RegisterCommands();
    StartupPort::Open(m_link, *m_settings, *m_prompt, [this] { return SelectPort(); });

    CreateView();

    // A profile named on the command line opens once the tag file is loaded.
    const QString profile = arguments.isEmpty() ? QString() : arguments.first();
    if (!profile.isEmpty())
        m_doc->OnOpenDocument(profile);

    m_frame->RestorePlacement();
    UpdateTitle();
    m_frame->UpdateCommandStates();
    return true;
}

void CTavrinApp::CreateView()
{
    m_view = new CTavrinView(*m_doc, m_frame->FilterBox(), m_frame.get());
    m_frame->setCentralWidget(m_view);
    m_view->LoadAdcChannels();
    // The view follows the document's updates itself; the frame adds hint 101 when the
    // connected controller changes.
    QObject::connect(m_frame.get(), &CMainFrame::ViewsNeedUpdate, m_view, &CTavrinView::OnUpdate);
    QObject::connect(m_view, &CTavrinView::EditRequested, m_frame.get(),
                     [this](quint16 tag, int row) { EditParameter(tag, row); });
    QObject::connect(m_view, &CTavrinView::TagInformationRequested, m_frame.get(),
                     [this](quint16 tag) { ShowTagInformation(tag); });
    QObject::connect(m_view, &CTavrinView::RawEditRequested, m_frame.get(),
                     [this](quint16 tag) { EditRawParameter(tag); });
    QObject::connect(m_frame->SearchBox(), &QLineEdit::textChanged, m_view,
                     &CTavrinView::SetSearchText);
    QObject::connect(m_view, &CTavrinView::RowsRebuilt, m_frame.get(),
                     [this] { m_frame->SetMatchText(m_view->MatchText()); });
}

void CTavrinApp::EditParameter(quint16 tag, int row)
{
    // Nothing opens without both the parameter and its tag.
    CParameter* record = m_doc->Parameters().FindParameter(tag);
    const CTagInfo* info = m_doc->Tags().FindTag(tag, m_doc->DataType());
    if (!record || !info)
        return;
    CEditParameterDlg dialog(*m_doc, *record, *info, m_frame.get());
    const int result = dialog.exec();
    if (result == CEditParameterDlg::kResultEditor) {
        m_view->AfterEditRefresh(row, false);
    } else if (result == CEditParameterDlg::kResultProgram) {
        // A confirmed write makes the value the row's baseline; a failed one leaves the value
        // in the editor, changed.
        const bool written = CWriteFlow::WriteOne(*m_doc, *record).Confirmed();
        m_view->AfterEditRefresh(row, written);
    }
}

void CTavrinApp::ShowTagInformation(quint16 tag)
{
    const CParameter* record = m_doc->Parameters().FindParameter(tag);
    const CTagInfo* info = m_doc->Tags().FindTag(tag, m_doc->DataType());
    if (!record || !info)
        return;
    CTagInfoDlg dialog(*record, *info, m_frame.get());
    dialog.exec();
}

void CTavrinApp::EditRawParameter(quint16 tag)
{
    CParameter* record = m_doc->Parameters().FindParameter(tag);
    CTagInfo* info = m_doc->Tags().FindTag(tag, m_doc->DataType());
    if (!record || !info)
        return;
    CEditParameterSpot dialog(*record, *info, m_frame.get(), m_prompt.get());
    if (dialog.exec() == QDialog::Accepted) {
        m_doc->SetModified(true);
        m_doc->UpdateAllViews(0);
    }
}

void CTavrinApp::UpdateTitle()
{
    // "[*]" is where Qt shows the modified marker while the document is modified.
    m_frame->setWindowTitle(m_doc->Title() + QStringLiteral("[*] - ") +
                            LoadString(EString::AppName));
    m_frame->setWindowModified(m_doc->IsModified());
}

void CTavrinApp::AddRecentFile(const QString& path)
{
    QStringList files = m_settings->RecentFiles();
    files.removeAll(path);
    files.prepend(path);
    while (files.size() > CAppSettings::kRecentFileCount)
        files.removeLast();
    m_settings->SetRecentFiles(files);
    RefreshRecentFiles();
}

void CTavrinApp::RefreshRecentFiles()
{
    m_frame->SetRecentFiles(m_settings->RecentFiles(), [this](const QString& entry) {
        // A copy: refreshing the list deletes the menu entry that holds `entry`.
        const QString path = entry;
        if (!m_doc->SaveModified())
            return;
        if (m_doc->OnOpenDocument(path)) {
            m_frame->RestorePlacement();
            return;
        }
        // An entry that does not open (moved, deleted, not a profile) leaves the list.
        QStringList files = m_settings->RecentFiles();
        files.removeAll(path);
        m_settings->SetRecentFiles(files);
        RefreshRecentFiles();
    });
}

void CTavrinApp::SendDocument()
{
    // Mail the profile as an attachment: the saved file when it is current, otherwise a
    // copy written for the purpose.
    QString path = m_doc->PathName();
    if (m_doc->IsModified() || !QFileInfo(path).isFile()) {
        path = QDir(QDir::tempPath())
                   .filePath((m_doc->Title() == QLatin1String(CTavrinDoc::kDownloaded)
                                  ? QStringLiteral("Untitled")
                                  : QFileInfo(m_doc->Title()).completeBaseName()) +
                             QStringLiteral(".prf"));
        if (!m_doc->Parameters().SaveFile(path).Ok()) {
            m_prompt->Message(LoadString(EString::CannotSaveFile), IUserPrompt::EIcon::Exclamation);
            return;
        }
    }
    const QString mailer = QStandardPaths::findExecutable(QStringLiteral("xdg-email"));
    if (mailer.isEmpty() || !QProcess::startDetached(mailer, {QStringLiteral("--attach"), path})) {
        // Not a string-table text: handing the file to a mail client through xdg-email
        // exists only in this port.
        m_prompt->Message(tr("No e-mail program is available to send the file.\n"
                             "The profile is at %1.")
                              .arg(QDir::toNativeSeparators(path)),
                          IUserPrompt::EIcon::Exclamation);
    }
}

StartupPort::SPortChoice CTavrinApp::SelectPort()
{
    // No parent: the main window is not shown yet while the port is being opened.
    CSelectComPortDlg dialog(m_settings->PortName(), m_settings->StandardEnum());
    StartupPort::SPortChoice choice;
    choice.accepted = dialog.exec() == QDialog::Accepted;
    choice.port = dialog.Choice();
    return choice;
}

void CTavrinApp::ShowAbout()
{
    CAboutDlg dialog(m_doc->Tags().FileTime(), m_frame.get());
    dialog.exec();
}

void CTavrinApp::RegisterCommands()
{
    using namespace MenuTable;
    QObject::connect(m_doc.get(), &CTavrinDoc::TitleChanged, m_frame.get(),
                     [this] { UpdateTitle(); });
    QObject::connect(m_doc.get(), &CTavrinDoc::RecentFileAdded, m_frame.get(),
                     [this](const QString& path) { AddRecentFile(path); });
    QObject::connect(m_doc.get(), &CTavrinDoc::StatusMessageRequested, m_frame.get(),
                     &CMainFrame::SetStatusMessage);
    QObject::connect(m_doc.get(), &CTavrinDoc::EqualityPaneRequested, m_frame.get(),
                     &CMainFrame::SetEqualityPane);
    // A profile just opened may hold exactly what the connected controller holds: look, once
    // the open has finished (its caller may still be placing the window).
    QObject::connect(
        m_doc.get(), &CTavrinDoc::ProfileLoaded, m_frame.get(),
        [this] { CCompareFlow::DocCheckEquality(*m_doc); }, Qt::QueuedConnection);
    QObject::connect(m_doc.get(), &CTavrinDoc::StatusMessageTextRequested, m_frame.get(),
                     &CMainFrame::SetStatusMessageText);
    m_frame->SetCloseQuery([this] { return m_doc->SaveModified(); });
    RefreshRecentFiles();

    auto notEmpty = [this] { return !m_doc->Parameters().IsEmpty(); };
    m_frame->SetCommand(IdFileOpen, [this] {
        if (m_doc->DoFileOpen())
            m_frame->RestorePlacement();
    });
    m_frame->SetCommand(IdChangeLog, [this] {
        const EControllerType type = m_doc->ConnectedType();
        CChangeLogDlg dlg(type == EControllerType::None ? QString()
                                                        : CControllerLink::ControllerTypeName(type),
                          m_frame.get());
        dlg.exec();
    });
    m_frame->SetCommand(IdBackups, [this] {
        CBackupsDlg dlg(m_frame.get());
        if (dlg.exec() != QDialog::Accepted || !m_doc->SaveModified())
            return;
        // An untitled copy: saving it asks for a name, so no backup is ever overwritten.
        if (m_doc->OpenCopy(dlg.SelectedPath()))
            m_frame->RestorePlacement();
    });
    m_frame->SetCommand(
        IdFileSave, [this] { m_doc->DoFileSave(); }, notEmpty);
    m_frame->SetCommand(
        IdFileSaveAs, [this] { m_doc->DoSaveAs(); }, notEmpty);
    m_frame->SetCommand(
        IdFileSend, [this] { SendDocument(); }, notEmpty);
    m_print = std::make_unique<CPrintCommands>(*m_doc, m_frame.get(),
                                               [this](bool show) { m_frame->ShowFilterBox(show); });
    m_frame->SetCommand(
        IdFilePrint, [this] { m_print->Print(); }, notEmpty);
    m_frame->SetCommand(
        IdFilePrintPreview, [this] { m_print->Preview(); }, notEmpty);
    m_frame->SetCommand(
        IdExportPdf, [this] { m_print->ExportPdf(); }, notEmpty);
    m_frame->SetCommand(
        IdFileExport, [this] { ExportSet(*m_doc, m_doc->Prompt()); }, notEmpty);
    m_frame->SetCommand(IdEditFind, [this] { m_frame->FocusSearchBox(); });
    m_frame->SetCommand(
        IdViewChangedOnly, [this] { m_view->SetChangedOnly(!m_view->ChangedOnly()); }, {},
        [this] { return m_view && m_view->ChangedOnly(); });
    m_frame->SetCommand(IdPrintFormat, [this] { m_print->EditFormat(); });
    m_frame->SetCommand(IdPrintSetup, [this] { m_print->Setup(); });
    auto* fileNew = new QAction(m_frame.get());
    fileNew->setObjectName(ControlId::Name(IdFileNew));
    fileNew->setShortcut(QKeySequence(QStringLiteral("Ctrl+N")));
    QObject::connect(fileNew, &QAction::triggered, m_frame.get(), [this] {
        if (!m_doc->SaveModified())
            return;
        m_doc->OnNewDocument();
        m_frame->RestorePlacement();
    });
    m_frame->addAction(fileNew);
    // Refresh has no menu item: F5 redraws every view from the document (no hint).
    auto* refresh = new QAction(m_frame.get());
    refresh->setObjectName(ControlId::Name(IdRefresh));
    refresh->setShortcut(QKeySequence(QKeySequence::Refresh));
    QObject::connect(refresh, &QAction::triggered, m_frame.get(),
                     [this] { m_doc->UpdateAllViews(0); });
    m_frame->addAction(refresh);
    m_frame->SetCommand(IdAppAbout, [this] { ShowAbout(); });
    m_frame->SetCommand(
        IdStandardEnumeration, [this] { m_settings->SetStandardEnum(!m_settings->StandardEnum()); },
        {}, [this] { return m_settings->StandardEnum(); });

    auto linkReady = [this] { return m_doc->LinkReady(); };
    m_frame->SetCommand(
        IdReadFromController, [this] { CReadFlow::Run(*m_doc); }, linkReady);
    // Both write commands show what will change and let the user choose what to write.
    m_frame->SetCommand(
        IdWriteToController, [this] { CConfirmedWrite::Run(*m_doc); },
        [this] { return CWriteFlow::CanWrite(*m_doc); });
    m_frame->SetCommand(
        IdWriteChangedOnly, [this] { CConfirmedWrite::Run(*m_doc); },
        [this] { return CWriteFlow::CanWrite(*m_doc); });
    m_frame->SetCommand(
        IdCompareController, [this] { CCompareDlg::RunController(*m_doc, m_frame.get()); },
        [this] { return CCompareFlow::CanCompareWithController(*m_doc); });
    m_frame->SetCommand(
        IdCompareProfile, [this] { CCompareDlg::RunProfile(*m_doc, m_frame.get()); }, notEmpty);
    m_frame->SetCommand(
        IdControllerInfo, [this] { CControllerInfo::Show(*m_doc); }, linkReady);
    m_frame->SetCommand(
        IdAdcView, [this] { m_view->ShowAdcSelect(); }, linkReady);
    m_frame->SetCommand(
        IdAdcChart, [this] { m_view->ShowAdcChart(); }, linkReady);
    m_frame->SetCommand(
        IdSystemLog, [this] { CLogDlg::Run(*m_doc, CControllerLog::EKind::System, m_frame.get()); },
        linkReady);
    m_frame->SetCommand(
        IdControlLog,
        [this] { CLogDlg::Run(*m_doc, CControllerLog::EKind::Control, m_frame.get()); }, linkReady);
    m_frame->SetCommand(
        IdServiceTimers,
        [this] {
            CServiceTimersDlg dialog(*m_doc, m_frame.get());
            dialog.exec();
        },
        linkReady);
    // The D-File items follow the controller identified each time their menu opens.
    auto dfileConnected = std::make_shared<EControllerType>(EControllerType::None);
    m_frame->SetMenuAboutToShow(IdDFileOriel, [this, dfileConnected] {
        *dfileConnected = CDFileProgrammer::IdentifyForMenu(*m_doc);
    });
    const std::pair<int, EControllerType> dfileItems[] = {
        {IdDFileMiraNonIso, EControllerType::MiraQx90}, {IdDFileMiraIso, EControllerType::MiraIso},
        {IdDFileOriel, EControllerType::Oriel},         {IdDFileTarn, EControllerType::Tarn},
        {IdDFileTarnPlus, EControllerType::TarnPlus},   {IdDFileIvor, EControllerType::Ivor},
        {IdDFileStoat, EControllerType::Stoat}};
    for (const auto& [id, type] : dfileItems) {
        m_frame->SetCommand(
            id, [this, type] { CDFileProgrammer(*m_doc).Run(type); },
            [dfileConnected, type] {
                return CDFileProgrammer::ItemEnabled(type, *dfileConnected);
            });
    }
    // These two talk to one kind of controller only: the type the status poll last found.
    m_frame->SetCommand(
        IdZeroTilt, [this] { CZeroTilt(*m_doc).Run(); },
        [this] { return CZeroTilt::AppliesTo(m_doc->ConnectedType()); });
    m_frame->SetCommand(
        IdEepromDefaults, [this] { CEepromDefaults(*m_doc).Run(); },
        [this] { return CEepromDefaults::AppliesTo(m_doc->ConnectedType()); });
    // Always enabled: the EEPROM utilities work with files without a controller.
    m_frame->SetCommand(IdEepromTools, [this] { CEepromDlg::Run(*m_doc, m_frame.get()); });
    // Always enabled: the test reports a missing controller as bad packets.
    m_frame->SetCommand(IdCommunicationTest,
                        [this] { CCommTestDlg::Run(*m_doc, m_commTestRanges); });
    // Always enabled: after start-up this is where the user chooses the port and the tag
    // file.
    m_frame->SetCommand(IdOptions, [this] {
        COptionsDlg::Run(*m_doc, m_frame.get(), [this] {
            // The Options dialog is the modal window while the check runs: its progress
            // window must be the dialog's own for Cancel to take a click.
            COptionsCheckPrompt prompt(*m_prompt, QApplication::activeModalWidget());
            CTagFileUpdate update(SUpdateServer::FromSettings(*m_settings), prompt);
            const bool installed =
                update.Run(m_settings->TagFileDir()) == CTagFileUpdate::EResult::Installed;
            return installed ? update.InstalledPath() : QString();
        });
    });
}
