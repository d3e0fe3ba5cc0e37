#pragma once

#include "app/CWindowPlacement.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QVariant>

// The settings store: the one place that names the persistent settings.
//
// Settings live per user in QSettings (the registry on Windows, an INI file elsewhere) under
// organisation "Kelvane Motion", application "Tavrin Studio", in the groups "Settings",
// "Persistance" and "Recent File List". A missing value reads as its default and reading
// never creates a value, except the two font values, which are written back with their
// default when missing. Only the column width is cached; everything else is read and written
// on every call, so a value written by one part is seen at once by the others. Writes report
// failure through their result only.
//
// Tests point QSettings at a temporary folder (QSettings::setPath) before using it.
class CAppSettings
{
public:
    static constexpr const char* kOrganisation = "Kelvane Motion";
    static constexpr const char* kApplication = "Tavrin Studio";
    static constexpr const char* kSettings = "Settings";
    static constexpr const char* kPersistance = "Persistance";
    static constexpr const char* kRecentFileList = "Recent File List";

    // The value names, each named here and nowhere else. Section "Settings":
    static constexpr const char* kTagFileDir = "TagFileDir";
    static constexpr const char* kPortDevice = "PortDevice";
    static constexpr const char* kPortName = "PortName";
    static constexpr const char* kColumnWidth = "ColumnWidth";
    static constexpr const char* kPrintFormat = "PrintFormat";
    static constexpr const char* kIsotropic = "Isotropic";
    static constexpr const char* kStandardEnum = "StandardEnum";
    static constexpr const char* kMainFont = "MainLF";
    static constexpr const char* kTitleFont = "TitleLF";
    static constexpr const char* kAdcFileDirectory = "ADCFileDirectory";
    static constexpr const char* kPreviewPages = "PreviewPages";
    static constexpr const char* kPrintNotes = "PrintNotes";
    static constexpr const char* kLowLatency = "LowLatency";
    // The tag-file update server (defaults in SUpdateServer).
    static constexpr const char* kUpdateServer = "UpdateServer";
    static constexpr const char* kUpdateUser = "UpdateUser";
    static constexpr const char* kUpdatePassword = "UpdatePassword";
    static constexpr const char* kUpdateFolder = "UpdateFolder";
    // Section "Recent File List": File1 to File4.
    static constexpr const char* kRecentFile = "File%1";
    // Section "Persistance": the main window's placement.
    static constexpr const char* kIconic = "Iconic";
    static constexpr const char* kMaximised = "Maximised";
    static constexpr const char* kLeft = "Left";
    static constexpr const char* kTop = "Top";
    static constexpr const char* kRight = "Right";
    static constexpr const char* kBottom = "Bottom";

    static constexpr int kRecentFileCount = 4;
    static constexpr int kDefaultColumnWidth = 300;
    static constexpr int kDefaultFontTenths = 120; // 12 points
    static constexpr const char* kDefaultFontFace = "Arial";
    static constexpr const char* kAdcFileName = "ADCChannel.dat";

    CAppSettings();

    int ColumnWidth() const { return m_columnWidth; }
    bool SetColumnWidth(int width);

    bool PrintFormat() const;
    bool SetPrintFormat(int flag);
    bool Isotropic() const;
    bool SetIsotropic(int flag);
    bool StandardEnum() const;
    bool SetStandardEnum(bool standard);
    // "LowLatency": whether the serial port asks the device for low latency
    // (CSerialPort::SetLowLatency); true when missing. Stored as 1 or 0.
    bool LowLatency() const;
    bool SetLowLatency(bool enabled);

    // Reads a 60-byte font record ("MainLF" or "TitleLF"). When it is missing (or not 60
    // bytes), creates the default 12-point "Arial", writes it and returns false.
    bool GetFont(const QString& valueName, QByteArray& logFont) const;
    bool SetFont(const QString& valueName, const QByteArray& logFont);

    // The channel file: "ADCChannel.dat" in AdcFileDir, with a separator between the two
    // when the folder does not end in one ("\" or "/"); the bare name for an empty folder.
    QString AdcFilePath(const QString& programDir = QCoreApplication::applicationDirPath()) const;
    // "ADCFileDirectory". When the value is missing, the folder bundled with the program in
    // `programDir` (BundledAdcFileDir); a value that is set, even an empty one, is returned
    // as it is.
    QString AdcFileDir(const QString& programDir = QCoreApplication::applicationDirPath()) const;
    // "share" beside `programDir` when it holds ADCChannel.dat, as the build tree lays it
    // out; empty otherwise.
    static QString BundledAdcFileDir(const QString& programDir);

    // "TagFileDir". When the value is missing (an account the installer never set up), the
    // tag-file folder that comes with the program in `programDir`; a value that is set,
    // even an empty one, is returned as it is.
    QString TagFileDir(const QString& programDir = QCoreApplication::applicationDirPath()) const;
    // The tag-file folder bundled with the program in `programDir`: "share" beside it, as the
    // build tree lays it out (app/tavrin-studio, share/TagList*.tag). Empty when that folder
    // holds no tag file.
    static QString BundledTagFileDir(const QString& programDir);
    // "PortDevice"; `fallback` when missing.
    QString PortDevice(const QString& fallback = QString()) const;
    bool SetPortDevice(const QString& device);
    QString PortName() const;
    bool SetPortName(const QString& name);
    // A port chosen from a port list: its friendly name goes to "PortName" and, only when
    // that write succeeded, its device path to "PortDevice". True when both were written.
    bool SetChosenPort(const QString& friendlyName, const QString& devicePath);
    int PreviewPages() const;
    bool SetPreviewPages(int pages);
    // "PrintNotes": the text of the printed page's notes box; empty when missing.
    QString PrintNotes() const;
    bool SetPrintNotes(const QString& notes);

    // "File1".."File4" of "Recent File List", most recent first, without the missing ones.
    QStringList RecentFiles() const;
    bool SetRecentFiles(const QStringList& files);

    // The main window's placement ("Persistance"). Missing values read as the defaults of
    // WindowPlacement::SStored (Iconic 9999: nothing stored).
    WindowPlacement::SStored Placement() const;
    // Writes all six values; true when every write succeeded.
    bool SetPlacement(const WindowPlacement::SStored& placement);

    // Raw access by section and value name, for tests that set up or check what is stored
    // (the application itself goes through the operations above).
    static QVariant Read(const QString& section, const QString& name,
                         const QVariant& fallback = QVariant());
    static bool Write(const QString& section, const QString& name, const QVariant& value);
    static bool Contains(const QString& section, const QString& name);

private:
    int m_columnWidth;
};
