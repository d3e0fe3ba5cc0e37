#pragma once

#include <QByteArray>
#include <QTemporaryDir>
#include <QtGlobal>

// Points the per-user data folder (XDG_DATA_HOME, which QStandardPaths reads on every call)
// at a fresh temporary folder for the lifetime of the object: backups and the change log
// that writes leave behind never reach the real user's folder. Child processes (tavrin-cli)
// inherit it.
class CTempDataHome
{
public:
    CTempDataHome()
        : m_old(qgetenv("XDG_DATA_HOME")), m_had(qEnvironmentVariableIsSet("XDG_DATA_HOME"))
    {
        qputenv("XDG_DATA_HOME", m_dir.path().toLocal8Bit());
    }
    ~CTempDataHome()
    {
        if (m_had)
            qputenv("XDG_DATA_HOME", m_old);
        else
            qunsetenv("XDG_DATA_HOME");
    }
    CTempDataHome(const CTempDataHome&) = delete;
    CTempDataHome& operator=(const CTempDataHome&) = delete;
    QString Path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QByteArray m_old;
    bool m_had;
};
