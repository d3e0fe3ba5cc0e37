#pragma once

#include <QSettings>
#include <QTemporaryDir>

// Points QSettings (native and INI formats, user scope) at a fresh temporary folder for the
// lifetime of the object, so tests never touch a real user's settings.
class CTempSettings
{
public:
    CTempSettings()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path());
    }
    QString Path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};
