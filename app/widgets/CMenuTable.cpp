#include "app/widgets/CMenuTable.h"

namespace MenuTable {

namespace {

const SItem kItems[] = {
    {"&File", "&Open...\tCtrl+O", IdFileOpen, "Open an existing document\nOpen", "Ctrl+O", nullptr},
    {nullptr, "&Save\tCtrl+S", IdFileSave, "Save the active document\nSave", "Ctrl+S", nullptr},
    {nullptr, "Save &As...", IdFileSaveAs, "Save the active document with a new name\nSave As",
     nullptr, nullptr},
    {nullptr, "Expor&t\u2026", IdFileExport,
     "Write the parameter set as a CSV or JSON file\nExport", nullptr, nullptr},
    {nullptr, "Compare with a Pro&file\u2026", IdCompareProfile,
     "Compare the displayed parameters with a profile file\nCompare with a profile", nullptr,
     nullptr},
    {nullptr, "&Backups\u2026", IdBackups,
     "Open a backup saved before a write to a controller\nBackups", nullptr, nullptr},
    {nullptr, "C&hange Log\u2026", IdChangeLog,
     "Show the values written to controllers of the connected type\nChange log", nullptr, nullptr},
    {nullptr, nullptr, 0, nullptr, nullptr, nullptr},
    {nullptr, "&Print...\tCtrl+P", IdFilePrint, "Print the active document\nPrint", "Ctrl+P",
     nullptr},
    {nullptr, "Print Pre&view", IdFilePrintPreview, "Display full pages\nPrint Preview", nullptr,
     nullptr},
    {nullptr, "Export P&DF\u2026", IdExportPdf, "Write the printed pages to a PDF file\nExport PDF",
     nullptr, nullptr},
    {nullptr, "Print For&mat...", IdPrintFormat,
     "Setup the appearance of printed pages.\nFormat printed page.", nullptr, nullptr},
    {nullptr, "P&rint Setup...", IdPrintSetup,
     "Change the printer and printing options\nPrint Setup", nullptr, nullptr},
    {nullptr, nullptr, 0, nullptr, nullptr, nullptr},
    {nullptr, "S&end", IdFileSend, "e-mail active document\nSend file", nullptr, nullptr},
    {nullptr, nullptr, 0, nullptr, nullptr, nullptr},
    {nullptr, "Recent File", IdRecentFile, "Open this document", nullptr, nullptr},
    {nullptr, nullptr, 0, nullptr, nullptr, nullptr},
    {nullptr, "E&xit", IdAppExit, "Quit the application; prompts to save documents\nExit", nullptr,
     nullptr},

    {"&Edit", "&Undo\tCtrl+Z", IdEditUndo, "Undo the last action\nUndo", "Ctrl+Z; Alt+Backspace",
     nullptr},
    {nullptr, nullptr, 0, nullptr, nullptr, nullptr},
    {nullptr, "Cu&t\tCtrl+X", IdEditCut, "Cut the selection and put it on the Clipboard\nCut",
     "Ctrl+X; Shift+Del", nullptr},
    {nullptr, "&Copy\tCtrl+C", IdEditCopy, "Copy the selection and put it on the Clipboard\nCopy",
     "Ctrl+C; Ctrl+Ins", nullptr},
    {nullptr, "&Paste\tCtrl+V", IdEditPaste, "Insert Clipboard contents\nPaste",
     "Ctrl+V; Shift+Ins", nullptr},
    {nullptr, nullptr, 0, nullptr, nullptr, nullptr},
    {nullptr, "&Find\tCtrl+F", IdEditFind, "Find parameters by name\nFind", "Ctrl+F", nullptr},

    {"&View", "&Toolbar", IdViewToolbar, "Show or hide the toolbar\nToggle ToolBar", nullptr,
     nullptr},
    {nullptr, "&Status Bar", IdViewStatusBar, "Show or hide the status bar\nToggle StatusBar",
     nullptr, nullptr},
    {nullptr, "C&hanged Only", IdViewChangedOnly,
     "Show only the parameters changed since the last read or open\nChanged only", nullptr,
     nullptr},

    {"&Controller", "&Write to Controller\tCtrl+Shift+W", IdWriteToController,
     "Write data to controller\nWrite to controller", "Ctrl+Shift+W", nullptr},
    {nullptr, "Write C&hanged Only", IdWriteChangedOnly,
     "Read the controller's values and write only the parameters that differ\nWrite changed "
     "only",
     nullptr, nullptr},
    {nullptr, "&Read from Controller\tCtrl+R", IdReadFromController,
     "Read data from controller\nRead from controller", "Ctrl+R", nullptr},
    {nullptr, "&Compare with Controller\tCtrl+Shift+C", IdCompareController,
     "Compare the displayed parameters with the controller's values\nCompare with controller",
     "Ctrl+Shift+C", nullptr},

    {"&Tools", "&Controller Info", IdControllerInfo,
     "Information about the controller\nInformation", nullptr, nullptr},
    {nullptr, "Service &Timers", IdServiceTimers, "Service timers\nTimers", nullptr, nullptr},
    {nullptr, "&ADC View", IdAdcView, "View controller values\nADC data", nullptr, nullptr},
    {nullptr, "ADC C&hart", IdAdcChart, "Chart the open ADC channels over time\nADC chart", nullptr,
     nullptr},
    {nullptr, "&System log", IdSystemLog, "View internal System Log\nView System Log", nullptr,
     nullptr},
    {nullptr, "Control &log", IdControlLog, "View internal Control log\nView Control log", nullptr,
     nullptr},
    {nullptr, "&Zero tilt", IdZeroTilt, "Zero the Tilt sensor\nZero the Tilt sensor.", nullptr,
     nullptr},
    {nullptr, "&EEPROM tools", IdEepromTools, nullptr, nullptr, nullptr},
    {nullptr, "EEPROM &defaults", IdEepromDefaults,
     "EEPROM to factory defaults.\nSet EEPROM to default values.", nullptr, nullptr},
    {nullptr, "&Options", IdOptions, "Configure the software\nSoftware configuration.", nullptr,
     nullptr},
    {nullptr, "Comm&unication Test", IdCommunicationTest, nullptr, nullptr, nullptr},
    {nullptr, "&Mira Non-ISO", IdDFileMiraNonIso, nullptr, nullptr, "&Program D-File"},
    {nullptr, "Mira &ISO", IdDFileMiraIso, nullptr, nullptr, "&Program D-File"},
    {nullptr, "&Oriel", IdDFileOriel, nullptr, nullptr, "&Program D-File"},
    {nullptr, "&Tarn", IdDFileTarn, nullptr, nullptr, "&Program D-File"},
    {nullptr, "Tarn &Plus", IdDFileTarnPlus, nullptr, nullptr, "&Program D-File"},
    {nullptr, "I&vor", IdDFileIvor, nullptr, nullptr, "&Program D-File"},
    {nullptr, "&Stoat", IdDFileStoat, nullptr, nullptr, "&Program D-File"},

    {"Co&nfigure", "&Standard COM Enumeration", IdStandardEnumeration,
     "Use standard or basic method for finding COM ports", nullptr, nullptr},

    {"&Help", "&About Tavrin...", IdAppAbout,
     "Display program information, version number and "
     "copyright\nAbout",
     nullptr, nullptr},
};

QString PromptOf(int id)
{
    for (const SItem& item : kItems) {
        if (item.id == id && item.prompt)
            return QString::fromLatin1(item.prompt);
    }
    if (id == IdFilterBox)
        return QStringLiteral("Display Tags for one controller.\nFilter");
    return QString();
}

} // namespace

std::span<const SItem> Items()
{
    return kItems;
}

QString StatusTip(int id)
{
    return PromptOf(id).section(QLatin1Char('\n'), 0, 0);
}

QString ToolTip(int id)
{
    const QString prompt = PromptOf(id);
    return prompt.contains(QLatin1Char('\n')) ? prompt.section(QLatin1Char('\n'), 1) : QString();
}

} // namespace MenuTable
