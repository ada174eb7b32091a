// Recolouring the 59 prompt buttons in a folder of 10 000 files, against one plain listing of
// that folder measured in the same run.
#include <QApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "Median.h"
#include "app/MainWindow.h"
#include "audio/SoundEngine.h"
#include "catalogue/PromptPanel.h"
#include "core/SampleTable.h"
#include "files/FileBrowser.h"
#include "fixtures/ManualEngine.h"
#include "fixtures/ScriptedDialogs.h"

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir pack;
    for (int i = 0; i < 10000; ++i) {
        QFile file(pack.filePath(QStringLiteral("take-%1.wav").arg(i)));
        file.open(QIODevice::WriteOnly);
    }
    // A few real prompt names among them, in every kind.
    for (int row = 0; row < core::SampleCount; row += 3) {
        QFile file(pack.filePath(core::samples()[row].id +
                                 (row % 2 ? QStringLiteral(".ogg") : QStringLiteral(".mp3"))));
        file.open(QIODevice::WriteOnly);
    }

    QTemporaryDir programFolder;
    fixtures::ManualEngine manual;
    audio::SoundEngine &engine = manual.engine;
    fixtures::ScriptedDialogs dialogs; // answers OK, cancels file dialogs
    MainWindow window(programFolder.path(), engine, dialogs);
    window.start();
    window.fileBrowser().pointAt(pack.path());

    constexpr int Runs = 15;
    const double listing = medianMs(Runs, [&] {
        int count = 0;
        QDirIterator it(pack.path(), QDir::Files | QDir::NoDotAndDotDot);
        while (it.hasNext()) {
            it.next();
            ++count;
        }
        if (count < 10000)
            std::abort();
    });
    const double reload = medianMs(Runs, [&] { window.panel().reloadAllSamples(); });
    std::printf("ReloadAllSamples in a folder of %d files (median of %d):\n", 10000 + 20, Runs);
    std::printf("  one plain listing   %7.2f ms\n", listing);
    std::printf("  ReloadAllSamples    %7.2f ms\n", reload);
    std::printf("  ratio %.2fx (target <= 2x)\n", reload / listing);
    return 0;
}
