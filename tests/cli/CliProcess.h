#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// What one run of tavrin-cli gave.
struct SRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs tavrin-cli with `args`, `input` on its standard input and then its end (as from a
// script without a terminal). With `configHome` its settings live under that folder, so the
// machine's own settings cannot leak in.
inline SRun RunCli(const QStringList& args, const QByteArray& input = {},
                   const QString& configHome = {})
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!configHome.isEmpty())
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    // Backups and the change log of writes land in a throw-away folder, never in the user's,
    // unless the test chose a data folder itself (CTempDataHome).
    if (!environment.contains(QStringLiteral("XDG_DATA_HOME"))) {
        static const QTemporaryDir dataHome;
        environment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome.path());
    }
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TAVRIN_CLI_PATH), args);
    process.write(input);
    process.closeWriteChannel();
    EXPECT_TRUE(process.waitForFinished(60000));
    return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}
