#pragma once

#include <QFile>
#include <QString>
#include <QStringList>

// tavrin-cli's output without its "backup PATH" record; `backed` tells whether that record
// named a file that exists.
inline QString WithoutBackup(const QString& out, bool* backed)
{
    QStringList lines = out.split(QLatin1Char('\n'));
    *backed = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].startsWith(QLatin1String("backup\t"))) {
            *backed = QFile::exists(lines[i].mid(7));
            lines.removeAt(i);
            break;
        }
    }
    return lines.join(QLatin1Char('\n'));
}
