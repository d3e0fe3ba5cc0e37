#pragma once

#include "app/CAppSettings.h"
#include "app/CStartupPort.h"
#include "link/CControllerLink.h"
#include "ops/tools/CCommTest.h"

#include <QCoreApplication>
#include <QStringList>

#include <memory>

class CMainFrame;
class CMessageBoxPrompt;
class CPrintCommands;
class CTavrinDoc;
class CTavrinView;

// The application: owns the controller link (the one link, alive from start to exit), the
// settings store, the document and the main frame, and runs the start-up steps.
class CTavrinApp
{
    Q_DECLARE_TR_FUNCTIONS(CTavrinApp)

public:
    CTavrinApp();
    ~CTavrinApp();
    CTavrinApp(const CTavrinApp&) = delete;
    CTavrinApp& operator=(const CTavrinApp&) = delete;

    // Start-up: settings, the document (which loads the tag file and starts the status
    // poll), the main frame (which opens the serial port, asking for another while that
    // fails), then the window shown in its stored placement. `arguments` are the command
    // line arguments after the program name. False when start-up failed.
    bool InitInstance(const QStringList& arguments);

    // The About box.
    void ShowAbout();

    CControllerLink& Link() { return m_link; }
    CAppSettings& Settings() { return *m_settings; }
    CTavrinDoc& Document() { return *m_doc; }
    CMainFrame& Frame() { return *m_frame; }

private:
    void RegisterCommands();
    void UpdateTitle();
    void AddRecentFile(const QString& path);
    void RefreshRecentFiles();
    void SendDocument();
    void CreateView();
    void EditParameter(quint16 tag, int row);
    void ShowTagInformation(quint16 tag);
    void EditRawParameter(quint16 tag);
    StartupPort::SPortChoice SelectPort();

    CControllerLink m_link;
    std::unique_ptr<CAppSettings> m_settings;
    std::unique_ptr<CMessageBoxPrompt> m_prompt;
    std::unique_ptr<CTavrinDoc> m_doc;
    std::unique_ptr<CMainFrame> m_frame;
    std::unique_ptr<CPrintCommands> m_print; // keeps the printer chosen in Print Setup
    CTavrinView* m_view = nullptr;           // owned by the frame
    SCommTestRanges m_commTestRanges;        // the last run's, offered again; all 0..0 at first
};
