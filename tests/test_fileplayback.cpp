#include "audio/SoundEngine.h"
#include "core/WindowState.h"
#include "fixtures/ManualEngine.h"
#include "fixtures/SoundFiles.h"
#include "playback/FilePlayback.h"
#include "ui/PositionBar.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

using namespace audio;
using playback::FilePlayback;
using namespace Qt::StringLiterals;

class TestFilePlayback : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<fixtures::ManualEngine> manual_;
    SoundEngine *engine_ = nullptr;
    WindowState state_;
    std::unique_ptr<QWidget> window_;
    ui::PositionBar *bar_ = nullptr;
    QLabel *label_ = nullptr;
    QTimer *timer_ = nullptr;
    std::unique_ptr<FilePlayback> playback_;

    void render(int frames) { manual_->render(frames); }

    void build() {
        playback_.reset();
        window_.reset();
        manual_ = std::make_unique<fixtures::ManualEngine>();
        engine_ = &manual_->engine;
        state_ = WindowState{};
        state_.currentFolder = dir_.path();
        window_ = std::make_unique<QWidget>();
        bar_ = new ui::PositionBar(window_.get());
        bar_->setObjectName(u"picSamplePos"_s);
        bar_->setGeometry(0, 0, 300, 20);
        label_ = new QLabel(u"--:--"_s, window_.get());
        label_->move(0, 30);
        timer_ = new QTimer(window_.get());
        timer_->setInterval(10);
        window_->show();
        playback_ = std::make_unique<FilePlayback>(*engine_, state_,
                                                   FilePlayback::Widgets{bar_, label_, timer_});
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        // 44100 bytes: one second of 22050 Hz mono.
        QVERIFY(!fixtures::makeWav(dir_.path(), u"second.wav"_s, 22050).isEmpty());
        QVERIFY(!fixtures::makeWav(dir_.path(), u"tiny.wav"_s, 100).isEmpty());
        QVERIFY(!fixtures::makeGarbage(dir_.path(), u"broken.mp3"_s, 4000).isEmpty());
    }

    void init() { build(); }

    void barFollowsThePositionClicksSeekAndTheEndResets() {
        QSignalSpy toList(playback_.get(), &FilePlayback::focusToFileList);
        QSignalSpy toDummy(playback_.get(), &FilePlayback::focusToDummy);
        playback_->startFilePlayback(u"second.wav"_s);
        QVERIFY(isUsable(playback_->stream()));
        QCOMPARE(playback_->fileLength(), 44100);
        QCOMPARE(playback_->bytesPerUnit(), 147.0f);
        QVERIFY(timer_->isActive());
        QCOMPARE(label_->text(), u"--:--"_s);

        // Byte 22050 is half a second in: 22050 frames of output at 44100 Hz.
        render(22050);
        playback_->tick();
        QCOMPARE(playback_->filePosition(), 22050);
        QCOMPARE(playback_->barEnd(), 150.0f);
        QCOMPARE(bar_->drawnEnd(), 150);
        QCOMPARE(playback_->fileSeconds(), 0.5f);
        QCOMPARE(label_->text(), u" 0:00"_s);
        render(441 * 30);
        playback_->tick();
        QCOMPARE(label_->text(), u" 0:01"_s);
        QVERIFY(bar_->drawnEnd() > 150);

        // Left of the end: seek back; playback goes on from there (882 output frames are 441
        // mono frames of the file).
        QTest::mouseClick(bar_, Qt::LeftButton, {}, QPoint(100, 5));
        QCOMPARE(bar_->drawnEnd(), 100);
        QCOMPARE(engine_->channelGetPosition(playback_->stream()), std::uint64_t(100 * 147));
        QCOMPARE(toList.count(), 1);
        render(882);
        playback_->tick();
        QCOMPARE(playback_->filePosition(), 100 * 147 + 882);
        QCOMPARE(bar_->drawnEnd(), 106);
        // Right of the end, with any button: the bar just grows there.
        QTest::mouseClick(bar_, Qt::RightButton, {}, QPoint(250, 5));
        QCOMPARE(bar_->drawnEnd(), 250);
        QCOMPARE(engine_->channelGetPosition(playback_->stream()), std::uint64_t(250 * 147));
        QCOMPARE(toList.count(), 2);
        QCOMPARE(toDummy.count(), 0);

        // The end, told by the engine, resets the display and stops the timer.
        const Handle h = playback_->stream();
        render(7300);
        playback_->tick();
        QVERIFY(bar_->drawnEnd() > 290);
        QVERIFY(timer_->isActive());
        QSignalSpy stopped(playback_.get(), &FilePlayback::stopped);
        render(100);
        QTRY_COMPARE(stopped.count(), 1);
        QCOMPARE(bar_->drawnEnd(), 0);
        QCOMPARE(label_->text(), u"--:--"_s);
        QVERIFY(!timer_->isActive());
        QCOMPARE(engine_->channelIsActive(h), 0); // the self-freeing stream is gone
        QCOMPARE(EngineProbe::liveStreams(*engine_), 0);
        // A click afterwards only moves the focus.
        QTest::mouseClick(bar_, Qt::LeftButton, {}, QPoint(120, 5));
        QCOMPARE(bar_->drawnEnd(), 0);
        QCOMPARE(toDummy.count(), 1);
        QCOMPARE(toList.count(), 2);
        QCOMPARE(label_->text(), u"--:--"_s);
    }

    void stopAndBrokenFilesResetEverything() {
        for (const QString &next : {u"broken.mp3"_s, u"no such file.wav"_s, QString()}) {
            playback_->startFilePlayback(u"second.wav"_s);
            render(10000);
            playback_->tick();
            const Handle previous = playback_->stream();
            QVERIFY(bar_->drawnEnd() > 0);
            if (next.isNull()) {
                playback_->stopFilePlayback();
                playback_->stopFilePlayback();
            } else {
                playback_->startFilePlayback(next);
                QCOMPARE(playback_->stream(), Handle{0});
            }
            QCOMPARE(engine_->channelIsActive(previous), 0);
            QCOMPARE(EngineProbe::liveStreams(*engine_), 0);
            QCOMPARE(bar_->drawnEnd(), 0);
            QCOMPARE(label_->text(), u"--:--"_s);
            QVERIFY(!timer_->isActive());
            playback_->tick();
            QCOMPARE(label_->text(), u"--:--"_s);
        }
    }

    void fileShorterThanTheBarStillShows() {
        // 200 bytes on 300 pixels: no whole byte count per pixel; the bar spreads the file.
        playback_->startFilePlayback(u"tiny.wav"_s);
        QCOMPARE(playback_->bytesPerUnit(), 0.0f);
        render(100);
        playback_->tick();
        QCOMPARE(playback_->filePosition(), 100);
        QCOMPARE(bar_->drawnEnd(), 150);
        QTest::mouseClick(bar_, Qt::LeftButton, {}, QPoint(30, 5));
        QCOMPARE(engine_->channelGetPosition(playback_->stream()), std::uint64_t(20));
    }
};

QTEST_MAIN(TestFilePlayback)
#include "test_fileplayback.moc"
