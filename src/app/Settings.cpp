#include "app/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>

#include "core/TempFiles.h"
#include "files/FileFilter.h"
#include "ui/Dialogs.h"

namespace app {

namespace {

QString configFolder() {
    return QDir::toNativeSeparators(
        QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
}

QString iniIn(const QString &folder) {
    return folder + QDir::separator() + QStringLiteral("settings.ini");
}

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
    if (!isInstalledFolder(programFolder) && core::TemporaryFile(programFolder).created())
        return programFolder;
    const QString config = configFolder();
    QDir().mkpath(config); // a failure shows when the file is written
    return config;
}

QString defaultFolder(const QString &programFolder) {
    return isInstalledFolder(programFolder) ? QDir::toNativeSeparators(QDir::homePath())
                                            : programFolder;
}

QString settingsPath(const QString &programFolder) {
    return iniIn(settingsFolder(programFolder));
}

QString settingsReadPath(const QString &programFolder) {
    const QFileInfo written(settingsPath(programFolder));
    const QString program = iniIn(programFolder);
    // A copy whose folder is writable keeps its own settings: the configuration folder belongs
    // to the installed program (or another copy), whatever it holds.
    if (written.filePath() == program)
        return written.isFile() ? program : QString();
    // The program folder holds newer values only when it was writable during the last runs.
    const QFileInfo other(program);
    if (other.isFile() && (!written.isFile() || other.lastModified() > written.lastModified()))
        return other.filePath();
    return written.isFile() ? written.filePath() : QString();
}

QList<SettingsLine> parseSettings(const QByteArray &content) {
    QStringDecoder decode(QStringDecoder::System);
    const QString text = decode(content);
    QList<SettingsLine> lines;
    // A line ends at CR LF, at CR alone (files from old Mac editors) or at LF alone.
    const QStringView all(text);
    for (qsizetype at = 0; at < all.size();) {
        qsizetype end = at;
        while (end < all.size() && all[end] != u'\r' && all[end] != u'\n')
            ++end;
        const QStringView line = all.mid(at, end - at);
        at = end + (end + 1 < all.size() && all[end] == u'\r' && all[end + 1] == u'\n' ? 2 : 1);
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0)
            continue; // no "=", or an empty key
        lines.append({line.left(equals).toString(), line.mid(equals + 1).toString()});
    }
    return lines;
}

SettingsValues readSettingsValues(const QByteArray &content, const QString &programFolder) {
    SettingsValues values;
    // A file may repeat a line thousands of times: each editor path is looked up once, and the
    // folder, which nothing else depends on, is listed for its last line only.
    QHash<QString, bool> usable;
    std::optional<QString> lastFolder;
    for (const SettingsLine &line : parseSettings(content)) {
        const QString value = trimSpaces(line.value);
        if (line.key == u"AudioEditorName") {
            values.audioEditorName = value;
        } else if (line.key == u"AudioEditorPath") {
            auto known = usable.constFind(value);
            if (known == usable.constEnd())
                known = usable.insert(value, isUsableEditor(value));
            values.audioEditorPath = *known ? value : QString();
            if (values.audioEditorPath.isEmpty())
                values.audioEditorName.clear(); // a vanished editor is forgotten, name and all
        } else if (line.key == u"LastFolder") {
            lastFolder = value;
        } else if (line.key == u"LastSentence") {
            values.lastSentence = value;
        } else if (line.key == u"ExitMessage") {
            if (const std::optional<bool> truth = readTruth(line.value))
                values.exitMessage = *truth;
        }
    }
    if (lastFolder) {
        QString folder = *lastFolder;
        if (!folder.isEmpty() && !folder.endsWith(QDir::separator()))
            folder += QDir::separator();
        values.lastFolder =
            files::folderHasOrdinaryFile(folder) ? folder : defaultFolder(programFolder);
    }
    return values;
}

std::optional<SettingsValues> readSettingsFile(const QString &path, const QString &programFolder) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // A settings file is a few hundred bytes; anything far larger is not ours.
    return readSettingsValues(file.read(1 << 20), programFolder);
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

bool isRememberable(const QString &value) {
    return !value.contains(u'\r') && !value.contains(u'\n') && !value.contains(QChar(0));
}

QByteArray formatSettings(const SettingsValues &values) {
    const auto kept = [](const QString &value) {
        return isRememberable(value) ? value : QString();
    };
    const QString text = QStringLiteral("AudioEditorName=") + kept(values.audioEditorName) +
                         QStringLiteral("\r\nAudioEditorPath=") + kept(values.audioEditorPath) +
                         QStringLiteral("\r\nLastFolder=") + kept(values.lastFolder) +
                         QStringLiteral("\r\nLastSentence=") + kept(values.lastSentence) +
                         QStringLiteral("\r\nExitMessage=") +
                         (values.exitMessage ? QStringLiteral("1") : QStringLiteral("0")) +
                         QStringLiteral("\r\n");
    QStringEncoder encode(QStringEncoder::System);
    return encode(text);
}

core::WriteResult writeSettings(const QString &path, const SettingsValues &values) {
    return core::writeWholeFile(path, formatSettings(values));
}

bool saveSettingsTelling(const QString &path, const SettingsValues &values, ui::Dialogs &dialogs) {
    const core::WriteResult result = writeSettings(path, values);
    if (!result)
        dialogs.message(
            core::saveFailedMessage(path, result.cause) +
                QStringLiteral("\r\nLes réglages de cette séance ne seront pas retrouvés "
                               "au prochain lancement."),
            QStringLiteral("Erreur"), ui::Icon::Critical, ui::Buttons::Ok);
    return result.ok;
}

bool isUsableEditor(const QString &path) {
    const QFileInfo info(path);
    return !path.isEmpty() && info.isFile() && info.isExecutable();
}

} // namespace app
