#include "app/Settings.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryFile>

namespace app {

namespace {

// Where the system installs programs (/usr/bin, /opt/...): never written by the program itself,
// even when run by root, so that removing the package leaves nothing behind.
bool isInstalledFolder(const QString &programFolder) {
    const QString path = QDir::cleanPath(QDir::fromNativeSeparators(programFolder)) + u'/';
    return path.startsWith(u"/usr/") || path.startsWith(u"/opt/") || path == u"/bin/";
}

} // namespace

QString settingsFolder(const QString &programFolder) {
    // Try it rather than trust the permission bits: root passes every access check, yet cannot
    // write on a read-only mount.
    QTemporaryFile probe(programFolder + QStringLiteral("/.parlotte-probe-XXXXXX"));
    if (!isInstalledFolder(programFolder) && probe.open())
        return programFolder;
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(config);
    return QDir::toNativeSeparators(config);
}

QString settingsPath(const QString &programFolder) {
    return settingsFolder(programFolder) + QDir::separator() + QStringLiteral("settings.ini");
}

QList<SettingsLine> parseSettings(const QByteArray &content) {
    QStringDecoder decode(QStringDecoder::System);
    const QString text = decode(content);
    QList<SettingsLine> lines;
    for (QStringView line : QStringView(text).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0)
            continue; // no "=", or an empty key
        lines.append({line.left(equals).toString(), line.mid(equals + 1).toString()});
    }
    return lines;
}

QString trimSpaces(const QString &value) {
    qsizetype begin = 0;
    qsizetype end = value.size();
    while (begin < end && value[begin] == u' ')
        ++begin;
    while (end > begin && value[end - 1] == u' ')
        --end;
    return value.mid(begin, end - begin);
}

std::optional<bool> readTruth(const QString &value) {
    const QString word = trimSpaces(value);
    if (word.compare(u"True", Qt::CaseInsensitive) == 0)
        return true;
    if (word.compare(u"False", Qt::CaseInsensitive) == 0)
        return false;
    bool isNumber = false;
    const double number = word.toDouble(&isNumber);
    if (isNumber)
        return number != 0.0;
    return std::nullopt;
}

QByteArray formatSettings(const SettingsValues &values) {
    const QString text = QStringLiteral("AudioEditorName=") + values.audioEditorName +
                         QStringLiteral("\r\nAudioEditorPath=") + values.audioEditorPath +
                         QStringLiteral("\r\nLastFolder=") + values.lastFolder +
                         QStringLiteral("\r\nLastSentence=") + values.lastSentence +
                         QStringLiteral("\r\nExitMessage=") +
                         (values.exitMessage ? QStringLiteral("1") : QStringLiteral("0")) +
                         QStringLiteral("\r\n");
    QStringEncoder encode(QStringEncoder::System);
    return encode(text);
}

bool writeSettings(const QString &path, const SettingsValues &values) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = formatSettings(values);
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace app
