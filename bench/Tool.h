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
