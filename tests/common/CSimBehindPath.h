#pragma once

#include "sim/CControllerSim.h"

#include <QFile>
#include <QTemporaryDir>

#include <memory>

// A simulated controller behind a fixed path, a symbolic link to its terminal, as a udev name
// points at an adapter: Unplug() removes the name and ends the simulator (the adapter pulled
// out), Plug() starts a new one behind the same path (plugged back in). The name must go with
// the simulator: the kernel hands a freed terminal number to the next program that opens one,
// and a test running beside this one would otherwise answer behind the old name.
class CSimBehindPath
{
public:
    QString Path() const { return m_dir.filePath(QStringLiteral("ttyController")); }
    CControllerSim& Sim() { return *m_sim; }

    // False when the simulator does not start or the link cannot be made.
    bool Plug()
    {
        m_sim = std::make_unique<CControllerSim>();
        if (!m_sim->Start())
            return false;
        QFile::remove(Path());
        return QFile::link(m_sim->SlavePath(), Path());
    }
    void Unplug()
    {
        QFile::remove(Path());
        m_sim.reset();
    }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<CControllerSim> m_sim;
};
