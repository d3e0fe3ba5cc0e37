#pragma once

#include <QString>

#include <span>

// The commands of the main window: menu items with their ids, texts (shortcut text after a
// tab), prompts (status-bar text, then after "\n" the tool tip) and shortcuts.
namespace MenuTable {

// Command ids.
enum ECommand : int
{
    IdFilterBox = 102,
    IdFileOpen = 57601,
    IdFileSave = 57603,
    IdFileSaveAs = 57604,
    IdFilePrint = 57607,
    IdFilePrintPreview = 57609,
    IdExportPdf = 32828, // the printed pages straight to a PDF file
    IdPrintFormat = 32812,
    IdPrintSetup = 57606,
    IdFileSend = 57612,
    IdRecentFile = 57616,
    IdAppExit = 57665,
    IdEditUndo = 57643,
    IdEditCut = 57635,
    IdEditCopy = 57634,
    IdEditPaste = 57637,
    IdViewToolbar = 59392,
    IdViewStatusBar = 59393,
    IdWriteToController = 32779,
    IdReadFromController = 32780,
    IdControllerInfo = 32775,
    IdServiceTimers = 32776,
    IdAdcView = 32785,
    IdAdcChart = 32827, // the live chart of the open ADC channels
    IdSystemLog = 32789,
    IdControlLog = 32813,
    IdZeroTilt = 32797,
    IdEepromTools = 32802,
    IdEepromDefaults = 32816,
    IdOptions = 32784,
    IdCommunicationTest = 32815,
    IdDFileMiraNonIso = 32820,
    IdDFileMiraIso = 32819,
    IdDFileOriel = 32821,
    IdDFileTarn = 32822,
    IdDFileTarnPlus = 32823,
    IdDFileIvor = 32824,
    IdDFileStoat = 32825,
    IdStandardEnumeration = 32826,
    IdAppAbout = 57664,
    IdFileNew = 57600,
    IdRefresh = 32817,
    // Additions of this application beyond the classic command set.
    IdFileExport = 32829,        // the set as CSV or JSON
    IdCompareProfile = 32830,    // compare the document with a profile file
    IdBackups = 32831,           // the automatic backups made before each write
    IdChangeLog = 32832,         // the log of every value written to a controller
    IdEditFind = 32833,          // focus the search box
    IdViewChangedOnly = 32834,   // only the rows changed since the last read or open
    IdCompareController = 32835, // compare the document with the connected controller
    IdWriteChangedOnly = 32836,  // write only the records the controller holds otherwise
    IdSearchBox = 103,           // the tool bar's search box
};

struct SItem
{
    const char* menu;     // top-level menu title; nullptr continues the previous menu
    const char* text;     // item text, nullptr for a separator
    int id;               // 0 for a separator or a sub-menu title
    const char* prompt;   // status text "\n" tool tip; nullptr for none
    const char* shortcut; // key sequences ("; " between aliases), nullptr for none
    const char* subMenu;  // the item belongs to this sub-menu of the menu
};

std::span<const SItem> Items();
// The status-bar prompt and tool tip of a command id (empty when it has none).
QString StatusTip(int id);
QString ToolTip(int id);

} // namespace MenuTable
