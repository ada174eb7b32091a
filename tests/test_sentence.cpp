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

using namespace Qt::StringLiterals;
using fixtures::readBytes;
using fixtures::writeBytes;

namespace {

bool allSilent(const std::vector<qint16> &samples) {
    return std::all_of(samples.begin(), samples.end(), [](qint16 s) { return s == 0; });
}

// Both file dialogs ask the same; an open needs an existing file, a save confirms replacing.
void checkRequest(const ui::FileDialogRequest &r, bool save) {
    QCOMPARE(r.save, save);
    QCOMPARE(r.title, u"Sélectionnez un fichier texte à ouvrir..."_s);
    QCOMPARE(r.filter, u"Fichiers texte (*.txt)|*.txt|Tous les fichiers (*.*)|*.*"_s);
    QCOMPARE(r.defaultExtension, u"txt"_s);
    QCOMPARE(r.mustExist, !save);
    QCOMPARE(r.confirmReplace, save);
}

} // namespace

class TestSentence : public QObject {
    Q_OBJECT
private slots:
    void composingBackspacingAndModeChanges() {
        SentenceRig rig;
        fixtures::makeWav(rig.pack.path(), u"After.wav"_s, 2000);
        rig.composer->setSentenceMode(true);
        QVERIFY(!rig.c.chkListen->isEnabled());
        QVERIFY(!rig.c.cmdBackspace->isHidden());
        rig.press({0, 5, 11});
        QCOMPARE(rig.text(), u"Après ; 300 ; Mètres"_s);
        QCOMPARE(rig.state.sentenceCode, u"00;05;11;"_s);
        QVERIFY(rig.c.chkListen->isEnabled());
        QVERIFY(rig.c.cmdBackspace->isEnabled());
        // Appending plays nothing.
        QCOMPARE(rig.engine.liveStreams(), 0);
        QVERIFY(allSilent(rig.render(4096)));
        QVERIFY(!rig.state.listening);

        rig.c.cmdBackspace->click();
        QCOMPARE(rig.text(), u"Après ; 300"_s);
        QCOMPARE(rig.state.sentenceCode, u"00;05;"_s);
        rig.c.cmdBackspace->click();
        QCOMPARE(rig.text(), u"Après"_s);
        QCOMPARE(rig.state.sentenceCode, u"00;"_s);
        QVERIFY(rig.c.chkListen->isEnabled());
        rig.c.cmdBackspace->click();
        QCOMPARE(rig.text(), QString());
        QCOMPARE(rig.state.sentenceCode, QString());
        QVERIFY(!rig.c.chkListen->isEnabled());
        QVERIFY(!rig.c.cmdBackspace->isEnabled());

        // Built again it starts clean; a two-line prompt appends its one-line label.
        rig.press({14, 54});
        QCOMPARE(rig.text(), u"Prenez la deuxième à gauche ; Puis"_s);
        QCOMPARE(rig.state.sentenceCode, u"14;54;"_s);

        // Leaving sentence mode keeps the sentence; coming back enables it again.
        rig.composer->setSentenceMode(false);
        QVERIFY(!rig.state.sentenceMode);
        QVERIFY(rig.c.cmdBackspace->isHidden());
        QVERIFY(!rig.c.chkListen->isEnabled());
        QCOMPARE(rig.state.sentenceCode, u"14;54;"_s);
        rig.composer->setSentenceMode(true);
        rig.composer->setSentenceMode(true); // the state it already has: nothing runs
        QVERIFY(rig.state.sentenceMode);
        QVERIFY(rig.c.chkListen->isEnabled());
        QVERIFY(rig.c.cmdBackspace->isEnabled());
        QVERIFY(!rig.c.cmdBackspace->isHidden());
        QCOMPARE(rig.text(), u"Prenez la deuxième à gauche ; Puis"_s);
    }

    void doubleClickAppendsOnce() {
        SentenceRig rig;
        // The panel routes the presses: a left press appends in sentence mode, the second press
        // of a double click arrives only as a double click.
        rig.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig.window));
        rig.composer->setSentenceMode(true);
        QTest::mouseClick(rig.panel->button(3), Qt::LeftButton);
        const bool wasSelected = rig.panel->isSelected(3);
        QTest::mouseDClick(rig.panel->button(3), Qt::LeftButton);
        QCOMPARE(rig.text(), u"100"_s);
        QCOMPARE(rig.state.sentenceCode, u"03;"_s);
        QCOMPARE(rig.state.currentPromptIndex, std::int16_t(3));
        QCOMPARE(rig.panel->isSelected(3), !wasSelected);

        // The double click itself never appends; it inverts the selection.
        rig.panel->setSelected(7, false);
        rig.composer->doubleClicked(7);
        QVERIFY(rig.panel->isSelected(7));
        QCOMPARE(rig.state.currentPromptIndex, std::int16_t(7));
        rig.composer->doubleClicked(7);
        QVERIFY(!rig.panel->isSelected(7));
        QCOMPARE(rig.text(), u"100"_s);
    }

    void theSentenceBoxNeverKeepsTheFocus() {
        SentenceRig rig;
        rig.window.show();
        QApplication::setActiveWindow(&rig.window);
        QVERIFY(QTest::qWaitForWindowActive(&rig.window));
        rig.c.txtSentence->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(rig.c.cmdDummy));
        QTest::keyClicks(rig.c.cmdDummy, u"abc"_s);
        QCOMPARE(rig.text(), QString());

        rig.c.File1->setFocus();
        rig.composer->setSentenceMode(true);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(rig.c.cmdDummy));
    }

    void listeningNeedsACodeOfTwoCharacters() {
        SentenceRig rig;
        fixtures::makeWav(rig.pack.path(), u"100.wav"_s, 4000, 44100);
        rig.composer->loadSentenceFile(writeBytes(rig.pack.filePath(u"s.txt"_s), "3;;;\r\n"));
        QCOMPARE(rig.text(), u"100"_s);
        QCOMPARE(rig.state.sentenceCode, u"3"_s);
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
        QVERIFY(!fixtures::makeWav(dir, u"2ndLeft.wav"_s, 66 * 8000, 8000).isEmpty());
        QVERIFY(!fixtures::makeWav(dir, u"RbRight.wav"_s, 65536 * 8, 8000).isEmpty());
        QVERIFY(!fixtures::makeWav(dir, u"Then.wav"_s, 65535 * 8, 8000).isEmpty());
        QVERIFY(!fixtures::makeWav(dir, u"TurnRight.wav"_s, 4410, 44100).isEmpty());
        rig.composer->setSentenceMode(true);
        rig.press({14, 13, 54, 48});
        rig.composer->setListening(true);
        QVERIFY(rig.state.listening);

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

        // The too-long prompt sounds for its first 750 ms, then the next starts on the next frame.
        const QVector<qint16> longSrc = fixtures::wavSamples(66 * 8000, 8000, 1);
        const std::vector<qint16> longOut =
            audio::toOutputFormat(longSrc.data(), 66 * 8000, 8000, 1);
        const QVector<qint16> shortSrc = fixtures::wavSamples(4410, 44100, 1);
        const std::vector<qint16> shortOut = audio::toOutputFormat(shortSrc.data(), 4410, 44100, 1);
        const std::vector<qint16> out = rig.render(33075 + 4410 + 1);
        QVERIFY(std::equal(out.begin(), out.begin() + 2 * 33075, longOut.begin()));
        QVERIFY(std::equal(out.begin() + 2 * 33075, out.begin() + 2 * (33075 + 4410),
                           shortOut.begin()));
        QVERIFY(out[2 * (33075 + 4410)] != 0); // Then.wav, allowed, starts right after
        rig.composer->setListening(false);
    }

    void saving() {
        SentenceRig rig;
        rig.state.sentenceCode = u"00;"_s; // a code without text is not saved: no dialog
        rig.playingBoth();
        rig.composer->saveSentence();
        QVERIFY(rig.dialogs.fileRequests.isEmpty());
        QVERIFY(rig.c.tmrPlaySample->isActive()); // nothing was stopped

        rig.state.sentenceCode.clear();
        rig.composer->setSentenceMode(true);
        rig.press({0, 5, 11});
        rig.state.lastSentence = u"/old.txt"_s;
        rig.composer->saveSentence(); // the script cancels
        QCOMPARE(rig.dialogs.fileRequests.size(), 1);
        checkRequest(rig.dialogs.fileRequests[0], true);
        QVERIFY(rig.bothStopped());
        QCOMPARE(rig.state.lastSentence, u"/old.txt"_s);
        QCOMPARE(rig.state.sentenceCode, u"00;05;11;"_s);

        const QString path = rig.pack.filePath(u"phrase.txt"_s);
        rig.dialogs.fileAnswers = {path};
        rig.composer->saveSentence();
        QCOMPARE(readBytes(path), QByteArray("00;05;11\r\n"));
        QCOMPARE(rig.state.sentenceCode, u"00;05;11"_s);
        QCOMPARE(rig.state.lastSentence, path);
        // The shortened code still grows and shrinks as before.
        rig.press({13});
        QCOMPARE(rig.state.sentenceCode, u"00;05;11;13;"_s);
        rig.c.cmdBackspace->click();
        QCOMPARE(rig.state.sentenceCode, u"00;05;11;"_s);

        // A file that cannot be made is told, and not remembered (full disks and read-only
        // folders are in test_data_safety).
        const QString bad = rig.pack.filePath(u"missing/dir/s.txt"_s);
        rig.dialogs.fileAnswers = {bad};
        rig.composer->saveSentence();
        QCOMPARE(rig.state.lastSentence, path);
        QVERIFY(!QFile::exists(bad));
        QCOMPARE(rig.dialogs.messages.size(), 1);
        QCOMPARE(rig.dialogs.messages[0].text, u"Impossible d'enregistrer le fichier « "_s + bad +
                                                   u" » :\r\nle dossier n'existe pas."_s);
        QCOMPARE(rig.dialogs.messages[0].title, u"Erreur"_s);
        QCOMPARE(rig.dialogs.messages[0].icon, ui::Icon::Critical);
        QCOMPARE(rig.dialogs.messages[0].buttons, ui::Buttons::Ok);
    }

    void openingLoadsTheSentenceAndSwitchesModeOn() {
        SentenceRig rig;
        rig.composer->setSentenceMode(true);
        rig.press({0});
        rig.playingBoth();
        rig.composer->openSentence(); // cancelled: nothing changes
        QCOMPARE(rig.text(), u"Après"_s);
        QCOMPARE(rig.state.sentenceCode, u"00;"_s);
        QCOMPARE(rig.state.lastSentence, QString());
        QVERIFY(rig.bothStopped());
        rig.composer->setSentenceMode(false);

        const QString path = writeBytes(rig.pack.filePath(u"phrase.txt"_s), "00;05;11\r\n");
        rig.dialogs.fileAnswers = {path};
        rig.playingBoth();
        rig.composer->openSentence();
        QCOMPARE(rig.dialogs.fileRequests.size(), 2);
        checkRequest(rig.dialogs.fileRequests[1], false);
        QVERIFY(rig.bothStopped());
        QCOMPARE(rig.text(), u"Après ; 300 ; Mètres"_s);
        QCOMPARE(rig.state.sentenceCode, u"00;05;11"_s);
        QCOMPARE(rig.state.lastSentence, path);
        QVERIFY(rig.state.sentenceMode);
        QVERIFY(rig.c.chkSentence->isChecked());
        QVERIFY(rig.c.chkListen->isEnabled());
        QVERIFY(!rig.c.cmdBackspace->isHidden());
        rig.c.cmdBackspace->click();
        QCOMPARE(rig.text(), u"Après ; 300"_s);
        QCOMPARE(rig.state.sentenceCode, u"00;05;"_s);
    }

    void handEditedFiles_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text"); // empty: sentence mode goes off
        QTest::addColumn<QString>("code"); // null: junk, only its five separators are checked
        QTest::newRow("final semicolons") << QByteArray("3;;;\r\n") << u"100"_s << u"3"_s;
        QTest::newRow("unknown row kept")
            << QByteArray("00;77;13\r\n") << u"Après ; Tournez à droite"_s << u"00;77;13"_s;
        QTest::newRow("first line only") << QByteArray("12;13\r\n54;56\r\n")
                                         << u"Vous êtes arrivé ; Tournez à droite"_s << u"12;13"_s;
        // An empty first line empties the code only: text and mode stay as they were.
        QTest::newRow("empty") << QByteArray() << u"Après"_s << u""_s;
        QTest::newRow("semicolon only") << QByteArray(";\r\n") << u"Après"_s << u""_s;
        QTest::newRow("empty first line") << QByteArray("\r\n13") << u"Après"_s << u""_s;
        QTest::newRow("junk keeps its place")
            << QByteArray("\0\xff;05;abc;;11;\x80\r\n\x01\x02", 20) << u"300 ; Mètres"_s
            << QString();
        QTest::newRow("no known row") << QByteArray("77;99\r\n") << QString() << u""_s;
    }

    void handEditedFiles() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(QString, code);
        SentenceRig rig;
        rig.composer->setSentenceMode(true);
        rig.press({0});
        const QString path = writeBytes(rig.pack.filePath(u"s.txt"_s), bytes);
        rig.composer->loadSentenceFile(path);
        QCOMPARE(rig.text(), text);
        if (code.isNull())
            QCOMPARE(rig.state.sentenceCode.count(u';'), 5);
        else
            QCOMPARE(rig.state.sentenceCode, code);
        QCOMPARE(rig.state.lastSentence, path);
        QCOMPARE(rig.state.sentenceMode, !text.isEmpty());
        QCOMPARE(rig.c.chkSentence->isChecked(), !text.isEmpty());
        QCOMPARE(rig.c.chkListen->isEnabled(), !text.isEmpty());
        QVERIFY(rig.dialogs.messages.isEmpty());
        // Saved back, the code is written as it was read.
        if (!text.isEmpty() && !code.isEmpty()) {
            rig.dialogs.fileAnswers = {rig.pack.filePath(u"back.txt"_s)};
            rig.composer->saveSentence();
            QCOMPARE(readBytes(rig.pack.filePath(u"back.txt"_s)), code.toUtf8() + "\r\n");
        }
    }

    void loadingSomethingThatIsNoFileDoesNothing() {
        SentenceRig rig;
        rig.composer->setSentenceMode(true);
        rig.press({0});
        rig.state.lastSentence = u"kept"_s;
        for (const QString &path :
             {QString(), rig.pack.filePath(u"missing.txt"_s), rig.pack.path()}) {
            rig.composer->loadSentenceFile(path);
            QCOMPARE(rig.text(), u"Après"_s);
            QCOMPARE(rig.state.sentenceCode, u"00;"_s);
            QCOMPARE(rig.state.lastSentence, u"kept"_s);
        }
    }
};

QTEST_MAIN(TestSentence)
#include "test_sentence.moc"
