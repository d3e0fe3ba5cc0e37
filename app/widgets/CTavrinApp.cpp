#include "app/widgets/CTavrinApp.h"

#include "app/CStartupPort.h"
#include "app/widgets/CAboutDlg.h"
#include "app/widgets/CMainFrame.h"
#include "app/widgets/CMenuTable.h"
#include "link/widgets/CSelectComPortDlg.h"
#include "ops/CControllerInfo.h"
#include "ops/CTavrinDoc.h"
#include "ops/widgets/CLogDlg.h"
#include "res/StringTable.h"
#include "ui/CMessageBoxPrompt.h"

#include <QApplication>

CTavrinApp::CTavrinApp() = default;

CTavrinApp::~CTavrinApp()
{
    // The frame goes first (it saves its placement and stops the poll), then the document,
    // then the settings store; the link closes the port last.
    m_frame.reset();
    m_doc.reset();
    m_prompt.reset();
    m_settings.reset();
}

bool CTavrinApp::InitInstance(const QStringList& arguments)
{
    Q_UNUSED(arguments);
    QCoreApplication::setOrganizationName(QString::fromLatin1(CAppSettings::kOrganisation));
    QCoreApplication::setApplicationName(QString::fromLatin1(CAppSettings::kApplication));
    QGuiApplication::setApplicationDisplayName(LoadString(57344));

    m_settings = std::make_unique<CAppSettings>();
    m_prompt = std::make_unique<CMessageBoxPrompt>();
    m_doc = std::make_unique<CTavrinDoc>(m_link, *m_settings, *m_prompt);
    m_doc->Initialise();

    m_frame = std::make_unique<CMainFrame>(*m_doc, *m_settings);
    m_prompt->SetParent(m_frame.get());
    RegisterCommands();
    StartupPort::Open(m_link, *m_settings, *m_prompt, [this] { return SelectPort(); });

    m_frame->RestorePlacement();
    m_frame->UpdateCommandStates();
    return true;
}

bool CTavrinApp::SelectPort()
{
    // No parent: the main window is not shown yet while the port is being opened.
    CSelectComPortDlg dialog(QString::fromLatin1(CAppSettings::kSettings),
                             QStringLiteral("PortName"), QStringLiteral("PortDevice"));
    return dialog.exec() == QDialog::Accepted;
}

void CTavrinApp::ShowAbout()
{
    CAboutDlg dialog(m_doc->Tags().FileTime(), m_frame.get());
    dialog.exec();
}

void CTavrinApp::RegisterCommands()
{
    using namespace MenuTable;
    m_frame->SetCommand(IdAppAbout, [this] { ShowAbout(); });
    m_frame->SetCommand(
        IdStandardEnumeration,
        [this] { m_settings->SetStandardEnum(!m_settings->StandardEnum()); }, {},
        [this] { return m_settings->StandardEnum(); });

    auto linkReady = [this] { return m_doc->LinkReady(); };
    m_frame->SetCommand(IdControllerInfo, [this] { CControllerInfo::Show(*m_doc); }, linkReady);
    m_frame->SetCommand(
        IdSystemLog,
        [this] { CLogDlg::Run(*m_doc, CControllerLog::EKind::System, m_frame.get()); }, linkReady);
    m_frame->SetCommand(
        IdControlLog,
        [this] { CLogDlg::Run(*m_doc, CControllerLog::EKind::Control, m_frame.get()); }, linkReady);
}
