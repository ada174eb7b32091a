#include "app/WindowState.h"
#include "audio/FilePlayback.h"
#include "audio/SoundEngine.h"
#include "fixtures/SoundFiles.h"
#include "ui/PositionBar.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

using namespace audio;

namespace {

SoundEngine::Options manual() {
    SoundEngine::Options o;
    o.openDevice = false;
    return o;
}

void render(SoundEngine &e, int frames) {
    std::vector<std::int16_t> buf(static_cast<std::size_t>(frames) * 2);
    e.mixer().render(buf.data(), frames);
}

} // namespace

class TestFilePlayback : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<SoundEngine> engine_;
    WindowState state_;
    std::unique_ptr<QWidget> window_;
    ui::PositionBar *bar_ = nullptr;
    QLabel *label_ = nullptr;
    QTimer *timer_ = nullptr;
    std::unique_ptr<FilePlayback> playback_;

    void build(SoundEngine::Options options) {
        playback_.reset();
        window_.reset();
        engine_ = std::make_unique<SoundEngine>(options);
        state_ = WindowState{};
        state_.currentFolder = dir_.path();
        window_ = std::make_unique<QWidget>();
        bar_ = new ui::PositionBar(window_.get());
        bar_->setObjectName(QStringLiteral("picSamplePos"));
        bar_->setGeometry(0, 0, 300, 20);
        label_ = new QLabel(QStringLiteral("--:--"), window_.get());
        label_->move(0, 30);
        timer_ = new QTimer(window_.get());
        timer_->setInterval(10);
        window_->show();
        playback_ = std::make_unique<FilePlayback>(*engine_, state_, bar_, label_, timer_);
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        // 44100 bytes: 22050 mono frames at 22050 Hz, one second.
        QVERIFY(!fixtures::makeWav(dir_.path(), QStringLiteral("second.wav"), 22050).isEmpty());
        QVERIFY(!fixtures::makeWav(dir_.path(), QStringLiteral("tiny.wav"), 100).isEmpty());
        QVERIFY(!fixtures::makeGarbage(dir_.path(), QStringLiteral("broken.mp3"), 4000).isEmpty());
    }

    void init() { build(manual()); }

    void cleanup() {
        playback_.reset();
        window_.reset();
        engine_.reset();
    }

    void barFollowsThePosition() {
        QCOMPARE(bar_->barWidth(), 300);
        playback_->startFilePlayback(QStringLiteral("second.wav"));
        QVERIFY(isUsable(state_.fileStream));
        QCOMPARE(playback_->fileLength(), 44100);
        QCOMPARE(playback_->bytesPerUnit(), 147.0f);
        QCOMPARE(playback_->wholeBytesPerUnit(), 147);
        QVERIFY(timer_->isActive());
        QCOMPARE(label_->text(), QStringLiteral("--:--"));
        QCOMPARE(engine_->channelIsActive(state_.fileStream), 1);

        // Byte 22050 is half a second in: 22050 frames of output at 44100 Hz.
        render(*engine_, 22050);
        playback_->tick();
        QCOMPARE(playback_->filePosition(), 22050);
        QCOMPARE(playback_->barEnd(), 150.0f);
        QCOMPARE(bar_->drawnEnd(), 150);
        QCOMPARE(playback_->fileSeconds(), 0.5f);
        QCOMPARE(label_->text(), QStringLiteral(" 0:00"));

        render(*engine_, 441 * 30);
        playback_->tick();
        QCOMPARE(label_->text(), QStringLiteral(" 0:01"));
        QVERIFY(bar_->drawnEnd() > 150);
    }

    void endResetsTheDisplayWithinOneTick() {
        playback_->startFilePlayback(QStringLiteral("second.wav"));
        const Handle h = state_.fileStream;
        render(*engine_, 44000);
        playback_->tick();
        QVERIFY(bar_->drawnEnd() > 290);
        render(*engine_, 100);
        playback_->tick();
        QCOMPARE(bar_->drawnEnd(), 0);
        QCOMPARE(label_->text(), QStringLiteral("--:--"));
        QVERIFY(!timer_->isActive());
        // The self-freeing stream is gone.
        QCOMPARE(engine_->channelIsActive(h), 0);
        QCOMPARE(engine_->liveStreams(), 0);
    }

    void clickLeftOfTheEndSeeksBack() {
        QSignalSpy toList(playback_.get(), &FilePlayback::focusToFileList);
        QSignalSpy toDummy(playback_.get(), &FilePlayback::focusToDummy);
        playback_->startFilePlayback(QStringLiteral("second.wav"));
        render(*engine_, 22050);
        playback_->tick();
        QCOMPARE(bar_->drawnEnd(), 150);

        QTest::mouseClick(bar_, Qt::LeftButton, {}, QPoint(100, 5));
        QCOMPARE(bar_->drawnEnd(), 100);
        QCOMPARE(engine_->channelGetPosition(state_.fileStream), std::uint64_t(100 * 147));
        QCOMPARE(toList.count(), 1);
        QCOMPARE(toDummy.count(), 0);
        // Playback goes on from there: 882 output frames are 441 mono frames of the file.
        render(*engine_, 882);
        playback_->tick();
        QCOMPARE(playback_->filePosition(), 100 * 147 + 882);
        QCOMPARE(bar_->drawnEnd(), 106);

        // Right of the end, with any button: the bar just grows there.
        QTest::mouseClick(bar_, Qt::RightButton, {}, QPoint(250, 5));
        QCOMPARE(bar_->drawnEnd(), 250);
        QCOMPARE(engine_->channelGetPosition(state_.fileStream), std::uint64_t(250 * 147));
        QCOMPARE(toList.count(), 2);
    }

    void clickAfterTheEndOnlyMovesTheFocus() {
        QSignalSpy toList(playback_.get(), &FilePlayback::focusToFileList);
        QSignalSpy toDummy(playback_.get(), &FilePlayback::focusToDummy);
        playback_->startFilePlayback(QStringLiteral("second.wav"));
        render(*engine_, 44100);
        playback_->tick();
        QCOMPARE(label_->text(), QStringLiteral("--:--"));
        QTest::mouseClick(bar_, Qt::LeftButton, {}, QPoint(120, 5));
        QCOMPARE(bar_->drawnEnd(), 0);
        QCOMPARE(toDummy.count(), 1);
        QCOMPARE(toList.count(), 0);
        QCOMPARE(label_->text(), QStringLiteral("--:--"));
    }

    void brokenFilePlaysNothing() {
        playback_->startFilePlayback(QStringLiteral("second.wav"));
        render(*engine_, 10000);
        playback_->tick();
        const Handle previous = state_.fileStream;
        QVERIFY(bar_->drawnEnd() > 0);

        playback_->startFilePlayback(QStringLiteral("broken.mp3"));
        QCOMPARE(state_.fileStream, Handle{0});
        QCOMPARE(engine_->channelIsActive(previous), 0);
        QCOMPARE(engine_->liveStreams(), 0);
        QCOMPARE(bar_->drawnEnd(), 0);
        QCOMPARE(label_->text(), QStringLiteral("--:--"));
        QVERIFY(!timer_->isActive());
        playback_->tick();
        QCOMPARE(label_->text(), QStringLiteral("--:--"));

        playback_->startFilePlayback(QStringLiteral("no such file.wav"));
        QCOMPARE(state_.fileStream, Handle{0});
        QVERIFY(!timer_->isActive());
    }

    void fileShorterThanTheBarStillShows() {
        // 200 bytes on 300 pixels: no whole byte count per pixel; the bar spreads the file.
        playback_->startFilePlayback(QStringLiteral("tiny.wav"));
        QCOMPARE(playback_->bytesPerUnit(), 0.0f);
        render(*engine_, 100);
        playback_->tick();
        QCOMPARE(playback_->filePosition(), 100);
        QCOMPARE(bar_->drawnEnd(), 150);
        QTest::mouseClick(bar_, Qt::LeftButton, {}, QPoint(30, 5));
        QCOMPARE(engine_->channelGetPosition(state_.fileStream), std::uint64_t(20));
    }

    void stopResetsEverything() {
        playback_->startFilePlayback(QStringLiteral("second.wav"));
        render(*engine_, 5000);
        playback_->tick();
        const Handle h = state_.fileStream;
        playback_->stopFilePlayback();
        playback_->stopFilePlayback();
        QCOMPARE(engine_->channelIsActive(h), 0);
        QCOMPARE(engine_->liveStreams(), 0);
        QCOMPARE(bar_->drawnEnd(), 0);
        QCOMPARE(label_->text(), QStringLiteral("--:--"));
        QVERIFY(!timer_->isActive());
    }

    void realDeviceAndTimerEndTheFile() {
        SoundEngine::Options device;
        build(device);
        QVERIFY2(engine_->init(-1, 44100), qPrintable(engine_->errorText()));
        QVERIFY(!fixtures::makeWav(dir_.path(), QStringLiteral("short.wav"), 4410).isEmpty());
        playback_->startFilePlayback(QStringLiteral("short.wav"));
        QVERIFY(timer_->isActive());
        QTRY_VERIFY_WITH_TIMEOUT(bar_->drawnEnd() > 0, 3000);
        QTRY_VERIFY_WITH_TIMEOUT(!timer_->isActive(), 3000);
        QCOMPARE(label_->text(), QStringLiteral("--:--"));
        QCOMPARE(bar_->drawnEnd(), 0);
        QCOMPARE(engine_->liveStreams(), 0);
    }
};

QTEST_MAIN(TestFilePlayback)
#include "test_fileplayback.moc"
