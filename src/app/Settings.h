#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// settings.ini: five "key=value" lines, CR LF, in the locale's 8-bit encoding (UTF-8 on Linux).
namespace app {

struct SettingsLine {
    QString key; // exactly what stands before the first "=": no trimming, case matters
    QString value;
};

struct SettingsValues {
    QString audioEditorName;
    QString audioEditorPath;
    QString lastFolder;
    QString lastSentence;
    bool exitMessage = true;
};

// The folder that holds settings.ini: the program's folder when it is writable and not where the
// system installs programs (/usr, /opt), else the user's configuration folder.
QString settingsFolder(const QString &programFolder);
QString settingsPath(const QString &programFolder);

// Every line holding "=" with a non-empty key, in file order; lines ended by LF alone count too.
QList<SettingsLine> parseSettings(const QByteArray &content);

// "0" and other numbers, "True" and "False"; anything else has no truth value.
std::optional<bool> readTruth(const QString &value);

QString trimSpaces(const QString &value); // spaces (code 32) only, not tabs

QByteArray formatSettings(const SettingsValues &values);
// Written whole or not at all: a failure leaves the previous file as it was.
bool writeSettings(const QString &path, const SettingsValues &values);

} // namespace app
