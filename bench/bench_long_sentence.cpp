// A hand-edited sentence file of the most elements a sentence holds (1,000), naming all 59 prompts,
// each a 3-second MP3, played by the sentence composer on the real engine (mixer rendered by hand):
//   click to first sound: "Ecouter" pressed until the mixer's next period holds the first element;
//   click to last file open: until every distinct prompt file is open (decoded once each);
//   longest step: the longest the window goes without handling events meanwhile;
//   streams: how many the sentence holds (one per distinct file);
//   peak RSS over the baseline taken before the click.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "Median.h"
#include "Memory.h"
#include "app/ControllerWidgets.h"
#include "audio/SoundEngine.h"
#include "catalogue/PromptPanel.h"
#include "core/Modes.h"
#include "core/SampleTable.h"
#include "fixtures/FixedFolder.h"
#include "fixtures/ManualEngine.h"
#include "fixtures/ScriptedDialogs.h"
#include "fixtures/SoundFiles.h"
#include "playback/FilePlayback.h"
#include "playback/PromptChannel.h"
#include "sentence/SentenceComposer.h"
#include "sentence/SentenceFile.h"
#include "ui/MainLayout.h"

namespace {

constexpr int Elements = static_cast<int>(sentence::MaxSentenceElements);

struct Result {
    double firstSoundMs = -1, lastOpenMs = -1, longestStepMs = 0;
    int streams = 0;
    long peakKb = 0;
};

Result run(const QString &pack, const QString &sentenceFile) {
    QWidget window;
    const ui::Controls controls = ui::buildLayout(&window);
    const fixtures::FixedFolder folder(pack);
    core::Modes modes;
    fixtures::ManualEngine manual;
    audio::SoundEngine &engine = manual.engine;
    fixtures::ScriptedDialogs dialogs;
    playback::PromptChannel promptChannel(folder, engine);
    playback::FilePlayback filePlayback(engine, folder, app::fileChannelWidgets(controls));
    catalogue::PromptPanel panel(app::panelWidgets(controls), folder, promptChannel);
    panel.buildGrid();
    panel.reloadAllSamples();
    sentence::SentenceComposer composer(app::composerWidgets(controls), folder, modes, engine,
                                        panel, promptChannel, filePlayback, dialogs);
    composer.loadSentenceFile(sentenceFile);

    Result r;
    const long baseline = statusKb("VmRSS");
    resetPeak();
    QElapsedTimer t;
    t.start();
    composer.setListening(true);
    const double clicked = t.nsecsElapsed() / 1e6;
    // The first element is on the timeline once the click has been handled: the next period
    // rendered holds it (the prompt's own first frames may be silent).
    std::vector<std::int16_t> period(2 * 512);
    manual.output.render(period.data(), 512);
    if (std::any_of(period.begin(), period.end(), [](std::int16_t v) { return v != 0; }))
        r.firstSoundMs = clicked;
    while (composer.isPreparing()) {
        QElapsedTimer step;
        step.start();
        QCoreApplication::processEvents();
        r.longestStepMs = std::max(r.longestStepMs, step.nsecsElapsed() / 1e6);
    }
    r.lastOpenMs = t.nsecsElapsed() / 1e6;
    r.streams = audio::EngineProbe::liveStreams(engine);
    r.peakKb = statusKb("VmHWM") - baseline;
    composer.setListening(false);
    return r;
}

} // namespace

int main(int argc, char *argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir pack;
    for (int row = 0; row < core::SampleCount; ++row) {
        if (fixtures::makeMp3(pack.path(), core::samples()[row].id + QStringLiteral(".mp3"), 3.0)
                .isEmpty()) {
            std::fprintf(stderr, "cannot make the prompt files (is lame installed?)\n");
            return 1;
        }
    }
    QByteArray code;
    for (int i = 0; i < Elements; ++i) {
        const int row = (i * 7 + i / 59) % core::SampleCount;
        code += QByteArray::number(row).rightJustified(2, '0');
        if (i + 1 < Elements)
            code += ';';
    }
    const QString sentenceFile = pack.filePath(QStringLiteral("long.txt"));
    QFile f(sentenceFile);
    if (!f.open(QIODevice::WriteOnly) || f.write(code) != code.size() || !f.flush()) {
        std::fprintf(stderr, "cannot write the sentence file\n");
        return 1;
    }
    f.close();

    std::printf("Sentence of %d elements over %d prompt files (3-s MP3), median of 5 runs\n",
                Elements, core::SampleCount);
    std::vector<Result> runs;
    for (int i = 0; i < 5; ++i)
        runs.push_back(run(pack.path(), sentenceFile));
    auto middle = [&](auto field) {
        std::vector<double> v;
        for (const Result &r : runs)
            v.push_back(static_cast<double>(field(r)));
        return median(v);
    };
    const double first = middle([](const Result &r) { return r.firstSoundMs; });
    const double last = middle([](const Result &r) { return r.lastOpenMs; });
    std::printf("  click to first sound      %8.2f ms\n", first);
    std::printf("  click to last file open   %8.2f ms\n", last);
    std::printf("  longest step between events %6.2f ms\n",
                middle([](const Result &r) { return r.longestStepMs; }));
    std::printf("  streams held              %8.0f\n",
                middle([](const Result &r) { return r.streams; }));
    std::printf("  peak RSS over baseline    %8.1f MB\n",
                middle([](const Result &r) { return r.peakKb; }) / 1024.0);
    const bool ok = first >= 0 && first < last;
    std::printf("first element sounds before the last file is open: %s\n", ok ? "yes" : "NO");
    return ok ? 0 : 1;
}
