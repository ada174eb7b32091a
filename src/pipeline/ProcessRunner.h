#pragma once

#include <QString>
#include <QStringList>

// Outside programs (the Ogg encoder, the user's audio editor) are started through this seam, so
// tests can stand in for them. Programs get an argument list, never a shell command line.
namespace pipeline {

class ProcessRunner {
public:
    virtual ~ProcessRunner() = default;
    // Starts the program and lets it go on by itself; false when it could not start.
    virtual bool startDetached(const QString &program, const QStringList &arguments,
                               const QString &workingFolder) = 0;
};

// Where the encoder is looked for: the program's folder first, then the PATH.
QString findTool(const QString &programFolder, const QString &name);

class QtProcessRunner : public ProcessRunner {
public:
    bool startDetached(const QString &program, const QStringList &arguments,
                       const QString &workingFolder) override;
};

} // namespace pipeline
