#pragma once

#include <QProcess>
#include <QStringList>

// Runs an outside tool (a reference decoder, an encoder making test files) to its end; true
// when it exited normally with code 0 (within half an hour: an hour of sound takes a while).
inline bool runTool(const QString &program, const QStringList &args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    return p.waitForFinished(30 * 60 * 1000) && p.exitStatus() == QProcess::NormalExit &&
           p.exitCode() == 0;
}

// Runs `program` to its end with its output thrown away; false when it did not end normally
// within ten minutes, otherwise its exit code in `exitCode`.
inline bool runQuiet(const QString &program, const QStringList &args, int *exitCode = nullptr) {
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start(program, args);
    if (!p.waitForFinished(600000) || p.exitStatus() != QProcess::NormalExit)
        return false;
    if (exitCode)
        *exitCode = p.exitCode();
    return true;
}
