// The pack's tour: the table says every prompt, a missing prompt keeps its instructions out and
// is named, `parlotte --tour` writes what the window plays, and the window leaves the composed
// sentence alone.
#include <QtTest>

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <cmath>

#include "audio/Resampler.h"
#include "core/SafeFile.h"
#include "fixtures/Mounts.h"
#include "fixtures/Program.h"
#include "fixtures/SoundFiles.h"
#include "pipeline/WaveHeader.h"
#include "test_sentence_rig.h"
#include "tour/TourPlan.h"
#include "tour/TourPlayer.h"
#include "tour/TourWindow.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int Rate = 44100;
constexpr int GapFrames = 35280; // 800 ms

// A prompt as a voice says it: its own pitch with harmonics, in syllables, peaks well above its
// loudness; lengths that are no whole number of milliseconds.
QVector<qint16> promptSamples(int row) {
    const int frames = 6000 + 613 * row + row % 7;
    QVector<qint16> s(frames);
    const double f = 140.0 + 9.0 * row;
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / Rate;
        const double syllable = std::pow(std::abs(std::sin(M_PI * 4.5 * t)), 3.0);
        const double voice = std::sin(2 * M_PI * f * t) + 0.5 * std::sin(4 * M_PI * f * t) +
                             0.25 * std::sin(6 * M_PI * f * t);
        s[i] = static_cast<qint16>(std::lround(14000.0 * (0.05 + syllable) * voice / 1.75));
    }
    return s;
}

int rowOf(const QString &id) {
    for (int row = 0; row < core::SampleCount; ++row)
        if (core::samples()[row].id == id)
            return row;
    return -1;
}

// Every prompt's WAV but those of `without`, beside files of other programs.
bool makePack(const QString &dir, const QStringList &without = {}) {
    for (int row = 0; row < core::SampleCount; ++row) {
        const QString id = core::samples()[row].id;
        if (!without.contains(id) &&
            fixtures::writeWav(dir + u'/' + id + u".wav"_s, promptSamples(row), Rate, 1).isEmpty())
            return false;
    }
    return !fixtures::makeGarbage(dir, u"desktop.ini"_s, 300).isEmpty() &&
           !fixtures::makeWav(dir, u"Ma prise 2.wav"_s, 9000).isEmpty();
}

tour::PromptFiles allBut(const QStringList &without) {
    tour::PromptFiles present;
    for (int row = 0; row < core::SampleCount; ++row)
        present[row] = !without.contains(core::samples()[row].id);
    return present;
}

// The tour as it must sound: each step's prompts back to back, 800 ms between steps.
std::vector<qint16> expectedTour(const tour::TourPlan &plan) {
    std::vector<qint16> out;
    for (int step = 0; step < plan.steps.size(); ++step) {
        if (step > 0)
            out.resize(out.size() + 2 * GapFrames, 0);
        for (core::PromptRow p : plan.steps[step].prompts) {
            const QVector<qint16> s = promptSamples(p.index());
            const std::vector<qint16> heard = audio::toOutputFormat(s.data(), s.size(), Rate, 1);
            out.insert(out.end(), heard.begin(), heard.end());
        }
    }
    return out;
}

QString firstDifference(const std::vector<qint16> &a, const std::vector<qint16> &b) {
    if (a.size() != b.size())
        return u"%1 frames instead of %2"_s.arg(a.size() / 2).arg(b.size() / 2);
    const auto [x, y] = std::mismatch(a.begin(), a.end(), b.begin());
    return x == a.end() ? QString() : u"frame %1 differs"_s.arg((x - a.begin()) / 2);
}

// The rows the window lights now.
QList<int> lit(const catalogue::PromptPanel &panel) {
    QList<int> rows;
    for (int row = 0; row < core::SampleCount; ++row)
        if (panel.colorOf(row) == catalogue::HighlightColor)
            rows << row;
    return rows;
}

} // namespace

class TestTour : public QObject {
    Q_OBJECT
private slots:
    // Removing any instruction loses a prompt: each says one that no other says.
    void tableSaysEveryPromptOnceAtLeast() {
        std::array<int, core::SampleCount> said{};
        for (const tour::Instruction &instruction : tour::tourTable()) {
            QVERIFY(!instruction.text.isEmpty());
            for (core::PromptRow p : instruction.prompts) {
                QVERIFY2(p, qPrintable(instruction.text));
                ++said[p.index()];
            }
        }
        for (int row = 0; row < core::SampleCount; ++row)
            QVERIFY2(said[row] > 0, qPrintable(core::samples()[row].id));
        for (const tour::Instruction &instruction : tour::tourTable())
            QVERIFY2(std::any_of(instruction.prompts.begin(), instruction.prompts.end(),
                                 [&](core::PromptRow p) { return said[p.index()] == 1; }),
                     qPrintable(instruction.text));
    }

    void missingPromptsKeepTheirInstructionsOut_data() {
        QTest::addColumn<QStringList>("without");
        QTest::addColumn<QString>("named");
        QTest::newRow("three") << QStringList{u"Yards"_s, u"Meters"_s, u"RbExit3"_s}
                               << u"Meters (Mètres), RbExit3 (Troisième sortie), Yards"_s;
        QTest::newRow("the word of every distance")
            << QStringList{u"After"_s} << u"After (Après)"_s;
        QTest::newRow("chaining and both ends")
            << QStringList{u"Then"_s, u"Depart"_s, u"Arrive"_s}
            << u"Arrive (Vous êtes arrivé), Depart (Départ), Then (Puis)"_s;
    }
    void missingPromptsKeepTheirInstructionsOut() {
        QFETCH(QStringList, without);
        QFETCH(QString, named);
        const tour::TourPlan plan = tour::planTour(allBut(without));
        QCOMPARE(tour::missingList(plan), named);
        int needing = 0;
        for (const tour::Instruction &instruction : tour::tourTable())
            needing += std::any_of(
                instruction.prompts.begin(), instruction.prompts.end(),
                [&](core::PromptRow p) { return without.contains(core::samples()[p.index()].id); });
        QCOMPARE(plan.skipped, needing);
        // Never a hole, and every other prompt still heard.
        std::array<bool, core::SampleCount> heard{};
        for (const tour::Step &step : plan.steps)
            for (core::PromptRow p : step.prompts) {
                QVERIFY2(!without.contains(core::samples()[p.index()].id), qPrintable(step.text));
                heard[p.index()] = true;
            }
        for (int row = 0; row < core::SampleCount; ++row)
            QCOMPARE(heard[row], !without.contains(core::samples()[row].id));
    }

    void offlineRenderIsWhatTheWindowPlays() {
        SentenceRig rig;
        QVERIFY(makePack(rig.pack.path()));
        const QString out = rig.pack.filePath(u"tour.wav"_s);
        const fixtures::Run run = fixtures::runProgram({u"--tour"_s, rig.pack.path(), out});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.startsWith("Tour du pack écrit dans « "));
        QFile file(out);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray wave = file.readAll();
        const auto dataBytes = static_cast<std::uint32_t>(wave.size() - pipeline::WaveHeaderSize);
        QCOMPARE(wave.left(pipeline::WaveHeaderSize),
                 pipeline::waveHeader({2, Rate, 16}, dataBytes));
        std::vector<qint16> written(dataBytes / 2);
        std::memcpy(written.data(), wave.constData() + pipeline::WaveHeaderSize, dataBytes);

        // Each prompt begins on the frame where the one before ends.
        const tour::TourPlan plan = tour::planTour(tour::promptFiles(rig.pack.path()));
        QCOMPARE(plan.steps.size(), tour::tourTable().size());
        QCOMPARE(firstDifference(written, expectedTour(plan)), QString());

        // The window's tour, its mixer rendered by hand.
        rig.panel->reloadAllSamples();
        rig.controllers->tour.start();
        while (rig.controllers->tour.player().isPreparing())
            QCoreApplication::processEvents();
        std::vector<qint16> played = rig.render(static_cast<int>(written.size() / 2) + 4096);
        QVERIFY(std::all_of(played.end() - 2 * 4096, played.end(), [](qint16 s) { return !s; }));
        played.resize(written.size());
        QCOMPARE(firstDifference(played, written), QString());
    }

    void commandLineNamesMissingPromptsAndRefusesBadUse() {
        QTemporaryDir pack;
        const QStringList without{u"Yards"_s, u"Meters"_s, u"RbExit3"_s};
        QVERIFY(makePack(pack.path(), without));
        const QString out = pack.filePath(u"tour.wav"_s);
        const fixtures::Run run = fixtures::runProgram({u"--tour"_s, pack.path(), out});
        QCOMPARE(run.exitCode, 1);
        const tour::TourPlan plan = tour::planTour(allBut(without));
        QCOMPARE(QString::fromUtf8(run.err),
                 u"parlotte : %1 consignes ne peuvent pas être dites, faute de fichier pour : "
                 "Meters (Mètres), RbExit3 (Troisième sortie), Yards.\n"_s.arg(plan.skipped));
        QCOMPARE(QFileInfo(out).size(),
                 pipeline::WaveHeaderSize + qint64(expectedTour(plan).size()) * 2);

        const QList<QStringList> refused = {
            {u"--tour"_s},
            {u"--tour"_s, pack.path()},
            {u"--tour"_s, out, pack.filePath(u"b.wav"_s)},
            {u"--tour"_s, pack.path(), pack.path()},
            {u"--tour"_s, pack.path(), out, u"plus"_s},
        };
        for (const QStringList &args : refused) {
            const fixtures::Run bad = fixtures::runProgram(args);
            QCOMPARE(bad.exitCode, 2);
            QVERIFY(bad.err.startsWith("parlotte : "));
        }
    }

    void keysDriveTheTourAndEscapeLeavesTheSentence() {
        SentenceRig rig;
        QVERIFY(makePack(rig.pack.path(), {u"Yards"_s}));
        rig.panel->reloadAllSamples();
        rig.composer->setSentenceMode(true);
        rig.press({0, 5, 11});
        rig.composer->setListening(true);
        const QString text = rig.text();
        const QString code = rig.composer->code();
        rig.window.show();
        QVERIFY(QTest::qWaitForWindowActive(&rig.window));
        // The tour's window is made when the tour starts, not with the main window.
        QVERIFY(!rig.window.findChild<tour::TourWindow *>());
        QTest::keyClick(&rig.window, Qt::Key_L, Qt::ControlModifier);

        tour::TourWindow &w = rig.controllers->tour.window();
        QCOMPARE(rig.window.findChildren<tour::TourWindow *>(), QList<tour::TourWindow *>{&w});
        QVERIFY(w.isVisible());
        QVERIFY(!rig.modes->listening());
        const tour::TourPlan plan = tour::planTour(allBut({u"Yards"_s}));
        QCOMPARE(w.counter()->text(), u"1 / %1"_s.arg(plan.steps.size()));
        QCOMPARE(w.instruction()->text(), u"Départ, allez tout droit"_s);
        QCOMPARE(lit(*rig.panel), QList<int>{rowOf(u"Depart"_s)});
        QCOMPARE(w.missingTitle()->text(),
                 u"1 consigne ne peut pas être dite, faute de fichier pour ces messages :"_s);
        QCOMPARE(w.missingList()->count(), 1);
        QCOMPARE(w.missingList()->item(0)->text(), u"Yards : Yards"_s);
        const auto sounds = [&] {
            const std::vector<qint16> out = rig.render(2048);
            return std::any_of(out.begin(), out.end(), [](qint16 s) { return s != 0; });
        };
        QVERIFY(sounds());

        QTest::keyClick(&w, Qt::Key_Space);
        QCOMPARE(w.pauseButton()->text(), u"Reprendre"_s);
        QVERIFY(!sounds());
        QVERIFY(lit(*rig.panel).isEmpty());
        QTest::keyClick(&w, Qt::Key_Right);
        QCOMPARE(w.counter()->text(), u"2 / %1"_s.arg(plan.steps.size()));
        QCOMPARE(w.instruction()->text(), plan.steps[1].text);
        QCOMPARE(lit(*rig.panel), QList<int>{rowOf(u"After"_s)});
        QVERIFY(sounds());

        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(!w.isVisible());
        QVERIFY(!sounds());
        QVERIFY(lit(*rig.panel).isEmpty());
        QCOMPARE(rig.text(), text);
        QCOMPARE(rig.composer->code(), code);
        QVERIFY(rig.modes->sentence());
    }

    // The light follows the slots to the end, the counter the instructions; an empty folder
    // has nothing to say.
    void lightAndCounterFollowTheTourToItsEnd() {
        SentenceRig rig;
        rig.controllers->tour.start();
        QCOMPARE(rig.dialogs.messages.size(), 1);
        QCOMPARE(rig.dialogs.messages[0],
                 (fixtures::ScriptedDialogs::Message{
                     u"Le dossier « %1 » n'a de fichier pour aucun message : il n'y a rien à "
                     "écouter."_s.arg(rig.pack.path()),
                     u"Écouter le pack"_s, ui::Icon::Exclamation, ui::Buttons::Ok}));
        QVERIFY(makePack(rig.pack.path()));
        rig.panel->reloadAllSamples();
        rig.controllers->tour.start();
        tour::TourPlayer &player = rig.controllers->tour.player();
        tour::TourWindow &w = rig.controllers->tour.window();
        const tour::Schedule schedule = tour::scheduleFrom(player.plan(), 0);
        const qsizetype steps = player.plan().steps.size();
        for (qsizetype i = 0; i < schedule.elements.size(); ++i) {
            const tour::Step &step = player.plan().steps[std::max(schedule.stepOf[i], 0)];
            const QList<int> expected =
                schedule.elements[i].valid ? QList<int>{schedule.elements[i].row} : QList<int>{};
            QCOMPARE(lit(*rig.panel), expected);
            if (schedule.stepOf[i] >= 0) {
                QCOMPARE(w.instruction()->text(), step.text);
                QCOMPARE(w.counter()->text(), u"%1 / %2"_s.arg(schedule.stepOf[i] + 1).arg(steps));
            }
            player.slotTimer()->stop();
            QVERIFY(QMetaObject::invokeMethod(player.slotTimer(), "timeout"));
        }
        QCOMPARE(player.state(), tour::TourPlayer::State::Finished);
        QVERIFY(lit(*rig.panel).isEmpty());
        QCOMPARE(w.instruction()->text(), u"Fin du tour."_s);
        QCOMPARE(w.pauseButton()->text(), u"Rejouer"_s);
        QVERIFY(!w.nextButton()->isEnabled());
        QTest::keyClick(&w, Qt::Key_Space);
        QCOMPARE(w.counter()->text(), u"1 / %1"_s.arg(steps));
        QCOMPARE(player.state(), tour::TourPlayer::State::Playing);
    }

    void saveWritesTheTourOrTellsWhyNot() {
        SentenceRig rig;
        QVERIFY(makePack(rig.pack.path(), {u"Yards"_s}));
        QTemporaryDir out;
        const QString good = out.filePath(u"tour.wav"_s);
        const QString full = out.filePath(u"full"_s);
        QVERIFY(QDir().mkpath(full));
        fixtures::Mount tmpfs = fixtures::Mount::tmpfs(full);
        if (!tmpfs.ok())
            QSKIP(tmpfs.why().constData());
        const QString kept = full + u"/tour.wav"_s;
        QFile old(kept);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("RIFF old") == 8);
        old.close();
        QVERIFY(fixtures::fillUp(full));
        rig.dialogs.fileAnswers = {good, kept};
        rig.panel->reloadAllSamples();
        rig.controllers->tour.start();
        tour::TourWindow &w = rig.controllers->tour.window();

        w.saveButton()->click();
        QCOMPARE(rig.dialogs.fileRequests.size(), 1);
        QVERIFY(rig.dialogs.fileRequests[0].save && rig.dialogs.fileRequests[0].confirmReplace);
        QCOMPARE(rig.dialogs.fileRequests[0].filter, u"Fichiers WAV (*.wav)|*.wav"_s);
        QFile file(good);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray wave = file.readAll();
        std::vector<qint16> written((wave.size() - pipeline::WaveHeaderSize) / 2);
        std::memcpy(written.data(), wave.constData() + pipeline::WaveHeaderSize,
                    written.size() * 2);
        QCOMPARE(firstDifference(written, expectedTour(tour::planTour(allBut({u"Yards"_s})))),
                 QString());
        QCOMPARE(w.status()->text(), u"Tour enregistré dans « %1 »."_s.arg(good));
        QVERIFY(rig.dialogs.messages.isEmpty());

        w.saveButton()->click();
        QCOMPARE(rig.dialogs.messages.size(), 1);
        QCOMPARE(rig.dialogs.messages[0],
                 (fixtures::ScriptedDialogs::Message{
                     core::saveFailedMessage(kept, core::causeOfError(ENOSPC)), u"Erreur"_s,
                     ui::Icon::Critical, ui::Buttons::Ok}));
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("RIFF old"));
        QCOMPARE(rig.controllers->tour.player().state(), tour::TourPlayer::State::Playing);
    }
};

QTEST_MAIN(TestTour)
#include "test_tour.moc"
