#include "pipeline/ProcessRunner.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace pipeline {

QString findTool(const QString &programFolder, const QString &name) {
    for (const QString &candidate : {name, name + QStringLiteral(".exe")}) {
        const QFileInfo local(programFolder + QDir::separator() + candidate);
        if (local.isFile() && local.isExecutable())
            return local.absoluteFilePath();
    }
    return QStandardPaths::findExecutable(name);
}

bool QtProcessRunner::startDetached(const QString &program, const QStringList &arguments,
                                    const QString &workingFolder) {
    return QProcess::startDetached(program, arguments, workingFolder);
}

} // namespace pipeline
