// Start-up of the real tavrin-studio program on the offscreen platform: the time from
// starting the process to its main window's first paint, as `--startup-check` reports it
// with its "shown" record. Each repetition is one fresh process; the median aggregate is
// the figure to read (target: 0.5 s or less).
#include "sim/CControllerSim.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

constexpr int kStartLimitMs = 20000;

// Writes "<folder>/Kelvane Motion/Tavrin Studio.conf" with the [Settings] `lines`.
bool WriteSettings(const QString& folder, const QByteArray& lines)
{
    const QString dir = folder + QStringLiteral("/Kelvane Motion");
    QFile file(dir + QStringLiteral("/Tavrin Studio.conf"));
    return QDir().mkpath(dir) && file.open(QIODevice::WriteOnly) &&
           file.write("[Settings]\n" + lines) == 11 + lines.size();
}

// Starts tavrin-studio on an account whose own settings are `userLines` (none when empty)
// below system-wide settings that name the bundled data, as the package installs them.
void RunStartup(benchmark::State& state, const QByteArray& userLines)
{
    QTemporaryDir home;
    const QByteArray data = TAVRIN_BUNDLED_DATA_DIR;
    if (!home.isValid() ||
        !WriteSettings(home.filePath(QStringLiteral("xdg")),
                       "TagFileDir=" + data + "\nADCFileDirectory=" + data + "/\n") ||
        (!userLines.isEmpty() &&
         !WriteSettings(home.filePath(QStringLiteral("config")), userLines))) {
        state.SkipWithError("cannot write the settings");
        return;
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_CONFIG_DIRS"), home.filePath(QStringLiteral("xdg")));

    for (auto _ : state) {
        QProcess app;
        app.setProcessEnvironment(env);
        QElapsedTimer clock;
        clock.start();
        app.start(QStringLiteral(TAVRIN_STUDIO_BINARY), {QStringLiteral("--startup-check")});
        QByteArray output;
        while (!output.contains("shown\t") && app.waitForReadyRead(kStartLimitMs))
            output += app.readAllStandardOutput();
        const double seconds = clock.nsecsElapsed() / 1e9;
        app.waitForFinished(kStartLimitMs);
        output += app.readAllStandardOutput();
        if (!output.contains("shown\t") || app.exitCode() != 0) {
            state.SkipWithError(("start-up check failed: " + output).constData());
            return;
        }
        state.SetIterationTime(seconds);
    }
}

// A fresh account: nothing of its own; the port question is answered No.
void BM_StartupFreshAccount(benchmark::State& state)
{
    RunStartup(state, QByteArray());
}

// An account whose port reaches a controller (the simulator), the everyday start.
void BM_StartupConnected(benchmark::State& state)
{
    CControllerSim sim;
    if (!sim.Start()) {
        state.SkipWithError("cannot start the simulator");
        return;
    }
    const QByteArray port = sim.SlavePath().toUtf8();
    RunStartup(state, "PortDevice=" + port + "\nPortName=" + port + "\n");
}

} // namespace

BENCHMARK(BM_StartupFreshAccount)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartupConnected)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);
