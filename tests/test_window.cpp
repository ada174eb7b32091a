// The subsystems together in the real window: independent sound channels, folder changes under a
// running preview, the sentence remembered from the last run, Escape's order at the focus sink.
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include "catalogue/PromptPanel.h"
#include "files/FileBrowser.h"
#include "fixtures/Bytes.h"
#include "fixtures/SoundFiles.h"
#include "fixtures/WindowFixture.h"
#include "playback/FilePlayback.h"
#include "playback/PromptChannel.h"
#include "sentence/SentenceComposer.h"
#include "ui/PromptButton.h"

namespace {

constexpr int TurnRight = 13;

} // namespace

class TestWindow : public QObject {
    Q_OBJECT
private slots:
    void channelsPlayTogether() {
        QTemporaryDir pack;
        fixtures::makeWav(pack.path(), QStringLiteral("TurnRight.wav"), 44100, 44100, 1);
        fixtures::makeWav(pack.path(), QStringLiteral("essai.wav"), 88200, 44100, 1);
        fixtures::WindowFixture f;
        MainWindow *window = f.startOn(pack.path());
        QVERIFY(window);
        MainWindow &w = *window;

        w.filePlayback().startFilePlayback(QStringLiteral("essai.wav"));
        QTest::mouseClick(w.panel().button(TurnRight), Qt::LeftButton);
        f.render(4410);
        // Each channel keeps its own stream and position; the prompt did not stop the preview.
        QVERIFY(f.engine.channelIsActive(w.filePlayback().stream()));
        QVERIFY(f.engine.channelIsActive(w.promptChannel().stream()));
        QCOMPARE(f.engine.channelGetPosition(w.filePlayback().stream()), quint64(4410 * 2));
        // What is heard is the sum of the two.
        const QVector<qint16> both = f.render(1);
        const QVector<qint16> tone = fixtures::wavSamples(4411, 44100, 1);
        QCOMPARE(int(both[0]), qBound(-32768, 2 * int(tone[4410]), 32767));

        // Escape at the sink: first the preview stops, then the prompt, with its button.
        w.controllers().keys.press(app::KeyPlace::Sink, Qt::Key_Escape, Qt::NoModifier);
        QVERIFY(!f.engine.channelIsActive(w.filePlayback().stream()));
        QVERIFY(f.engine.channelIsActive(w.promptChannel().stream()));
        QCOMPARE(w.controls().lblSampleTime->text(), QStringLiteral("--:--"));
        QVERIFY(w.panel().isSelected(TurnRight));
        w.controllers().keys.press(app::KeyPlace::Sink, Qt::Key_Escape, Qt::NoModifier);
        QVERIFY(!f.engine.channelIsActive(w.promptChannel().stream()));
        QVERIFY(!w.panel().isSelected(TurnRight));
    }

    void folderChangeKeepsThePreviewAndRecolours() {
        QTemporaryDir first;
        QTemporaryDir second;
        fixtures::makeWav(first.path(), QStringLiteral("essai.wav"), 88200, 44100, 1);
        fixtures::makeWav(second.path(), QStringLiteral("TurnRight.wav"), 100, 44100, 1);
        fixtures::WindowFixture f;
        MainWindow *window = f.startOn(first.path());
        QVERIFY(window);
        MainWindow &w = *window;
        w.filePlayback().startFilePlayback(QStringLiteral("essai.wav"));
        QCOMPARE(w.panel().restingColor(TurnRight), catalogue::MissingColor);

        QVERIFY(w.fileBrowser().pointAt(second.path()));
        QCOMPARE(w.fileBrowser().currentFolder(), QDir::toNativeSeparators(second.path()));
        QCOMPARE(w.controls().lblDirPath->text(), w.fileBrowser().currentFolder());
        QCOMPARE(w.panel().restingColor(TurnRight), catalogue::PresentColor);
        QVERIFY(f.engine.channelIsActive(w.filePlayback().stream()));
    }

    void rememberedSentenceComesBackWithSentenceModeOff() {
        QTemporaryDir dir;
        const QString sentenceFile = dir.filePath(QStringLiteral("phrase.txt"));
        QVERIFY(!fixtures::writeBytes(sentenceFile, "00;05;11\r\n").isEmpty());
        fixtures::WindowFixture f;
        f.writeSettings("LastSentence=" + sentenceFile.toUtf8() + "\r\n");
        MainWindow &w = f.start();
        QCOMPARE(w.controls().txtSentence->toPlainText(), QStringLiteral("Après ; 300 ; Mètres"));
        QCOMPARE(w.composer().code(), QStringLiteral("00;05;11"));
        QCOMPARE(w.composer().lastSentence(), sentenceFile);
        QVERIFY(!w.modes().sentence());
        QVERIFY(!w.controls().chkSentence->isChecked());
        QVERIFY(!w.controls().chkListen->isEnabled());
        QVERIFY(!w.controls().cmdBackspace->isVisible());

        // In sentence mode a prompt press appends instead of playing.
        w.composer().setSentenceMode(true);
        QVERIFY(w.controls().chkListen->isEnabled());
        QTest::mouseClick(w.panel().button(TurnRight), Qt::LeftButton);
        QCOMPARE(w.controls().txtSentence->toPlainText(),
                 QStringLiteral("Après ; 300 ; Mètres ; Tournez à droite"));
        QCOMPARE(w.composer().code(), QStringLiteral("00;05;11;13;"));
        QCOMPARE(w.promptChannel().current().index(), TurnRight);
        // Escape leaves sentence mode and keeps the sentence; the close writes it back.
        w.controllers().keys.press(app::KeyPlace::Sink, Qt::Key_Escape, Qt::NoModifier);
        QVERIFY(!w.modes().sentence());
        w.close();
        QVERIFY(fixtures::readBytes(f.settingsPath())
                    .contains("LastSentence=" + sentenceFile.toUtf8() + "\r\n"));
    }
};

QTEST_MAIN(TestWindow)
#include "test_window.moc"
