#include "audio/SoundEngine.h"
#include "fixtures/FixedFolder.h"
#include "fixtures/ManualEngine.h"
#include "fixtures/SoundFiles.h"
#include "playback/BarWaveform.h"
#include "playback/FilePlayback.h"
#include "playback/PeakCache.h"
#include "ui/PositionBar.h"
#include "ui/WaveformPainter.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

using namespace audio;
using playback::FilePlayback;
using namespace Qt::StringLiterals;

namespace {

// Three seconds at 22050 Hz: a loud square wave, silence, the square again with a burst at full
// scale from 2.5 s to 2.55 s.
QVector<qint16> thirds() {
    QVector<qint16> v(3 * 22050);
    for (int i = 0; i < v.size(); ++i) {
        const bool burst = i >= 55125 && i < 56228;
        const qint16 level = burst ? 32767 : i < 22050 || i >= 44100 ? 20000 : 0;
        v[i] = static_cast<qint16>(i / 25 % 2 ? -level : level);
    }
    return v;
}

} // namespace

class TestFilePlayback : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<fixtures::ManualEngine> manual_;
    fixtures::FixedFolder folder_;
    std::unique_ptr<QWidget> window_;
    ui::PositionBar *bar_ = nullptr;
    QLabel *label_ = nullptr;
    QTimer *timer_ = nullptr;
    std::unique_ptr<FilePlayback> playback_;
    std::unique_ptr<playback::PeakCache> cache_;
    std::unique_ptr<playback::BarWaveform> waveform_;

private slots:
    void init() {
        waveform_.reset();
        cache_.reset();
        playback_.reset();
        window_.reset();
        manual_ = std::make_unique<fixtures::ManualEngine>();
        folder_.folder = dir_.path();
        window_ = std::make_unique<QWidget>();
        bar_ = new ui::PositionBar(window_.get());
        bar_->setGeometry(0, 0, 300, 20);
        label_ = new QLabel(u"--:--"_s, window_.get());
        timer_ = new QTimer(window_.get());
        timer_->setInterval(10);
        window_->show();
        playback_ = std::make_unique<FilePlayback>(manual_->engine, folder_,
                                                   FilePlayback::Widgets{bar_, label_, timer_});
        cache_ = std::make_unique<playback::PeakCache>();
        waveform_ = std::make_unique<playback::BarWaveform>(*playback_, *cache_, folder_, bar_);
    }

    void initTestCase() {
        QVERIFY(dir_.isValid());
        // 44100 bytes: one second of 22050 Hz mono.
        QVERIFY(!fixtures::makeWav(dir_.path(), u"second.wav"_s, 22050).isEmpty());
        QVERIFY(!fixtures::makeWav(dir_.path(), u"tiny.wav"_s, 100).isEmpty());
        QVERIFY(!fixtures::makeGarbage(dir_.path(), u"broken.mp3"_s, 4000).isEmpty());
        QVERIFY(!fixtures::writeWav(dir_.filePath(u"thirds.wav"_s), thirds(), 22050, 1).isEmpty());
    }

    void barFollowsThePositionClicksSeekAndTheEndResets() {
        QSignalSpy toList(playback_.get(), &FilePlayback::focusToFileList);
        QSignalSpy toDummy(playback_.get(), &FilePlayback::focusToDummy);
        playback_->startFilePlayback(u"second.wav"_s);
        QCOMPARE(playback_->fileLength(), 44100);
        QCOMPARE(playback_->bytesPerUnit(), 147.0f);
        QVERIFY(timer_->isActive());
        QCOMPARE(label_->text(), u"--:--"_s);

        // Byte 22050 is half a second in: 22050 frames of output at 44100 Hz.
        manual_->render(22050);
        playback_->tick();
        QCOMPARE(playback_->filePosition(), 22050);
        QCOMPARE(playback_->barEnd(), 150.0f);
        QCOMPARE(bar_->drawnEnd(), 150);
        QCOMPARE(playback_->fileSeconds(), 0.5f);
        QCOMPARE(label_->text(), u" 0:00"_s);
        manual_->render(441 * 30);
        playback_->tick();
        QCOMPARE(label_->text(), u" 0:01"_s);
        QVERIFY(bar_->drawnEnd() > 150);

        // Left of the end: seek back; playback goes on from there (882 output frames are 441
        // mono frames of the file).
        QTest::mouseClick(bar_, Qt::LeftButton, {}, QPoint(100, 5));
        QCOMPARE(bar_->drawnEnd(), 100);
        QCOMPARE(manual_->engine.channelGetPosition(playback_->stream()), std::uint64_t(100 * 147));
        QCOMPARE(toList.count(), 1);
        manual_->render(882);
        playback_->tick();
        QCOMPARE(playback_->filePosition(), 100 * 147 + 882);
        QCOMPARE(bar_->drawnEnd(), 106);
        // Right of the end, with any button: the bar just grows there.
        QTest::mouseClick(bar_, Qt::RightButton, {}, QPoint(250, 5));
        QCOMPARE(bar_->drawnEnd(), 250);
        QCOMPARE(manual_->engine.channelGetPosition(playback_->stream()), std::uint64_t(250 * 147));
        QCOMPARE(toList.count(), 2);
        QCOMPARE(toDummy.count(), 0);

        // The end, told by the engine, resets the display and stops the timer.
        manual_->render(7300);
        playback_->tick();
        QVERIFY(bar_->drawnEnd() > 290);
        QVERIFY(timer_->isActive());
        QSignalSpy stopped(playback_.get(), &FilePlayback::stopped);
        manual_->render(100);
        QTRY_COMPARE(stopped.count(), 1);
        QCOMPARE(bar_->drawnEnd(), 0);
        QCOMPARE(label_->text(), u"--:--"_s);
        QVERIFY(!timer_->isActive());
        QCOMPARE(EngineProbe::liveStreams(manual_->engine), 0); // the self-freeing stream is gone
        // A click afterwards only moves the focus.
        QTest::mouseClick(bar_, Qt::LeftButton, {}, QPoint(120, 5));
        QCOMPARE(bar_->drawnEnd(), 0);
        QCOMPARE(toDummy.count(), 1);
        QCOMPARE(toList.count(), 2);
        QCOMPARE(label_->text(), u"--:--"_s);

        // 200 bytes on 300 pixels: no whole byte count per pixel; the bar spreads the file.
        playback_->startFilePlayback(u"tiny.wav"_s);
        QCOMPARE(playback_->bytesPerUnit(), 0.0f);
        manual_->render(100);
        playback_->tick();
        QCOMPARE(playback_->filePosition(), 100);
        QCOMPARE(bar_->drawnEnd(), 150);
        QTest::mouseClick(bar_, Qt::LeftButton, {}, QPoint(30, 5));
        QCOMPARE(manual_->engine.channelGetPosition(playback_->stream()), std::uint64_t(20));
    }

    void stopAndBrokenFilesResetEverything() {
        for (const QString &next : {u"broken.mp3"_s, u"no such file.wav"_s, QString()}) {
            playback_->startFilePlayback(u"second.wav"_s);
            manual_->render(10000);
            playback_->tick();
            QVERIFY(bar_->drawnEnd() > 0);
            if (next.isNull()) {
                playback_->stopFilePlayback();
                playback_->stopFilePlayback();
            } else {
                playback_->startFilePlayback(next);
                QCOMPARE(playback_->stream(), Handle{0});
            }
            QCOMPARE(EngineProbe::liveStreams(manual_->engine), 0);
            QCOMPARE(bar_->drawnEnd(), 0);
            QVERIFY(!bar_->waveform());
            QCOMPARE(label_->text(), u"--:--"_s);
            QVERIFY(!timer_->isActive());
            playback_->tick();
            QCOMPARE(label_->text(), u"--:--"_s);
        }
    }

    void peaksOfLoudSilentLoudThirdsAreKeptForTheFolder() {
        const QString file = dir_.filePath(u"thirds.wav"_s);
        const auto peaks = cache_->request(file);
        QVERIFY(cache_->waitIfShort(file, 10, 5000));
        QCOMPARE(peaks->frames, 66150);
        QCOMPARE(int(peaks->blocks()), 259); // 66150 / 256, the last one partial
        // 20000 of 32767 is 77.5 on the blocks' scale, rounded away from silence.
        const struct {
            int first, last, low, high;
            bool clipped;
        } runs[] = {{0, 85, -78, 78, false},
                    {87, 171, 0, 0, false},
                    {173, 214, -78, 78, false},
                    {215, 219, -127, 127, true},
                    {220, 258, -78, 78, false}};
        for (const auto &r : runs) {
            for (int b = r.first; b <= r.last; ++b) {
                QCOMPARE(peaks->low[b], r.low);
                QCOMPARE(peaks->high[b], r.high);
                QCOMPARE(bool(peaks->clipped[b]), r.clipped);
            }
        }
        // Stereo is mixed to mono; clipping on one channel shows even where the mix is quiet.
        QVector<qint16> stereo;
        for (int i = 0; i < 512; ++i)
            stereo << qint16(i < 256 ? 20000 : 32767) << qint16(i < 256 ? 0 : -32767);
        const QString mixed = fixtures::writeWav(dir_.filePath(u"stereo.wav"_s), stereo, 22050, 2);
        const auto two = cache_->request(mixed);
        QVERIFY(cache_->waitIfShort(mixed, 10, 5000));
        QCOMPARE(two->high, (std::vector<std::int8_t>{39, 0}));
        QCOMPARE(two->low, (std::vector<std::int8_t>{0, 0}));
        QCOMPARE(two->clipped, (std::vector<bool>{false, true}));
        // A file that cannot be decoded: complete and empty.
        const auto none = cache_->request(dir_.filePath(u"broken.mp3"_s));
        QVERIFY(cache_->waitIfShort(dir_.filePath(u"broken.mp3"_s), 10, 5000));
        QCOMPARE(none->blocks(), std::size_t{0});

        // Kept: the bar shows them without the file being read again.
        playback_->startFilePlayback(u"thirds.wav"_s);
        const core::Peaks *first = bar_->waveform();
        playback_->startFilePlayback(u"second.wav"_s);
        playback_->startFilePlayback(u"thirds.wav"_s);
        QCOMPARE(bar_->waveform(), first);
        QCOMPARE(cache_->computations(), 4); // the three files above and second.wav
        // A file changed on disk is read again; one of another folder drops the folder's.
        const QString changed = fixtures::makeWav(dir_.path(), u"changed.wav"_s, 2000);
        cache_->request(changed);
        QVERIFY(cache_->waitIfShort(changed, 10, 5000));
        QVERIFY(!fixtures::makeWav(dir_.path(), u"changed.wav"_s, 3000).isEmpty());
        QCOMPARE(cache_->request(changed)->frames, 0);
        QVERIFY(cache_->waitIfShort(changed, 10, 5000));
        QCOMPARE(cache_->request(changed)->frames, 3000);
        QCOMPARE(cache_->computations(), 6);
        QTemporaryDir other;
        cache_->request(fixtures::makeWav(other.path(), u"x.wav"_s, 100));
        QCOMPARE(cache_->request(file)->frames, 0);
        // Within its bound, the least recently used files go first.
        playback::PeakCache small(1);
        QVERIFY(small.request(file) && small.waitIfShort(file, 10, 5000));
        small.request(dir_.filePath(u"second.wav"_s));
        QVERIFY(small.waitIfShort(dir_.filePath(u"second.wav"_s), 10, 5000));
        QCOMPARE(small.request(file)->frames, 0);
        QCOMPARE(small.computations(), 3);
    }

    void barShowsTheWholeWaveformInItsFirstFrame() {
        playback_->startFilePlayback(u"thirds.wav"_s);
        // Painted before the event loop ever turns: the waveform is there whole. A column is
        // 220.5 frames; those where the thirds and the burst meet are left out.
        QImage image = bar_->grab().toImage();
        const QColor wave = ui::WaveformColors::wave();
        const QColor back = ui::PositionBar::background();
        const QColor clip = ui::WaveformColors::clip();
        for (int x = 0; x < 300; ++x) {
            const bool nearBurst = x >= 247 && x <= 257;
            if (x < 98 || (x > 202 && !nearBurst)) { // loud: about the middle, not full height
                QCOMPARE(image.pixelColor(x, 3), wave);
                QCOMPARE(image.pixelColor(x, 16), wave);
                QCOMPARE(image.pixelColor(x, 1), back);
            } else if (x > 102 && x < 198) { // silent: flat
                QCOMPARE(image.pixelColor(x, 10), wave);
                QCOMPARE(image.pixelColor(x, 9), back);
                QCOMPARE(image.pixelColor(x, 11), back);
            } else if (x >= 251 && x <= 253) { // the burst: marked over the whole height
                QCOMPARE(image.pixelColor(x, 0), clip);
                QCOMPARE(image.pixelColor(x, 19), clip);
            }
            for (int y = 0; y < 20 && !nearBurst; ++y)
                QVERIFY(image.pixelColor(x, y) != clip);
        }

        // Played a second in: the played part green, the waveform over it darker.
        manual_->render(44100);
        playback_->tick();
        QCOMPARE(bar_->drawnEnd(), 100);
        image = bar_->grab().toImage();
        QCOMPARE(image.pixelColor(50, 3), ui::WaveformColors::waveOnFill());
        QCOMPARE(image.pixelColor(50, 0), ui::PositionBar::foreground());
        QCOMPARE(image.pixelColor(150, 3), back);
        // A click back keeps the waveform; the stop clears the bar.
        QTest::mouseClick(bar_, Qt::LeftButton, {}, QPoint(20, 5));
        QCOMPARE(bar_->grab().toImage().pixelColor(50, 3), wave);
        playback_->stopFilePlayback();
        image = bar_->grab().toImage();
        for (int x = 0; x < 300; x += 7)
            QCOMPARE(image.pixelColor(x, 10), back);
    }

    void longFileGrowsInStepsWhileTheLoopTurns() {
        // 2.5 million frames (113 s): two whole batches and a last one.
        QVERIFY(!fixtures::makeWav(dir_.path(), u"long.wav"_s, 2500000).isEmpty());
        QList<std::size_t> steps;
        QList<int> drawn; // columns drawn from the left at each step
        connect(cache_.get(), &playback::PeakCache::grew, this, [&] {
            steps << bar_->waveform()->blocks();
            const QImage image = bar_->grab().toImage();
            int x = 0;
            while (x < 300 && image.pixelColor(x, 10) == ui::WaveformColors::wave())
                ++x;
            drawn << x;
        });
        playback_->startFilePlayback(u"long.wav"_s);
        QCOMPARE(bar_->waveform()->blocks(), std::size_t{0}); // no waiting for a long file
        QTRY_VERIFY_WITH_TIMEOUT(bar_->waveform()->complete, 60000);
        QCOMPARE(steps, (QList<std::size_t>{4096, 8192, 9766}));
        QCOMPARE(drawn, (QList<int>{126, 252, 300})); // 42 % and 84 % of the width, then all
        QCOMPARE(bar_->waveform()->frames, 2500000);
    }
};

QTEST_MAIN(TestFilePlayback)
#include "test_fileplayback.moc"
