#include "store/CBackups.h"

#include "app/CAppSettings.h"
#include "data/CEepromImage.h"
#include "data/CParameterSet.h"
#include "link/CControllerLink.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

namespace {

QStringList BackupFilters()
{
    return {QStringLiteral("*.") + QLatin1String(CBackups::kProfileSuffix),
            QStringLiteral("*.") + QLatin1String(CBackups::kEepromSuffix)};
}

// Newest first: modification time, then name (a later suffix is a later backup).
bool Newer(const QFileInfo& a, const QFileInfo& b)
{
    const QDateTime ta = a.lastModified();
    const QDateTime tb = b.lastModified();
    if (ta != tb)
        return ta > tb;
    return a.fileName() > b.fileName();
}

} // namespace

QString CBackups::DataFolder()
{
    // Built from the product's names rather than the running program's, so the command-line
    // tool and the application share one folder.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QLatin1Char('/') + QLatin1String(CAppSettings::kOrganisation) + QLatin1Char('/') +
           QLatin1String(CAppSettings::kApplication);
}

QString CBackups::Folder()
{
    return DataFolder() + QStringLiteral("/backups");
}

QString CBackups::SafeFileName(const QString& name)
{
    QString out;
    out.reserve(name.size());
    for (const QChar c : name) {
        const bool bad = c.unicode() < 0x20 || QStringLiteral("<>:\"/\\|?*").contains(c);
        out += bad ? QLatin1Char('_') : c;
    }
    out = out.trimmed();
    // Windows refuses names ending in a dot or a space.
    while (out.endsWith(QLatin1Char('.')))
        out.chop(1);
    return out.isEmpty() ? QStringLiteral("controller") : out;
}

QString CBackups::Reserve(EControllerType type, const QString& suffix, const QDateTime& when)
{
    const QString folder = Folder();
    if (!QDir().mkpath(folder))
        return {};
    const QString stem = folder + QLatin1Char('/') +
                         SafeFileName(CControllerLink::ControllerTypeName(type)) +
                         QLatin1Char('-') + when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int n = 1; n < 1000; ++n) {
        const QString path = (n == 1 ? stem : stem + QLatin1Char('-') + QString::number(n)) +
                             QLatin1Char('.') + suffix;
        QFile file(path);
        // NewOnly fails when the name exists, also when another process took it a moment ago.
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return path;
        if (!QFileInfo::exists(path))
            return {}; // not a taken name: the folder refuses new files
    }
    return {};
}

void CBackups::Prune(int keep)
{
    QDir dir(Folder());
    QFileInfoList files = dir.entryInfoList(BackupFilters(), QDir::Files);
    if (files.size() <= keep)
        return;
    std::sort(files.begin(), files.end(), Newer);
    for (qsizetype i = keep; i < files.size(); ++i)
        QFile::remove(files.at(i).filePath());
}

std::vector<CBackups::SEntry> CBackups::List()
{
    QDir dir(Folder());
    QFileInfoList files = dir.entryInfoList(BackupFilters(), QDir::Files);
    std::sort(files.begin(), files.end(), Newer);
    std::vector<SEntry> entries;
    entries.reserve(static_cast<std::size_t>(files.size()));
    for (const QFileInfo& info : files) {
        SEntry entry;
        entry.path = info.filePath();
        entry.modified = info.lastModified();
        entry.profile = info.suffix() == QLatin1String(kProfileSuffix);
        if (entry.profile) {
            CParameterSet set;
            if (set.LoadFile(entry.path).Ok()) {
                entry.count = set.RecordCount();
                entry.typeName = CControllerLink::ControllerTypeName(set.DataControllerType());
            }
        } else {
            CEepromImage image;
            if (image.LoadFile(entry.path).Ok()) {
                entry.count = image.Count();
                entry.typeName = CControllerLink::ControllerTypeName(image.Controller());
            }
        }
        entries.push_back(entry);
    }
    return entries;
}
