// Prompt presses as heard: the mixer is rendered by hand and compared with the files' samples.
#include <QPushButton>
#include <QtTest>

#include "catalogue/PromptPanel.h"
#include "files/FileBrowser.h"
#include "fixtures/SoundFiles.h"
#include "fixtures/WindowFixture.h"
#include "playback/PromptChannel.h"
#include "ui/FileList.h"
#include "ui/PromptButton.h"

namespace {

constexpr int TurnRight = 13;
constexpr int After = 0;

// First frame index (stereo frames) holding any non-zero sample, or -1.
int firstSound(const QVector<qint16> &out) {
    for (int i = 0; i < out.size(); ++i)
        if (out[i] != 0)
            return i / 2;
    return -1;
}

bool silent(const QVector<qint16> &out) {
    return firstSound(out) < 0;
}

// The window opened on a folder of its own, for the sounds each case writes there.
struct Pack : fixtures::WindowFixture {
    QTemporaryDir dir;
    QString path() const { return dir.path(); }
    MainWindow *open() { return startOn(dir.path()); }
};

} // namespace

class TestPlayback : public QObject {
    Q_OBJECT
private slots:
    void pressPlaysThePromptFromItsStart() {
        Pack pack;
        // 44100 Hz stereo: the output format itself, so what is heard is the file, sample for
        // sample.
        fixtures::makeWav(pack.path(), QStringLiteral("TurnRight.wav"), 4410, 44100, 2);
        const QVector<qint16> samples = fixtures::wavSamples(4410, 44100, 2);
        MainWindow *window = pack.open();
        QVERIFY(window);
        MainWindow &w = *window;
        QVERIFY(silent(pack.render(512)));

        QTest::mouseClick(w.panel().button(TurnRight), Qt::LeftButton);
        QCOMPARE(w.promptChannel().current().index(), TurnRight);
        QVERIFY(w.panel().isSelected(TurnRight));
        const QVector<qint16> heard = pack.render(8192);
        QCOMPARE(heard.mid(0, samples.size()), samples);
        QVERIFY(silent(heard.mid(samples.size())));

        // Pressing the same prompt again restarts it and leaves no prompt current.
        QTest::mouseClick(w.panel().button(TurnRight), Qt::LeftButton);
        pack.render(1000);
        QTest::mouseClick(w.panel().button(TurnRight), Qt::LeftButton);
        QCOMPARE(w.promptChannel().current().index(), TurnRight);
        QTest::mouseClick(w.panel().button(TurnRight), Qt::LeftButton);
        QCOMPARE(w.promptChannel().current().index(), -1);
        QCOMPARE(pack.render(4410), samples);
    }

    void secondPromptStopsTheFirst() {
        Pack pack;
        fixtures::makeWav(pack.path(), QStringLiteral("TurnRight.wav"), 44100, 44100, 2);
        fixtures::makeWav(pack.path(), QStringLiteral("After.wav"), 2205, 44100, 1);
        MainWindow *window = pack.open();
        QVERIFY(window);
        MainWindow &w = *window;

        QTest::mouseClick(w.panel().button(TurnRight), Qt::LeftButton);
        QVERIFY(!silent(pack.render(1000)));
        QTest::mouseClick(w.panel().button(After), Qt::LeftButton);
        QCOMPARE(w.promptChannel().current().index(), After);
        QVERIFY(!w.panel().isSelected(TurnRight));
        QVERIFY(w.panel().isSelected(After));
        // Only After is heard (mono, so both channels carry the same samples), then silence.
        const QVector<qint16> heard = pack.render(4410);
        const QVector<qint16> mono = fixtures::wavSamples(2205, 44100, 1);
        for (int i = 0; i < 2205; ++i) {
            QCOMPARE(heard[2 * i], mono[i]);
            QCOMPARE(heard[2 * i + 1], mono[i]);
        }
        QVERIFY(silent(heard.mid(2 * 2205)));

        // A press on a prompt without a file still stops the one sounding.
        QTest::mouseClick(w.panel().button(TurnRight), Qt::LeftButton);
        QVERIFY(!silent(pack.render(1000)));
        QTest::mouseClick(w.panel().button(TurnRight + 1), Qt::LeftButton);
        QVERIFY(silent(pack.render(2048)));
    }

    void resampledPromptKeepsItsLength() {
        Pack pack;
        fixtures::makeWav(pack.path(), QStringLiteral("After.wav"), 11025, 22050, 1);
        MainWindow *window = pack.open();
        QVERIFY(window);
        MainWindow &w = *window;
        QTest::mouseClick(w.panel().button(After), Qt::LeftButton);
        const QVector<qint16> heard = pack.render(30000);
        QCOMPARE(firstSound(heard), 0);
        int last = -1;
        for (int i = 0; i < heard.size(); ++i)
            if (heard[i] != 0)
                last = i / 2;
        // Half a second at 44100 Hz, give or take the tone's own zero crossings.
        QVERIFY2(last > 22000 && last < 22050, qPrintable(QString::number(last)));
    }

    void brokenFilePlaysNothing() {
        Pack pack;
        fixtures::makeGarbage(pack.path(), QStringLiteral("TurnRight.ogg"), 5000);
        fixtures::makeWav(pack.path(), QStringLiteral("TurnRight.wav"), 4410, 44100, 2);
        MainWindow *window = pack.open();
        QVERIFY(window);
        MainWindow &w = *window;
        // The .ogg comes first and cannot be read: silence, no message, still the current prompt.
        QCOMPARE(w.panel().restingColor(TurnRight), catalogue::PresentColor);
        QTest::mouseClick(w.panel().button(TurnRight), Qt::LeftButton);
        QVERIFY(silent(pack.render(8192)));
        QCOMPARE(w.promptChannel().current().index(), TurnRight);
        QVERIFY(pack.dialogs.messages.isEmpty());
        QTest::mouseClick(w.panel().button(TurnRight), Qt::RightButton);
        QCOMPARE(w.panel().restingColor(TurnRight), catalogue::MissingColor);
        // No file at all: nothing sounds, the press still counts.
        QTest::mouseClick(w.panel().button(After), Qt::LeftButton);
        QCOMPARE(w.promptChannel().current().index(), After);
        QVERIFY(silent(pack.render(2048)));
    }
};

QTEST_MAIN(TestPlayback)
#include "test_playback.moc"
