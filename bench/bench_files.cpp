// The file list of a folder of 10 000 files, against one plain Qt listing of that folder, and a
// whole-file settings save (written, synced, renamed) against a plain unsynced write, measured in
// the same run on the same disk.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "Median.h"
#include "app/Settings.h"
#include "ui/FileList.h"

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir pack;
    for (int i = 0; i < 10000; ++i) {
        QFile file(pack.filePath(QStringLiteral("take-%1.%2").arg(i).arg(i % 2 ? "wav" : "txt")));
        file.open(QIODevice::WriteOnly);
    }
    const QString pattern = QStringLiteral("*.mp?;*.ogg;*.wav");
    qsizetype listed = 0;
    const double plain = medianMs(15, [&] {
        QDir dir(pack.path());
        dir.setNameFilters(
            {QStringLiteral("*.mp?"), QStringLiteral("*.ogg"), QStringLiteral("*.wav")});
        dir.setFilter(QDir::Files);
        dir.setSorting(QDir::Name | QDir::IgnoreCase);
        listed = dir.entryList().size();
    });
    const double fileList =
        medianMs(15, [&] { listed = ui::FileList::listFiles(pack.path(), pattern).size(); });
    std::printf("file list, 10 000 files (%lld shown): %.1f ms, plain Qt listing %.1f ms (x%.2f)\n",
                static_cast<long long>(listed), fileList, plain, fileList / plain);

    app::SettingsValues values;
    values.lastFolder = pack.path();
    const QString path = pack.filePath(QStringLiteral("settings.ini"));
    const QByteArray bytes = app::formatSettings(values);
    const double unsynced = medianMs(31, [&] {
        QFile file(path);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(bytes);
    });
    bool ok = true;
    const double whole = medianMs(31, [&] { ok = app::writeSettings(path, values).ok && ok; });
    std::printf("settings.ini save: %.2f ms whole and synced, %.3f ms plain unsynced write%s\n",
                whole, unsynced, ok ? "" : " (a save FAILED)");
    return ok ? 0 : 1;
}
