// Composing a sentence, its toggles, and sentence files through the dialogs.
#include <QApplication>
#include <QFile>
#include <QtTest>

#include "audio/Resampler.h"
#include "fixtures/Bytes.h"
#include "fixtures/SoundFiles.h"
#include "test_sentence_rig.h"
#include "ui/FileList.h"
#include "ui/PromptButton.h"

namespace {

using fixtures::readBytes;
using fixtures::writeBytes;

bool allSilent(const std::vector<qint16> &samples) {
    return std::all_of(samples.begin(), samples.end(), [](qint16 s) { return s == 0; });
}

} // namespace

class TestSentence : public QObject {
    Q_OBJECT
private slots:
    void appendingBuildsTextAndCodeAndPlaysNothing() {
        SentenceRig rig;
        fixtures::makeWav(rig.pack.path(), QStringLiteral("After.wav"), 2000);
        rig.composer->setSentenceMode(true);
        QVERIFY(!rig.c.chkListen->isEnabled());
        rig.press({0, 5, 11});
        QCOMPARE(rig.text(), QStringLiteral("Après ; 300 ; Mètres"));
        QCOMPARE(rig.state.sentenceCode, QStringLiteral("00;05;11;"));
        QVERIFY(rig.c.chkListen->isEnabled());
        QVERIFY(rig.c.cmdBackspace->isEnabled());
        QCOMPARE(rig.engine.liveStreams(), 0);
        QVERIFY(allSilent(rig.render(4096)));
        QVERIFY(!rig.state.listening);
    }

    void twoLinePromptAppendsItsOneLineLabel() {
        SentenceRig rig;
        rig.composer->setSentenceMode(true);
        rig.press({14, 54});
        QCOMPARE(rig.text(), QStringLiteral("Prenez la deuxième à gauche ; Puis"));
        QCOMPARE(rig.state.sentenceCode, QStringLiteral("14;54;"));
    }

    void backspaceRemovesTheLastElement() {
        SentenceRig rig;
        rig.composer->setSentenceMode(true);
        rig.press({0, 5, 11});
        rig.c.cmdBackspace->click();
        QCOMPARE(rig.text(), QStringLiteral("Après ; 300"));
        QCOMPARE(rig.state.sentenceCode, QStringLiteral("00;05;"));
        rig.c.cmdBackspace->click();
        QCOMPARE(rig.text(), QStringLiteral("Après"));
        QCOMPARE(rig.state.sentenceCode, QStringLiteral("00;"));
        QVERIFY(rig.c.chkListen->isEnabled());

        rig.c.cmdBackspace->click();
        QCOMPARE(rig.text(), QString());
        QCOMPARE(rig.state.sentenceCode, QString());
        QVERIFY(!rig.c.chkListen->isEnabled());
        QVERIFY(!rig.c.cmdBackspace->isEnabled());

        // And a sentence built again afterwards starts clean.
        rig.press({13});
        QCOMPARE(rig.text(), QStringLiteral("Tournez à droite"));
        QCOMPARE(rig.state.sentenceCode, QStringLiteral("13;"));
    }

    void doubleClickAppendsOnce() {
        SentenceRig rig;
        // The window's routing: a left press appends in sentence mode, the second press of a
        // double click arrives only as doubleClicked.
        for (int row = 0; row < catalogue::SampleCount; ++row) {
            QObject::connect(rig.panel->button(row), &ui::PromptButton::mousePressed,
                             [&](int r, Qt::MouseButton b, Qt::KeyboardModifiers) {
                                 if (b == Qt::LeftButton && rig.state.sentenceMode)
                                     rig.composer->append(r);
                             });
            QObject::connect(rig.panel->button(row), &ui::PromptButton::doubleClicked,
                             rig.composer.get(), &sentence::SentenceComposer::doubleClicked);
        }
        rig.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig.window));
        rig.composer->setSentenceMode(true);
        // A real double click: press and release, then the double-click event and a release.
        QTest::mouseClick(rig.panel->button(3), Qt::LeftButton);
        const bool wasSelected = rig.panel->isSelected(3);
        QTest::mouseDClick(rig.panel->button(3), Qt::LeftButton);
        QCOMPARE(rig.text(), QStringLiteral("100"));
        QCOMPARE(rig.state.sentenceCode, QStringLiteral("03;"));
        QCOMPARE(rig.state.currentPromptIndex, std::int16_t(3));
        QCOMPARE(rig.panel->isSelected(3), !wasSelected);

        // The double click itself never appends; it inverts the selection.
        rig.panel->setSelected(7, false);
        rig.composer->doubleClicked(7);
        QVERIFY(rig.panel->isSelected(7));
        QCOMPARE(rig.state.currentPromptIndex, std::int16_t(7));
        rig.composer->doubleClicked(7);
        QVERIFY(!rig.panel->isSelected(7));
        QCOMPARE(rig.text(), QStringLiteral("100"));
    }

    void leavingSentenceModeKeepsTheSentence() {
        SentenceRig rig;
        rig.composer->setSentenceMode(true);
        QVERIFY(rig.state.sentenceMode);
        QVERIFY(!rig.c.cmdBackspace->isHidden());
        rig.press({0, 13});
        rig.composer->setSentenceMode(false);
        QVERIFY(!rig.state.sentenceMode);
        QVERIFY(rig.c.cmdBackspace->isHidden());
        QVERIFY(!rig.c.chkListen->isEnabled());
        QCOMPARE(rig.text(), QStringLiteral("Après ; Tournez à droite"));
        QCOMPARE(rig.state.sentenceCode, QStringLiteral("00;13;"));

        rig.composer->setSentenceMode(true);
        QVERIFY(rig.c.chkListen->isEnabled());
        QVERIFY(rig.c.cmdBackspace->isEnabled());
        QVERIFY(!rig.c.cmdBackspace->isHidden());
        QCOMPARE(rig.text(), QStringLiteral("Après ; Tournez à droite"));
        // Switching to the state it already has runs nothing.
        rig.composer->setSentenceMode(true);
        QVERIFY(rig.state.sentenceMode);
    }

    void theSentenceBoxNeverKeepsTheFocus() {
        SentenceRig rig;
        rig.window.show();
        QApplication::setActiveWindow(&rig.window);
        QVERIFY(QTest::qWaitForWindowActive(&rig.window));
        rig.c.txtSentence->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(rig.c.cmdDummy));
        QTest::keyClicks(rig.c.cmdDummy, QStringLiteral("abc"));
        QCOMPARE(rig.text(), QString());

        rig.c.File1->setFocus();
        rig.composer->setSentenceMode(true);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(rig.c.cmdDummy));
    }

    void listeningNeedsACodeOfTwoCharacters() {
        SentenceRig rig;
        const QString file =
            writeBytes(rig.pack.filePath(QStringLiteral("s.txt")), QByteArray("3;;;\r\n"));
        fixtures::makeWav(rig.pack.path(), QStringLiteral("100.wav"), 4000, 44100);
        rig.composer->loadSentenceFile(file);
        QCOMPARE(rig.text(), QStringLiteral("100"));
        QCOMPARE(rig.state.sentenceCode, QStringLiteral("3"));
        rig.composer->setListening(true);
        QVERIFY(rig.c.chkListen->isChecked()); // only the toggle's look changes
        QVERIFY(!rig.state.listening);
        QVERIFY(!rig.c.tmrPlaySentence->isActive());
        QCOMPARE(rig.engine.liveStreams(), 0);
        QVERIFY(allSilent(rig.render(8000)));
        rig.composer->setListening(false);
        QVERIFY(!rig.state.listening);
    }

    void tooLongPromptIsReportedAndCut() {
        SentenceRig rig;
        const QString dir = rig.pack.path();
        // At 8000 Hz: 66 s and 65.536 s are beyond the longest slot, 65.535 s is still allowed.
        QVERIFY(!fixtures::makeWav(dir, QStringLiteral("2ndLeft.wav"), 66 * 8000, 8000).isEmpty());
        QVERIFY(!fixtures::makeWav(dir, QStringLiteral("RbRight.wav"), 65536 * 8, 8000).isEmpty());
        QVERIFY(!fixtures::makeWav(dir, QStringLiteral("Then.wav"), 65535 * 8, 8000).isEmpty());
        QVERIFY(!fixtures::makeWav(dir, QStringLiteral("TurnRight.wav"), 4410, 44100).isEmpty());
        rig.composer->setSentenceMode(true);
        rig.press({14, 13, 54, 48});
        rig.composer->setListening(true);
        QVERIFY(rig.state.listening);

        QCOMPARE(rig.dialogs.messages.size(), 2);
        const auto &m = rig.dialogs.messages[0];
        QCOMPARE(m.text, QStringLiteral("Le son « 2ndLeft » (Prenez la deuxième\r\nà gauche)\r\n"
                                        "dure plus d'une minute...Il faut le raccourcir !"));
        QCOMPARE(m.title, QStringLiteral("Oups !"));
        QCOMPARE(m.icon, ui::Icon::Exclamation);
        QCOMPARE(m.buttons, ui::Buttons::Ok);
        QCOMPARE(rig.dialogs.messages[1].text,
                 QStringLiteral("Le son « RbRight » (Au rond-point,\r\ntournez à droite)\r\n"
                                "dure plus d'une minute...Il faut le raccourcir !"));
        QCOMPARE(rig.c.tmrPlaySentence->interval(), 750);

        // The too-long prompt sounds for its first 750 ms, then the next starts on the next frame.
        const QVector<qint16> longSource = fixtures::wavSamples(66 * 8000, 8000, 1);
        const std::vector<qint16> longOut =
            audio::toOutputFormat(longSource.data(), 66 * 8000, 8000, 1);
        const QVector<qint16> shortSource = fixtures::wavSamples(4410, 44100, 1);
        const std::vector<qint16> shortOut =
            audio::toOutputFormat(shortSource.data(), 4410, 44100, 1);
        const std::vector<qint16> out = rig.render(33075 + 4410 + 1);
        QVERIFY(std::equal(out.begin(), out.begin() + 2 * 33075, longOut.begin()));
        QVERIFY(std::equal(out.begin() + 2 * 33075, out.begin() + 2 * (33075 + 4410),
                           shortOut.begin()));
        // Then.wav, allowed, starts right after.
        QVERIFY(out[2 * (33075 + 4410)] != 0);
        rig.composer->setListening(false);
    }

    void savingWritesTheCodeAndCrLf() {
        SentenceRig rig;
        rig.composer->setSentenceMode(true);
        rig.press({0, 5, 11});
        const QString path = rig.pack.filePath(QStringLiteral("phrase.txt"));
        rig.dialogs.fileAnswers = {path};
        rig.composer->saveSentence();

        QCOMPARE(rig.dialogs.fileRequests.size(), 1);
        const ui::FileDialogRequest &r = rig.dialogs.fileRequests[0];
        QVERIFY(r.save);
        QCOMPARE(r.title, QStringLiteral("Sélectionnez un fichier texte à ouvrir..."));
        QCOMPARE(r.filter,
                 QStringLiteral("Fichiers texte (*.txt)|*.txt|Tous les fichiers (*.*)|*.*"));
        QCOMPARE(r.defaultExtension, QStringLiteral("txt"));
        QCOMPARE(r.flags, 2u);
        QCOMPARE(rig.fileStops, 1);
        QCOMPARE(rig.promptStops, 1);

        QCOMPARE(readBytes(path), QByteArray("00;05;11\r\n"));
        QCOMPARE(rig.state.sentenceCode, QStringLiteral("00;05;11"));
        QCOMPARE(rig.state.lastSentence, path);
        QVERIFY(rig.dialogs.messages.isEmpty());

        // The shortened code still grows and shrinks as before.
        rig.press({13});
        QCOMPARE(rig.state.sentenceCode, QStringLiteral("00;05;11;13;"));
        rig.c.cmdBackspace->click();
        QCOMPARE(rig.state.sentenceCode, QStringLiteral("00;05;11;"));
    }

    void savingNothingShowsNoDialog() {
        SentenceRig rig;
        rig.state.sentenceCode = QStringLiteral("00;"); // a code without text is not saved
        rig.dialogs.fileAnswers = {rig.pack.filePath(QStringLiteral("x.txt"))};
        rig.composer->saveSentence();
        QVERIFY(rig.dialogs.fileRequests.isEmpty());
        QCOMPARE(rig.fileStops, 0);
        QVERIFY(!QFile::exists(rig.pack.filePath(QStringLiteral("x.txt"))));
    }

    void cancelledOrFailedSavesAreSilent() {
        SentenceRig rig;
        rig.composer->setSentenceMode(true);
        rig.press({0, 5});
        rig.state.lastSentence = QStringLiteral("/old.txt");
        rig.composer->saveSentence(); // the script cancels
        QCOMPARE(rig.dialogs.fileRequests.size(), 1);
        QCOMPARE(rig.state.lastSentence, QStringLiteral("/old.txt"));
        QCOMPARE(rig.fileStops, 1);
        QCOMPARE(rig.state.sentenceCode, QStringLiteral("00;05;"));

        // A name was chosen: it is remembered even though the file cannot be written.
        const QString bad = rig.pack.filePath(QStringLiteral("missing/dir/s.txt"));
        rig.dialogs.fileAnswers = {bad};
        rig.composer->saveSentence();
        QCOMPARE(rig.state.lastSentence, bad);
        QVERIFY(!QFile::exists(bad));
        QVERIFY(rig.dialogs.messages.isEmpty());

        // A failed save leaves an existing file as it was.
        const QString kept = writeBytes(rig.pack.filePath(QStringLiteral("kept.txt")), "13\r\n");
        QFile::setPermissions(rig.pack.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        rig.dialogs.fileAnswers = {kept};
        rig.composer->saveSentence();
        QFile::setPermissions(rig.pack.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                   QFileDevice::ExeOwner);
        const QByteArray after = readBytes(kept);
        QVERIFY(after == "13\r\n" || after == "00;05\r\n"); // root may write anyway, but whole
    }

    void openingLoadsTheSentenceAndSwitchesModeOn() {
        SentenceRig rig;
        const QString path =
            writeBytes(rig.pack.filePath(QStringLiteral("phrase.txt")), "00;05;11\r\n");
        rig.dialogs.fileAnswers = {path};
        rig.composer->openSentence();
        QCOMPARE(rig.dialogs.fileRequests.size(), 1);
        const ui::FileDialogRequest &r = rig.dialogs.fileRequests[0];
        QVERIFY(!r.save);
        QCOMPARE(r.title, QStringLiteral("Sélectionnez un fichier texte à ouvrir..."));
        QCOMPARE(r.filter,
                 QStringLiteral("Fichiers texte (*.txt)|*.txt|Tous les fichiers (*.*)|*.*"));
        QCOMPARE(r.defaultExtension, QStringLiteral("txt"));
        QCOMPARE(r.flags, 0x1000u);
        QCOMPARE(rig.fileStops, 1);
        QCOMPARE(rig.promptStops, 1);

        QCOMPARE(rig.text(), QStringLiteral("Après ; 300 ; Mètres"));
        QCOMPARE(rig.state.sentenceCode, QStringLiteral("00;05;11"));
        QCOMPARE(rig.state.lastSentence, path);
        QVERIFY(rig.state.sentenceMode);
        QVERIFY(rig.c.chkSentence->isChecked());
        QVERIFY(rig.c.chkListen->isEnabled());
        QVERIFY(!rig.c.cmdBackspace->isHidden());

        rig.c.cmdBackspace->click();
        QCOMPARE(rig.text(), QStringLiteral("Après ; 300"));
        QCOMPARE(rig.state.sentenceCode, QStringLiteral("00;05;"));
    }

    void cancelledOpenChangesNothing() {
        SentenceRig rig;
        rig.composer->setSentenceMode(true);
        rig.press({0});
        rig.composer->openSentence();
        QCOMPARE(rig.text(), QStringLiteral("Après"));
        QCOMPARE(rig.state.sentenceCode, QStringLiteral("00;"));
        QCOMPARE(rig.state.lastSentence, QString());
        QCOMPARE(rig.fileStops, 1);
    }

    void handEditedFiles() {
        SentenceRig rig;
        const QString dir = rig.pack.path() + QStringLiteral("/");

        rig.composer->loadSentenceFile(writeBytes(dir + "a.txt", "3;;;\r\n"));
        QCOMPARE(rig.text(), QStringLiteral("100"));
        QCOMPARE(rig.state.sentenceCode, QStringLiteral("3"));

        rig.composer->loadSentenceFile(writeBytes(dir + "b.txt", "00;77;13\r\n"));
        QCOMPARE(rig.text(), QStringLiteral("Après ; Tournez à droite"));
        QCOMPARE(rig.state.sentenceCode, QStringLiteral("00;77;13"));
        rig.dialogs.fileAnswers = {dir + "b2.txt"};
        rig.composer->saveSentence();
        QCOMPARE(readBytes(dir + "b2.txt"), QByteArray("00;77;13\r\n"));

        rig.composer->loadSentenceFile(writeBytes(dir + "c.txt", "12;13\r\n54;56\r\n"));
        QCOMPARE(rig.text(), QStringLiteral("Vous êtes arrivé ; Tournez à droite"));
        QCOMPARE(rig.state.sentenceCode, QStringLiteral("12;13"));

        // An empty first line empties the code only: text and mode stay as they were.
        for (const QByteArray &bytes : {QByteArray(), QByteArray(";\r\n"), QByteArray("\r\n13")}) {
            rig.composer->loadSentenceFile(writeBytes(dir + "d.txt", bytes));
            QCOMPARE(rig.text(), QStringLiteral("Vous êtes arrivé ; Tournez à droite"));
            QCOMPARE(rig.state.sentenceCode, QString());
            QVERIFY(rig.state.sentenceMode);
            QCOMPARE(rig.state.lastSentence, dir + "d.txt");
        }

        // Junk keeps its place in the code; the rows around it still load.
        rig.composer->loadSentenceFile(
            writeBytes(dir + "e.txt", QByteArray("\0\xff;05;abc;;11;\x80\r\n\x01\x02", 20)));
        QCOMPARE(rig.text(), QStringLiteral("300 ; Mètres"));
        QCOMPARE(rig.state.sentenceCode.count(u';'), 5);
        QVERIFY(rig.dialogs.messages.isEmpty());
    }

    void loadingSomethingThatIsNoFileDoesNothing() {
        SentenceRig rig;
        rig.composer->setSentenceMode(true);
        rig.press({0});
        rig.state.lastSentence = QStringLiteral("kept");
        for (const QString &path :
             {QString(), rig.pack.filePath(QStringLiteral("missing.txt")), rig.pack.path()}) {
            rig.composer->loadSentenceFile(path);
            QCOMPARE(rig.text(), QStringLiteral("Après"));
            QCOMPARE(rig.state.sentenceCode, QStringLiteral("00;"));
            QCOMPARE(rig.state.lastSentence, QStringLiteral("kept"));
        }
    }

    void loadingAnEmptyTextSwitchesModeOff() {
        SentenceRig rig;
        rig.composer->setSentenceMode(true);
        rig.press({0});
        rig.composer->loadSentenceFile(
            writeBytes(rig.pack.filePath(QStringLiteral("f.txt")), "77;99\r\n"));
        QCOMPARE(rig.text(), QString());
        QVERIFY(!rig.state.sentenceMode);
        QVERIFY(!rig.c.chkSentence->isChecked());
        QVERIFY(!rig.c.chkListen->isEnabled());
    }
};

QTEST_MAIN(TestSentence)
#include "test_sentence.moc"
