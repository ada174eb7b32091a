#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

#include "core/SafeFile.h"

namespace ui {
class Dialogs;
}

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
// The folder shown when no remembered one applies: the program's own, where a copy unpacked by
// hand keeps its packs; the user's home for a program the system installed (/usr, /opt), whose
// folder holds no pack.
QString defaultFolder(const QString &programFolder);

// The file start-up reads. A writable program folder's own file, or nothing when it has none yet
// (start-up then writes the defaults there). Otherwise the configuration folder's file, unless
// the program folder holds a newer one, so that the remembered values survive the program folder
// becoming read-only. Empty when there is none.
QString settingsReadPath(const QString &programFolder);

// The lines holding "=" with a non-empty key, in file order, a key that occurs twice given
// twice; a line ends at CR LF, CR or LF.
QList<SettingsLine> parseSettings(const QByteArray &content);

// The values of a settings file as start-up takes them, line by line in file order over the
// defaults: names and paths without their outer spaces; an editor that is not a usable program
// forgotten, name and all; `lastFolder` the folder to open (the default one when the line is
// empty or names a folder without an ordinary file), empty when no line names one.
SettingsValues readSettingsValues(const QByteArray &content, const QString &programFolder);
// The file at `path` read so; nullopt when it cannot be opened.
std::optional<SettingsValues> readSettingsFile(const QString &path, const QString &programFolder);

// "0" and other numbers, "True" and "False"; anything else has no truth value.
std::optional<bool> readTruth(const QString &value);

QString trimSpaces(const QString &value); // spaces (code 32) only, not tabs

// A value holding a line break would end its line and start another key, and a NUL byte ends
// the text for most readers: such a folder or path cannot be remembered and is written empty
// (start-up then falls back as for a missing line).
bool isRememberable(const QString &value);
QByteArray formatSettings(const SettingsValues &values);
// Written whole or not at all: a failure leaves the previous file as it was.
core::WriteResult writeSettings(const QString &path, const SettingsValues &values);
// writeSettings, and a failure told through `dialogs`. Never asks anything: the close goes on.
bool saveSettingsTelling(const QString &path, const SettingsValues &values, ui::Dialogs &dialogs);

// A remembered editor is used only when it is a regular file that can be run.
bool isUsableEditor(const QString &path);

} // namespace app
