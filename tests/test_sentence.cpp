// Composing a sentence, its toggles, and sentence files through the dialogs.
#include <QApplication>
#include <QFile>
#include <QtTest>

#include "fixtures/Bytes.h"
#include "fixtures/EngineProbe.h"
#include "fixtures/SoundFiles.h"
#include "sentence/SentenceCode.h"
#include "sentence/SentenceFile.h"
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
        QCOMPARE(rig.composer->code(), u"00;05;11;"_s);
        QVERIFY(rig.c.chkListen->isEnabled());
        QVERIFY(rig.c.cmdBackspace->isEnabled());
        // Appending plays nothing.
        QCOMPARE(audio::EngineProbe::liveStreams(rig.engine.real), 0);
        QVERIFY(allSilent(rig.render(4096)));
        QVERIFY(!rig.modes->listening());

        const std::pair<QString, QString> steps[] = {
            {u"Après ; 300"_s, u"00;05;"_s}, {u"Après"_s, u"00;"_s}, {QString(), QString()}};
        for (const auto &[text, code] : steps) {
            rig.c.cmdBackspace->click();
            QCOMPARE(rig.text(), text);
            QCOMPARE(rig.composer->code(), code);
        }
        QVERIFY(!rig.c.chkListen->isEnabled());
        QVERIFY(!rig.c.cmdBackspace->isEnabled());

        // Built again it starts clean; a two-line prompt appends its one-line label.
        rig.press({14, 54});
        QCOMPARE(rig.text(), u"Prenez la deuxième à gauche ; Puis"_s);
        QCOMPARE(rig.composer->code(), u"14;54;"_s);

        // Leaving sentence mode keeps the sentence; coming back enables it again.
        rig.composer->setSentenceMode(false);
        QVERIFY(rig.c.cmdBackspace->isHidden());
        QVERIFY(!rig.c.chkListen->isEnabled());
        QCOMPARE(rig.composer->code(), u"14;54;"_s);
        rig.composer->setSentenceMode(true);
        rig.composer->setSentenceMode(true); // the state it already has: nothing runs
        QVERIFY(rig.c.chkListen->isEnabled());
        QVERIFY(rig.c.cmdBackspace->isEnabled());
        QVERIFY(!rig.c.cmdBackspace->isHidden());
        QCOMPARE(rig.text(), u"Prenez la deuxième à gauche ; Puis"_s);
    }

    void doubleClickAppendsOnceAndTheBoxNeverKeepsTheFocus() {
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
        QCOMPARE(rig.composer->code(), u"03;"_s);
        QCOMPARE(rig.promptChannel->current().index(), 3);
        QCOMPARE(rig.panel->isSelected(3), !wasSelected);

        // The double click itself never appends; it inverts the selection.
        rig.panel->setSelected(7, false);
        rig.composer->doubleClicked(core::PromptRow::of(7));
        QVERIFY(rig.panel->isSelected(7));
        QCOMPARE(rig.promptChannel->current().index(), 7);
        rig.composer->doubleClicked(core::PromptRow::of(7));
        QVERIFY(!rig.panel->isSelected(7));
        QCOMPARE(rig.text(), u"100"_s);

        // The sentence box never keeps the focus, and typing there adds nothing.
        rig.composer->setSentenceMode(false);
        QApplication::setActiveWindow(&rig.window);
        QVERIFY(QTest::qWaitForWindowActive(&rig.window));
        rig.c.txtSentence->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(rig.c.cmdDummy));
        QTest::keyClicks(rig.c.cmdDummy, u"abc"_s);
        QCOMPARE(rig.text(), u"100"_s);

        rig.c.File1->setFocus();
        rig.composer->setSentenceMode(true);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(rig.c.cmdDummy));
    }

    void listeningNeedsACodeOfTwoCharacters() {
        SentenceRig rig;
        fixtures::makeWav(rig.pack.path(), u"100.wav"_s, 4000, 44100);
        rig.composer->loadSentenceFile(writeBytes(rig.pack.filePath(u"s.txt"_s), "3;;;\r\n"));
        rig.composer->setListening(true);
        QVERIFY(rig.c.chkListen->isChecked()); // only the toggle's look changes
        QVERIFY(!rig.modes->listening());
        QVERIFY(!rig.c.tmrPlaySentence->isActive());
        QCOMPARE(audio::EngineProbe::liveStreams(rig.engine.real), 0);
        QVERIFY(allSilent(rig.render(8000)));
        rig.composer->setListening(false);
        QVERIFY(!rig.modes->listening());
    }

    void savingAndOpening() {
        SentenceRig rig;
        // An empty sentence is not saved: no dialog.
        rig.playingBoth();
        rig.composer->saveSentence();
        QVERIFY(rig.dialogs.fileRequests.isEmpty());
        QVERIFY(rig.c.tmrPlaySample->isActive()); // nothing was stopped

        rig.composer->setSentenceMode(true);
        rig.press({0, 5, 11});
        rig.composer->setLastSentence(u"/old.txt"_s);
        rig.composer->saveSentence(); // the script cancels
        QCOMPARE(rig.dialogs.fileRequests.size(), 1);
        checkRequest(rig.dialogs.fileRequests[0], true);
        QVERIFY(rig.bothStopped());
        QCOMPARE(rig.composer->lastSentence(), u"/old.txt"_s);
        QCOMPARE(rig.composer->code(), u"00;05;11;"_s);

        const QString path = rig.pack.filePath(u"phrase.txt"_s);
        rig.dialogs.fileAnswers = {path};
        rig.composer->saveSentence();
        QCOMPARE(readBytes(path), QByteArray("00;05;11\r\n"));
        QCOMPARE(rig.composer->code(), u"00;05;11"_s);
        QCOMPARE(rig.composer->lastSentence(), path);
        // The shortened code still grows and shrinks as before.
        rig.press({13});
        QCOMPARE(rig.composer->code(), u"00;05;11;13;"_s);
        rig.c.cmdBackspace->click();
        QCOMPARE(rig.composer->code(), u"00;05;11;"_s);

        // A file that cannot be made is told, and not remembered (full disks and read-only
        // folders are in test_data_safety).
        const QString bad = rig.pack.filePath(u"missing/dir/s.txt"_s);
        rig.dialogs.fileAnswers = {bad};
        rig.composer->saveSentence();
        QCOMPARE(rig.composer->lastSentence(), path);
        QVERIFY(!QFile::exists(bad));
        QCOMPARE(rig.dialogs.messages.size(), 1);
        QCOMPARE(rig.dialogs.messages[0].text, u"Impossible d'enregistrer le fichier « "_s + bad +
                                                   u" » :\r\nle dossier n'existe pas."_s);
        QCOMPARE(rig.dialogs.messages[0].title, u"Erreur"_s);
        QCOMPARE(rig.dialogs.messages[0].icon, ui::Icon::Critical);
        QCOMPARE(rig.dialogs.messages[0].buttons, ui::Buttons::Ok);

        // Opening: a cancelled dialog changes nothing; the saved file comes back in sentence mode.
        rig.c.cmdBackspace->click();
        rig.playingBoth();
        rig.composer->openSentence();
        QCOMPARE(rig.text(), u"Après ; 300"_s);
        QCOMPARE(rig.composer->code(), u"00;05;"_s);
        QVERIFY(rig.bothStopped());
        rig.composer->setSentenceMode(false);
        rig.dialogs.fileAnswers = {path};
        rig.playingBoth();
        rig.composer->openSentence();
        QCOMPARE(rig.dialogs.fileRequests.size(), 5);
        checkRequest(rig.dialogs.fileRequests[4], false);
        QVERIFY(rig.bothStopped());
        QCOMPARE(rig.text(), u"Après ; 300 ; Mètres"_s);
        QCOMPARE(rig.composer->code(), u"00;05;11"_s);
        QCOMPARE(rig.composer->lastSentence(), path);
        QVERIFY(rig.c.chkSentence->isChecked());
        QVERIFY(rig.c.chkListen->isEnabled());
        QVERIFY(!rig.c.cmdBackspace->isHidden());
        rig.c.cmdBackspace->click();
        QCOMPARE(rig.composer->code(), u"00;05;"_s);
    }

    void handEditedFiles_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text"); // empty: sentence mode goes off
        QTest::addColumn<QString>("code"); // null: junk, only its five separators are checked
        QTest::newRow("final semicolons") << QByteArray("3;;;\r\n") << u"100"_s << u"3"_s;
        // An empty first line empties the code only: text and mode stay as they were.
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
            QCOMPARE(rig.composer->code().count(u';'), 5);
        else
            QCOMPARE(rig.composer->code(), code);
        QCOMPARE(rig.composer->lastSentence(), path);
        QCOMPARE(rig.modes->sentence(), !text.isEmpty());
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

    // Up to the longest sentence a file is read whole; beyond, it is refused at once, named,
    // and the sentence already there stays.
    void longFilesAreReadWholeAndOverlongOnesRefused() {
        SentenceRig rig;
        const auto elements = [](int count) {
            QByteArray line;
            for (int i = 0; i < count; ++i)
                line += QByteArray::number(i % 59).rightJustified(2, '0') + ';';
            line.chop(1);
            return line;
        };
        const QByteArray line = elements(sentence::MaxSentenceElements);
        const QString path = writeBytes(rig.pack.filePath(u"longue.txt"_s), line + ";;\r\n");
        rig.composer->loadSentenceFile(path);
        QCOMPARE(sentence::parseElements(rig.composer->code()).size(),
                 sentence::MaxSentenceElements);
        rig.dialogs.fileAnswers = {path};
        rig.composer->saveSentence();
        QCOMPARE(readBytes(path), line + "\r\n"); // saved back, not one element lost

        const QString big = rig.pack.filePath(u"énorme.txt"_s);
        QFile file(big);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("00;05\r\n") == 7 &&
                file.resize(sentence::MaxSentenceFileBytes + 1));
        file.close();
        const struct {
            QString path;
            QString why;
        } refused[] = {
            {writeBytes(rig.pack.filePath(u"un de trop.txt"_s),
                        elements(sentence::MaxSentenceElements + 1)),
             u"trop long pour être une phrase (plus de 1000 éléments)"_s},
            {writeBytes(rig.pack.filePath(u"million.txt"_s), elements(1000000) + "\r\n"),
             u"trop long pour être une phrase (plus de 1000 éléments)"_s},
            {big, u"trop grand pour être une phrase (plus de 16 Mo)"_s},
        };
        for (const auto &r : refused) {
            rig.dialogs.messages.clear();
            rig.composer->loadSentenceFile(r.path);
            QCOMPARE(rig.dialogs.messages.size(), 1);
            QCOMPARE(rig.dialogs.messages[0].text, u"Le fichier « "_s + r.path + u" » est "_s +
                                                       r.why + u" : il n'a pas été ouvert."_s);
            QCOMPARE(rig.dialogs.messages[0].title, u"Erreur"_s);
            QCOMPARE(rig.dialogs.messages[0].icon, ui::Icon::Exclamation);
            QCOMPARE(rig.composer->lastSentence(), path);
            QCOMPARE(rig.composer->code(), QString::fromLatin1(line));
        }
    }

    void loadingSomethingThatIsNoFileDoesNothing() {
        SentenceRig rig;
        rig.composer->setSentenceMode(true);
        rig.press({0});
        rig.composer->setLastSentence(u"kept"_s);
        for (const QString &path :
             {QString(), rig.pack.filePath(u"missing.txt"_s), rig.pack.path()}) {
            rig.composer->loadSentenceFile(path);
            QCOMPARE(rig.text(), u"Après"_s);
            QCOMPARE(rig.composer->code(), u"00;"_s);
            QCOMPARE(rig.composer->lastSentence(), u"kept"_s);
        }
    }
};

QTEST_MAIN(TestSentence)
#include "test_sentence.moc"
