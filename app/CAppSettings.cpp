#include "app/CAppSettings.h"

#include "app/CLogFont.h"

#include <QDir>
#include <QSettings>

#include <utility>

namespace {

QString Key(const QString& section, const QString& name)
{
    return section + QLatin1Char('/') + name;
}

QSettings Store()
{
    return QSettings(QString::fromLatin1(CAppSettings::kOrganisation),
                     QString::fromLatin1(CAppSettings::kApplication));
}

int ReadInt(const char* section, const char* name, int fallback)
{
    bool ok = false;
    const int value =
        CAppSettings::Read(QString::fromLatin1(section), QString::fromLatin1(name)).toInt(&ok);
    return ok ? value : fallback;
}

int ReadIntSetting(const char* name, int fallback)
{
    return ReadInt(CAppSettings::kSettings, name, fallback);
}

QVariant ReadSetting(const char* name, const QVariant& fallback = QVariant())
{
    return CAppSettings::Read(QString::fromLatin1(CAppSettings::kSettings),
                              QString::fromLatin1(name), fallback);
}

bool WriteSetting(const char* name, const QVariant& value)
{
    return CAppSettings::Write(QString::fromLatin1(CAppSettings::kSettings),
                               QString::fromLatin1(name), value);
}

QString RecentFileKey(int number)
{
    return Key(QString::fromLatin1(CAppSettings::kRecentFileList),
               QString::fromLatin1(CAppSettings::kRecentFile).arg(number));
}

// The "share" folder beside `programDir`, as the build tree lays it out (app/tavrin-studio,
// share/...), when it holds a file matching `pattern`; empty otherwise.
QString BundledShareDir(const QString& programDir, const QString& pattern)
{
    if (programDir.isEmpty())
        return QString();
    const QDir share(QDir::cleanPath(programDir + QStringLiteral("/../share")));
    if (share.entryList({pattern}, QDir::Files).isEmpty())
        return QString();
    return QDir::toNativeSeparators(share.absolutePath());
}

} // namespace

QVariant CAppSettings::Read(const QString& section, const QString& name, const QVariant& fallback)
{
    QSettings store = Store();
    return store.value(Key(section, name), fallback);
}

bool CAppSettings::Write(const QString& section, const QString& name, const QVariant& value)
{
    QSettings store = Store();
    store.setValue(Key(section, name), value);
    store.sync();
    return store.status() == QSettings::NoError;
}

bool CAppSettings::Contains(const QString& section, const QString& name)
{
    QSettings store = Store();
    return store.contains(Key(section, name));
}

CAppSettings::CAppSettings() : m_columnWidth(ReadIntSetting(kColumnWidth, kDefaultColumnWidth)) {}

bool CAppSettings::SetColumnWidth(int width)
{
    m_columnWidth = width;
    return WriteSetting(kColumnWidth, width);
}

bool CAppSettings::PrintFormat() const
{
    return ReadIntSetting(kPrintFormat, 0) != 0;
}

bool CAppSettings::SetPrintFormat(int flag)
{
    // Kept as the low byte of the flag, as it always has been.
    return WriteSetting(kPrintFormat, flag & 0xFF);
}

bool CAppSettings::Isotropic() const
{
    return ReadIntSetting(kIsotropic, 0) != 0;
}

bool CAppSettings::SetIsotropic(int flag)
{
    return WriteSetting(kIsotropic, flag == 1 ? 1 : 0);
}

bool CAppSettings::StandardEnum() const
{
    return ReadIntSetting(kStandardEnum, 1) != 0;
}

bool CAppSettings::SetStandardEnum(bool standard)
{
    return WriteSetting(kStandardEnum, standard ? 1 : 0);
}

bool CAppSettings::LowLatency() const
{
    return ReadSetting(kLowLatency, true).toBool();
}

bool CAppSettings::SetLowLatency(bool enabled)
{
    return WriteSetting(kLowLatency, enabled ? 1 : 0);
}

bool CAppSettings::GetFont(const QString& valueName, QByteArray& logFont) const
{
    const QByteArray stored = Read(QString::fromLatin1(kSettings), valueName).toByteArray();
    if (stored.size() == CLogFont::kSize) {
        logFont = stored;
        return true;
    }
    logFont = CLogFont::FromPointSize(kDefaultFontTenths, QByteArray(kDefaultFontFace)).Encode();
    Write(QString::fromLatin1(kSettings), valueName, logFont);
    return false;
}

bool CAppSettings::SetFont(const QString& valueName, const QByteArray& logFont)
{
    if (logFont.size() != CLogFont::kSize)
        return false;
    return Write(QString::fromLatin1(kSettings), valueName, logFont);
}

QString CAppSettings::AdcFilePath(const QString& programDir) const
{
    QString folder = AdcFileDir(programDir);
    if (folder.isEmpty())
        return QString::fromLatin1(kAdcFileName);
    // A value written on Windows may use "\"; QDir wants "/" on every platform.
    folder.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return QDir::toNativeSeparators(QDir(folder).filePath(QString::fromLatin1(kAdcFileName)));
}

QString CAppSettings::AdcFileDir(const QString& programDir) const
{
    if (!Contains(QString::fromLatin1(kSettings), QString::fromLatin1(kAdcFileDirectory)))
        return BundledAdcFileDir(programDir);
    return ReadSetting(kAdcFileDirectory).toString();
}

QString CAppSettings::BundledAdcFileDir(const QString& programDir)
{
    return BundledShareDir(programDir, QString::fromLatin1(kAdcFileName));
}

QString CAppSettings::TagFileDir(const QString& programDir) const
{
    if (!Contains(QString::fromLatin1(kSettings), QString::fromLatin1(kTagFileDir)))
        return BundledTagFileDir(programDir);
    return ReadSetting(kTagFileDir).toString();
}

QString CAppSettings::BundledTagFileDir(const QString& programDir)
{
    return BundledShareDir(programDir, QStringLiteral("TagList*.tag"));
}

QString CAppSettings::PortDevice(const QString& fallback) const
{
    return ReadSetting(kPortDevice, fallback).toString();
}

bool CAppSettings::SetPortDevice(const QString& device)
{
    return WriteSetting(kPortDevice, device);
}

QString CAppSettings::PortName() const
{
    return ReadSetting(kPortName).toString();
}

bool CAppSettings::SetPortName(const QString& name)
{
    return WriteSetting(kPortName, name);
}

bool CAppSettings::SetChosenPort(const QString& friendlyName, const QString& devicePath)
{
    // The device follows the name only when the name was stored, so the two never disagree
    // because of a failed first write.
    return SetPortName(friendlyName) && SetPortDevice(devicePath);
}

int CAppSettings::PreviewPages() const
{
    return ReadIntSetting(kPreviewPages, 0);
}

bool CAppSettings::SetPreviewPages(int pages)
{
    return WriteSetting(kPreviewPages, pages);
}

QString CAppSettings::PrintNotes() const
{
    return ReadSetting(kPrintNotes, QString()).toString();
}

bool CAppSettings::SetPrintNotes(const QString& notes)
{
    return WriteSetting(kPrintNotes, notes);
}

QStringList CAppSettings::RecentFiles() const
{
    QSettings store = Store();
    QStringList files;
    for (int i = 1; i <= kRecentFileCount; ++i) {
        const QString file = store.value(RecentFileKey(i)).toString();
        if (!file.isEmpty())
            files << file;
    }
    return files;
}

bool CAppSettings::SetRecentFiles(const QStringList& files)
{
    QSettings store = Store();
    for (int i = 1; i <= kRecentFileCount; ++i) {
        const QString key = RecentFileKey(i);
        if (i <= files.size())
            store.setValue(key, files[i - 1]);
        else
            store.remove(key);
    }
    store.sync();
    return store.status() == QSettings::NoError;
}

WindowPlacement::SStored CAppSettings::Placement() const
{
    WindowPlacement::SStored placement;
    placement.iconic = ReadInt(kPersistance, kIconic, placement.iconic);
    placement.maximised = ReadInt(kPersistance, kMaximised, placement.maximised);
    placement.left = ReadInt(kPersistance, kLeft, placement.left);
    placement.top = ReadInt(kPersistance, kTop, placement.top);
    placement.right = ReadInt(kPersistance, kRight, placement.right);
    placement.bottom = ReadInt(kPersistance, kBottom, placement.bottom);
    return placement;
}

bool CAppSettings::SetPlacement(const WindowPlacement::SStored& placement)
{
    QSettings store = Store();
    const QString section = QString::fromLatin1(kPersistance);
    const std::pair<const char*, int> values[] = {
        {kIconic, placement.iconic}, {kMaximised, placement.maximised}, {kLeft, placement.left},
        {kTop, placement.top},       {kRight, placement.right},         {kBottom, placement.bottom},
    };
    for (const auto& [name, value] : values)
        store.setValue(Key(section, QString::fromLatin1(name)), value);
    store.sync();
    return store.status() == QSettings::NoError;
}
