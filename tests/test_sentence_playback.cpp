// Sentence playback on the real engine, its mixer rendered by hand: every element must start on
// the frame where the previous slot ends, and the highlight must follow the slots.
#include <QtTest>

#include "audio/Resampler.h"
#include "fixtures/Bytes.h"
#include "fixtures/EngineProbe.h"
#include "fixtures/SoundFiles.h"
#include "test_sentence_rig.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int Silent = 33075; // 750 ms at 44100 Hz

// What the mixer must play for a makeWav file of these parameters.
std::vector<qint16> heard(int frames, int rate) {
    const QVector<qint16> source = fixtures::wavSamples(frames, rate, 1);
    return audio::toOutputFormat(source.data(), frames, rate, 1);
}

// Compares `out` from frame `at` with `expected`; on a mismatch says where.
QString mismatch(const std::vector<qint16> &out, std::int64_t at,
                 const std::vector<qint16> &expected) {
    if (static_cast<std::size_t>(2 * at) + expected.size() > out.size())
        return u"output too short"_s;
    const auto [e, o] = std::mismatch(expected.begin(), expected.end(), out.begin() + 2 * at);
    return e == expected.end()
               ? QString()
               : u"frame %1 of the element differs"_s.arg((e - expected.begin()) / 2);
}

QString nonSilent(const std::vector<qint16> &out, std::int64_t from, std::int64_t frames) {
    const auto end = out.begin() + 2 * (from + frames);
    const auto it = std::find_if(out.begin() + 2 * from, end, [](qint16 s) { return s != 0; });
    return it == end ? QString() : u"sound at frame %1"_s.arg((it - out.begin()) / 2);
}

struct Wav {
    const char *name;
    int frames, rate;
};

// Makes the prompt files, composes `rows` and starts listening; with `settle`, every file of
// the sentence is open on return.
bool listen(SentenceRig &rig, std::initializer_list<Wav> wavs, std::initializer_list<int> rows,
            bool settle = true) {
    for (const Wav &w : wavs) {
        if (fixtures::makeWav(rig.pack.path(), QLatin1String(w.name), w.frames, w.rate).isEmpty())
            return false;
    }
    rig.panel->reloadAllSamples();
    rig.composer->setSentenceMode(true);
    rig.press(rows);
    rig.composer->setListening(true);
    if (settle)
        rig.settle();
    return rig.modes->listening();
}

} // namespace

class TestSentencePlayback : public QObject {
    Q_OBJECT
private slots:
    void missingMiddlePromptIsAnExactSilentSlot() {
        SentenceRig rig;
        QVERIFY(
            listen(rig, {{"After.wav", 4410, 44100}, {"Meters.wav", 11025, 22050}}, {0, 5, 11}));
        QCOMPARE(rig.panel->colorOf(0), catalogue::HighlightColor);
        QCOMPARE(rig.c.tmrPlaySentence->interval(), 100);

        const std::vector<qint16> first = heard(4410, 44100);
        const std::vector<qint16> third = heard(11025, 22050);
        const std::int64_t thirdAt = 4410 + Silent;
        const std::vector<qint16> out = rig.render(static_cast<int>(thirdAt) + 22050 + 2000);
        QCOMPARE(mismatch(out, 0, first), QString());
        QCOMPARE(nonSilent(out, 4410, Silent), QString());
        QCOMPARE(mismatch(out, thirdAt, third), QString());
        QCOMPARE(nonSilent(out, thirdAt + 22050, 2000), QString());

        // The highlight walks with the slots: the missing prompt is lit for its 750 ms.
        QVERIFY(rig.tick());
        QCOMPARE(rig.panel->colorOf(5), catalogue::HighlightColor);
        QCOMPARE(rig.panel->colorOf(0), catalogue::PresentColor);
        QCOMPARE(rig.c.tmrPlaySentence->interval(), 750);
        QVERIFY(rig.tick());
        QCOMPARE(rig.panel->colorOf(11), catalogue::HighlightColor);
        QCOMPARE(rig.panel->colorOf(5), catalogue::MissingColor);
        QVERIFY(rig.tick());
        QVERIFY(!rig.c.chkListen->isChecked());
        QVERIFY(!rig.modes->listening());
        QVERIFY(!rig.c.tmrPlaySentence->isActive());
        QCOMPARE(rig.panel->colorOf(11), catalogue::PresentColor);
        QCOMPARE(rig.composer->currentElement(), 2);
    }

    void tooLongPromptIsReportedAndCut() {
        SentenceRig rig;
        QString heardBehindMessage = u"no message"_s;
        rig.dialogs.whileMessageUp = [&] {
            heardBehindMessage = nonSilent(rig.render(2000), 0, 2000);
        };
        // At 8000 Hz: 66 s and 65.536 s are beyond the longest slot, 65.535 s is still allowed.
        QVERIFY(listen(rig,
                       {{"2ndLeft.wav", 66 * 8000, 8000},
                        {"RbRight.wav", 65536 * 8, 8000},
                        {"Then.wav", 65535 * 8, 8000},
                        {"TurnRight.wav", 4410, 44100}},
                       {14, 13, 54, 48}));
        QCOMPARE(rig.dialogs.messages.size(), 2);
        const auto &m = rig.dialogs.messages[0];
        QCOMPARE(m.text, u"Le son « 2ndLeft » (Prenez la deuxième\r\nà gauche)\r\n"
                         "dure plus d'une minute...Il faut le raccourcir !"_s);
        QCOMPARE(m.title, u"Oups !"_s);
        QCOMPARE(m.icon, ui::Icon::Exclamation);
        QCOMPARE(m.buttons, ui::Buttons::Ok);
        QCOMPARE(rig.dialogs.messages[1].text,
                 u"Le son « RbRight » (Au rond-point,\r\ntournez à droite)\r\n"
                 "dure plus d'une minute...Il faut le raccourcir !"_s);
        QCOMPARE(rig.c.tmrPlaySentence->interval(), 750);
        QCOMPARE(heardBehindMessage, QString()); // answered before anything sounded
        rig.dialogs.whileMessageUp = nullptr;

        // The too-long prompt sounds for its first 750 ms, then the next starts on the next frame.
        const std::vector<qint16> longOut = heard(66 * 8000, 8000);
        const std::vector<qint16> out = rig.render(Silent + 4410 + 1);
        QCOMPARE(mismatch(out, 0, {longOut.begin(), longOut.begin() + 2 * Silent}), QString());
        QCOMPARE(mismatch(out, Silent, heard(4410, 44100)), QString());
        QVERIFY(out[2 * (Silent + 4410)] != 0); // Then.wav, allowed, starts right after
        rig.composer->setListening(false);
    }

    void tooLongPromptBehindAShortHeaderIsReportedOnceOpened() {
        SentenceRig rig;
        rig.engine.claimedHeaderSeconds = 1.0; // every header claims a second
        QVERIFY(listen(rig, {{"After.wav", 4410, 44100}, {"Then.wav", 66 * 8000, 8000}},
                       {0, 54, 0, 54}, false));
        // The sentence starts; the message comes once the long file is open, for each of its
        // elements, while the sentence plays on.
        QVERIFY(rig.dialogs.messages.isEmpty());
        QCOMPARE(mismatch(rig.render(4410), 0, heard(4410, 44100)), QString());
        rig.settle();
        QCOMPARE(rig.dialogs.messages.size(), 2);
        QCOMPARE(rig.dialogs.messages[1].text,
                 u"Le son « Then » (Puis)\r\ndure plus d'une minute...Il faut le raccourcir !"_s);
        QCOMPARE(rig.dialogs.messages[1].title, u"Oups !"_s);
        QVERIFY(rig.modes->listening());
        // Cut to the fallback slot, as a prompt found too long before the start.
        const std::vector<qint16> out = rig.render(Silent + 4410 + Silent);
        const std::vector<qint16> longOut = heard(66 * 8000, 8000);
        const std::vector<qint16> cut(longOut.begin(), longOut.begin() + 2 * Silent);
        QCOMPARE(mismatch(out, 0, cut), QString());
        QCOMPARE(mismatch(out, Silent, heard(4410, 44100)), QString());
        QCOMPARE(mismatch(out, Silent + 4410, cut), QString());
        rig.composer->setListening(false);
    }

    void aHeaderClaimingHoursDoesNotMakeAPromptTooLong() {
        SentenceRig rig;
        // Long enough for several pages: the header's estimate then rests on the last one.
        const QString ogg = fixtures::makeOgg(rig.pack.path(), u"After.ogg"_s, 20.0);
        QVERIFY(!ogg.isEmpty());
        QVERIFY(fixtures::claimLastGranule(ogg, qint64(13.5 * 3600 * 22050)));
        QVERIFY(rig.engine.real.headerSeconds(ogg) > 13 * 3600);
        rig.panel->reloadAllSamples();
        rig.composer->setSentenceMode(true);
        rig.press({0, 0});
        // Every play times it by its decoded 20 s, never by the header's 13.5 hours.
        for (int play = 0; play < 5; ++play) {
            rig.composer->setListening(true);
            rig.settle();
            QCOMPARE(rig.dialogs.messages.size(), 0);
            QVERIFY2(std::abs(rig.c.tmrPlaySentence->interval() - 20000) < 50,
                     qPrintable(QString::number(rig.c.tmrPlaySentence->interval())));
            rig.composer->setListening(false);
        }
    }

    void theLastTickDoesNotCutTheSound() {
        // The timer only moves the highlight: when it runs ahead of the device, the end of the
        // sentence must still be heard whole, and a zero-millisecond element does not stall it.
        for (int first : {441, 1}) {
            SentenceRig rig;
            QVERIFY(listen(rig, {{"After.wav", first, 44100}, {"Then.wav", 882, 44100}}, {0, 54}));
            QVERIFY(rig.c.tmrPlaySentence->interval() >= 1);
            // (A 1 ms slot may already have gone by on its own while the files were opened.)
            for (int n = 0; n < 3 && rig.tick(); ++n) {
            }
            QVERIFY(!rig.c.chkListen->isChecked());
            const std::vector<qint16> out = rig.render(first + 882 + 100);
            QCOMPARE(mismatch(out, 0, heard(first, 44100)), QString());
            QCOMPARE(mismatch(out, first, heard(882, 44100)), QString());
        }
    }

    void handEditedAndUnreadableElementsAreSilentSlots() {
        SentenceRig rig;
        const QString dir = rig.pack.path();
        QVERIFY(!fixtures::makeWav(dir, "After.wav", 4410, 44100).isEmpty());
        QVERIFY(!fixtures::makeWav(dir, "Meters.wav", 500, 44100).isEmpty());
        QVERIFY(!fixtures::makeGarbage(dir, "TurnRight.wav", 5000).isEmpty());
        rig.composer->loadSentenceFile(
            fixtures::writeBytes(rig.pack.filePath("s.txt"), "00;77;abc;;13;-4;11\r\n"));
        QCOMPARE(rig.text(), u"Après ; Tournez à droite ; Mètres"_s);
        rig.composer->setListening(true);
        rig.settle();
        QVERIFY(rig.modes->listening());
        QVERIFY(rig.dialogs.messages.isEmpty());

        const std::int64_t lastAt = 4410 + 5 * Silent;
        const std::vector<qint16> out = rig.render(static_cast<int>(lastAt) + 500 + 100);
        QCOMPARE(mismatch(out, 0, heard(4410, 44100)), QString());
        QCOMPARE(nonSilent(out, 4410, 5 * Silent), QString());
        QCOMPARE(mismatch(out, lastAt, heard(500, 44100)), QString());

        // The pieces naming no prompt light nothing; the unreadable prompt is lit in its slot.
        for (int element = 1; element <= 3; ++element) {
            QVERIFY(rig.tick());
            QCOMPARE(rig.composer->currentElement(), element);
            for (int row = 0; row < core::SampleCount; ++row)
                QVERIFY(rig.panel->colorOf(row) != catalogue::HighlightColor);
        }
        QVERIFY(rig.tick());
        QCOMPARE(rig.panel->colorOf(13), catalogue::HighlightColor);
        QVERIFY(rig.tick() && rig.tick() && rig.tick());
        QVERIFY(!rig.c.chkListen->isChecked());
    }

    void firstElementSoundsBeforeTheOtherFilesAreOpened() {
        SentenceRig rig;
        QVERIFY(listen(
            rig,
            {{"After.wav", 4410, 44100}, {"Meters.wav", 3000, 22050}, {"Then.wav", 2205, 44100}},
            {0, 11, 0, 54, 11, 0}, false));
        // Only the first element's file is open, and it sounds from the first frame.
        QCOMPARE(audio::EngineProbe::liveStreams(rig.engine.real), 1);
        QVERIFY(rig.composer->isPreparing());
        const std::vector<qint16> first = rig.render(4410);
        QCOMPARE(mismatch(first, 0, heard(4410, 44100)), QString());

        // The others come between events, each distinct file once, and join exactly.
        rig.settle();
        QCOMPARE(audio::EngineProbe::liveStreams(rig.engine.real), 3);
        const std::vector<qint16> after = heard(4410, 44100), meters = heard(3000, 22050),
                                  then = heard(2205, 44100);
        const std::vector<qint16> out = rig.render(6000 + 4410 + 2205 + 6000 + 4410 + 100);
        std::int64_t at = 0;
        for (const auto *e : {&meters, &after, &then, &meters, &after}) {
            QCOMPARE(mismatch(out, at, *e), QString());
            at += static_cast<std::int64_t>(e->size() / 2);
        }
        QCOMPARE(nonSilent(out, at, 100), QString());
        rig.composer->setListening(false);
    }

    void streamsAreFreedBeforeTheNextPlaybackAndAtTheEnd() {
        SentenceRig rig;
        QVERIFY(
            listen(rig, {{"After.wav", 44100, 44100}, {"Meters.wav", 44100, 44100}}, {0, 11, 0}));
        QCOMPARE(audio::EngineProbe::liveStreams(rig.engine.real), 2);
        rig.composer->setListening(false);
        rig.c.cmdBackspace->click();
        rig.c.cmdBackspace->click();
        rig.composer->setListening(true);
        QCOMPARE(audio::EngineProbe::liveStreams(rig.engine.real), 1);
        rig.controllers.reset(); // the composer with them
        QCOMPARE(audio::EngineProbe::liveStreams(rig.engine.real), 0);
        QCOMPARE(nonSilent(rig.render(44100), 0, 44100), QString());
    }

    void playbackRunsOnTheTablesMadeAtItsStartAndStopsAtOnce() {
        SentenceRig rig;
        QVERIFY(listen(rig, {{"After.wav", 2000, 44100}, {"Meters.wav", 44100, 44100}}, {0, 11}));
        // Emptying the sentence and leaving sentence mode change neither the sound nor the state.
        rig.c.cmdBackspace->click();
        rig.c.cmdBackspace->click();
        QCOMPARE(rig.composer->code(), QString());
        rig.composer->setSentenceMode(false);
        QVERIFY(rig.modes->listening());
        QVERIFY(rig.c.tmrPlaySentence->isActive());
        const std::vector<qint16> out = rig.render(5000);
        QCOMPARE(mismatch(out, 0, heard(2000, 44100)), QString());
        const std::vector<qint16> meters = heard(44100, 44100);
        QCOMPARE(mismatch(out, 2000, {meters.begin(), meters.begin() + 6000}), QString());

        // Stopping mid-element silences at once, although the code has become empty meanwhile.
        rig.composer->setListening(true);
        rig.composer->setListening(false);
        QVERIFY(!rig.modes->listening());
        QVERIFY(!rig.c.tmrPlaySentence->isActive());
        for (int row : {0, 11})
            QCOMPARE(rig.panel->colorOf(row), catalogue::PresentColor);
        QCOMPARE(nonSilent(rig.render(44100), 0, 44100), QString());
    }
};

QTEST_MAIN(TestSentencePlayback)
#include "test_sentence_playback.moc"
