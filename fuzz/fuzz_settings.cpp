// settings.ini as any file may hold it: parsing never fails, and what the program writes back
// parses to exactly the five keys with the values it meant.
#include <QByteArray>
#include <cstdint>

#include "FuzzCheck.h"
#include "app/Settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    app::SettingsValues values;
    for (const app::SettingsLine &line : app::parseSettings(bytes)) {
        check(!line.key.isEmpty() && !line.key.contains(u'=') && !line.key.contains(u'\n'));
        check(!line.value.contains(u'\n'));
        if (line.key == u"AudioEditorName")
            values.audioEditorName = app::trimSpaces(line.value);
        else if (line.key == u"AudioEditorPath")
            values.audioEditorPath = app::trimSpaces(line.value);
        else if (line.key == u"LastFolder")
            values.lastFolder = line.value;
        else if (line.key == u"LastSentence")
            values.lastSentence = app::trimSpaces(line.value);
        else if (line.key == u"ExitMessage")
            values.exitMessage = app::readTruth(line.value).value_or(values.exitMessage);
    }

    const QList<app::SettingsLine> again = app::parseSettings(app::formatSettings(values));
    const QString written[] = {values.audioEditorName, values.audioEditorPath, values.lastFolder,
                               values.lastSentence};
    const char *const keys[] = {"AudioEditorName", "AudioEditorPath", "LastFolder", "LastSentence"};
    check(again.size() == 5);
    for (int i = 0; i < 4; ++i) {
        check(again[i].key == QLatin1String(keys[i]));
        check(again[i].value == (app::isRememberable(written[i]) ? written[i] : QString()));
    }
    check(again[4].key == u"ExitMessage");
    check(app::readTruth(again[4].value) == values.exitMessage);
    return 0;
}
