#include "pipeline/ConversionPlan.h"

#include <QDir>

namespace pipeline {

namespace {

// The extension after the last dot; empty when the name has none. A leading dot alone (a
// hidden file) marks no extension.
QString extension(const QString &name) {
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot > 0 ? name.mid(dot + 1) : QString();
}

} // namespace

QString destinationName(const QString &name) {
    const qsizetype dot = name.lastIndexOf(u'.');
    return (dot > 0 ? name.left(dot) : name) + QStringLiteral(".ogg");
}

bool decodedFirst(const QString &name) {
    const QString ext = extension(name).toLower();
    return ext.startsWith(QStringLiteral("mp")) || ext == u"ogg";
}

ConversionTask planTask(const QString &folder, const QString &name) {
    const QDir dir(QDir(folder).absolutePath());
    ConversionTask task;
    task.name = name;
    task.source = QDir::toNativeSeparators(dir.absoluteFilePath(name));
    task.destination = QDir::toNativeSeparators(dir.absoluteFilePath(destinationName(name)));
    task.decode = decodedFirst(name);
    return task;
}

QStringList encoderArguments(const QString &input, const QString &output) {
    return {QStringLiteral("-b"),
            QStringLiteral("40"),
            QStringLiteral("--resample"),
            QStringLiteral("22050"),
            QStringLiteral("--downmix"),
            QStringLiteral("-o"),
            output,
            input};
}

} // namespace pipeline
