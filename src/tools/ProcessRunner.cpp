#include "tools/ProcessRunner.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace tools {

QString findTool(const QString &programFolder, const QString &name) {
    for (const QString &candidate : {name, name + QStringLiteral(".exe")}) {
        const QFileInfo local(programFolder + QDir::separator() + candidate);
        if (local.isFile() && local.isExecutable())
            return local.absoluteFilePath();
    }
    return QStandardPaths::findExecutable(name);
}

int QtProcessRunner::run(const QString &program, const QStringList &arguments,
                         const QString &workingFolder) {
    QProcess process;
    process.setWorkingDirectory(workingFolder);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted())
        return -1;
    // Keep the window alive while the tool works.
    while (!process.waitForFinished(20))
        QCoreApplication::processEvents();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

bool QtProcessRunner::startDetached(const QString &program, const QStringList &arguments,
                                    const QString &workingFolder) {
    return QProcess::startDetached(program, arguments, workingFolder);
}

} // namespace tools
