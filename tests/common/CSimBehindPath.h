#pragma once

#include "sim/CControllerSim.h"

#include <QFile>
#include <QTemporaryDir>

#include <memory>

// A simulated controller behind a fixed path, a symbolic link to its terminal, as a udev name
// points at an adapter: Unplug() ends the simulator (the adapter pulled out), Plug() starts a
// new one behind the same path (plugged back in).
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
    void Unplug() { m_sim.reset(); }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<CControllerSim> m_sim;
};
