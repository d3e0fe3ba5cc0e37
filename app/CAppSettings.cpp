#include "app/CAppSettings.h"

#include "app/CLogFont.h"

#include <QDir>
#include <QSettings>

namespace {

QString Key(const QString& section, const QString& name)
{
    return section + QLatin1Char('/') + name;
}

QString Settings(const char* name)
{
    return Key(QString::fromLatin1(CAppSettings::kSettings), QString::fromLatin1(name));
}

QSettings Store()
{
    return QSettings(QString::fromLatin1(CAppSettings::kOrganisation),
                     QString::fromLatin1(CAppSettings::kApplication));
}

int ReadInt(const char* name, int fallback)
{
    QSettings store = Store();
    bool ok = false;
    const int value = store.value(Settings(name)).toInt(&ok);
    return ok ? value : fallback;
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

CAppSettings::CAppSettings() : m_columnWidth(ReadInt("ColumnWidth", kDefaultColumnWidth)) {}

bool CAppSettings::SetColumnWidth(int width)
{
    m_columnWidth = width;
    return Write(QString::fromLatin1(kSettings), QStringLiteral("ColumnWidth"), width);
}

bool CAppSettings::PrintFormat() const
{
    return ReadInt("PrintFormat", 0) != 0;
}

bool CAppSettings::SetPrintFormat(int flag)
{
    // Kept as the low byte of the flag, as it always has been.
    return Write(QString::fromLatin1(kSettings), QStringLiteral("PrintFormat"), flag & 0xFF);
}

bool CAppSettings::Isotropic() const
{
    return ReadInt("Isotropic", 0) != 0;
}

bool CAppSettings::SetIsotropic(int flag)
{
    return Write(QString::fromLatin1(kSettings), QStringLiteral("Isotropic"), flag == 1 ? 1 : 0);
}

bool CAppSettings::StandardEnum() const
{
    return ReadInt("StandardEnum", 1) != 0;
}

bool CAppSettings::SetStandardEnum(bool standard)
{
    return Write(QString::fromLatin1(kSettings), QStringLiteral("StandardEnum"), standard ? 1 : 0);
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

QString CAppSettings::AdcFilePath() const
{
    return Read(QString::fromLatin1(kSettings), QStringLiteral("ADCFileDirectory")).toString() +
           QString::fromLatin1(kAdcFileName);
}

QString CAppSettings::TagFileDir(const QString& programDir) const
{
    const QString name = QStringLiteral("TagFileDir");
    if (!Contains(QString::fromLatin1(kSettings), name))
        return BundledTagFileDir(programDir);
    return Read(QString::fromLatin1(kSettings), name).toString();
}

QString CAppSettings::BundledTagFileDir(const QString& programDir)
{
    if (programDir.isEmpty())
        return QString();
    const QDir share(QDir::cleanPath(programDir + QStringLiteral("/../share")));
    if (share.entryList({QStringLiteral("TagList*.tag")}, QDir::Files).isEmpty())
        return QString();
    return QDir::toNativeSeparators(share.absolutePath());
}

QString CAppSettings::PortDevice(const QString& fallback) const
{
    return Read(QString::fromLatin1(kSettings), QStringLiteral("PortDevice"), fallback).toString();
}

bool CAppSettings::SetPortDevice(const QString& device)
{
    return Write(QString::fromLatin1(kSettings), QStringLiteral("PortDevice"), device);
}

QString CAppSettings::PortName() const
{
    return Read(QString::fromLatin1(kSettings), QStringLiteral("PortName")).toString();
}

bool CAppSettings::SetPortName(const QString& name)
{
    return Write(QString::fromLatin1(kSettings), QStringLiteral("PortName"), name);
}

int CAppSettings::PreviewPages() const
{
    return ReadInt("PreviewPages", 0);
}

bool CAppSettings::SetPreviewPages(int pages)
{
    return Write(QString::fromLatin1(kSettings), QStringLiteral("PreviewPages"), pages);
}

QStringList CAppSettings::RecentFiles() const
{
    QStringList files;
    for (int i = 1; i <= kRecentFileCount; ++i) {
        const QString file =
            Read(QString::fromLatin1(kRecentFileList), QStringLiteral("File%1").arg(i)).toString();
        if (!file.isEmpty())
            files << file;
    }
    return files;
}

bool CAppSettings::SetRecentFiles(const QStringList& files)
{
    QSettings store = Store();
    for (int i = 1; i <= kRecentFileCount; ++i) {
        const QString key =
            Key(QString::fromLatin1(kRecentFileList), QStringLiteral("File%1").arg(i));
        if (i <= files.size())
            store.setValue(key, files[i - 1]);
        else
            store.remove(key);
    }
    store.sync();
    return store.status() == QSettings::NoError;
}
