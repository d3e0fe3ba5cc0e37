#pragma once

#include <QSettings>
#include <QTemporaryDir>

// Points QSettings (native and INI formats, user and system scope) at a fresh temporary
// folder for the lifetime of the object, so tests never touch a real user's settings and
// never see the system-wide ones an installed package puts in /etc/xdg. The user's files lie
// in Path(), the system-wide ones in SystemPath().
class CTempSettings
{
public:
    CTempSettings()
    {
        for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat}) {
            QSettings::setPath(format, QSettings::UserScope, m_dir.path());
            QSettings::setPath(format, QSettings::SystemScope, SystemPath());
        }
    }
    QString Path() const { return m_dir.path(); }
    QString SystemPath() const { return m_dir.filePath(QStringLiteral("system")); }

private:
    QTemporaryDir m_dir;
};
