#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
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
    if (!configHome.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
        process.setProcessEnvironment(environment);
    }
    process.start(QStringLiteral(TAVRIN_CLI_PATH), args);
    process.write(input);
    process.closeWriteChannel();
    EXPECT_TRUE(process.waitForFinished(60000));
    return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}
