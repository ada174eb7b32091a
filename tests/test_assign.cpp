// Assigning a file to a prompt and deleting a file in the real window, on a folder like the demo
// pack: the confirmations, the state table of assign mode, every failure told and harmless.
#include <QGroupBox>
#include <QPushButton>
#include <QtTest>

#include "catalogue/PromptPanel.h"
#include "core/SampleTable.h"
#include "fixtures/Bytes.h"
#include "fixtures/Mounts.h"
#include "fixtures/SoundFiles.h"
#include "fixtures/WindowFixture.h"
#include "playback/FilePlayback.h"
#include "playback/PromptChannel.h"
#include "ui/DirList.h"
#include "ui/FileList.h"
#include "ui/MainLayout.h"
#include "ui/PromptButton.h"

using namespace Qt::StringLiterals;
using fixtures::readBytes;

namespace {

constexpr int After = 0;
constexpr int TurnRight = 13;
constexpr int TurnLeft = 56;

const QString Irreversible = u" ».\r\nATTENTION : cette opération ne pourra pas être annulée !"_s;

QString confirmRename(const QString &from, const QString &to) {
    return u"Vous allez renommer le fichier « "_s + from + u" » en « "_s + to + Irreversible;
}

// The question when the prompt keeps playing another file after the rename.
QString shadowQuestion(const QString &from, const QString &to, int row, const QString &kept) {
    return u"Vous allez renommer le fichier « "_s + from + u" » en « "_s + to +
           u" ».\r\nLe message « "_s + core::samples()[row].label + u" » a déjà le fichier « "_s +
           kept + u" », qui restera celui qui est joué : « "_s + to +
           u" » ne sera pas entendu.\r\nRenommer quand même ?"_s;
}

// A refused renaming: what was asked, why not, and that nothing changed.
QString renameError(const QString &from, const QString &to, const QString &why) {
    return u"Impossible de renommer le fichier « "_s + from + u" » en « "_s + to + u" » : "_s +
           why + u".\r\nAucun fichier n'a été modifié."_s;
}

// The pack's files once essai.mp3 is left where it was.
const QStringList Untouched = {u"bonjour.wav"_s, u"essai.mp3"_s, u"Ma prise 2.mp3"_s,
                               u"TurnRight.ogg"_s};

// The demo pack's files that matter here, made with the real encoders, in the window.
struct Pack : fixtures::WindowFixture {
    QTemporaryDir dir;
    MainWindow *w = nullptr;

    bool open() {
        if (fixtures::makeMp3(dir.path(), u"essai.mp3"_s, 0.3).isEmpty() ||
            fixtures::makeMp3(dir.path(), u"Ma prise 2.mp3"_s, 0.3).isEmpty() ||
            fixtures::makeOgg(dir.path(), u"TurnRight.ogg"_s, 0.3).isEmpty() ||
            fixtures::makeWav(dir.path(), u"bonjour.wav"_s, 2205).isEmpty())
            return false;
        w = startOn(dir.path());
        return w != nullptr;
    }
    QString path(const QString &name) const { return dir.filePath(name); }
    const ui::Controls &c() const { return w->controls(); }
    QStringList list() const { return c().File1->fileNames(); }
    QWidget *focus() const { return w->focusWidget(); }
    // The entry becomes the focused one, as after a click that the list has already handled.
    void focusEntry(const QString &name) {
        c().File1->setCurrentRow(int(list().indexOf(name)));
        c().File1->setFocus();
    }
    // F2 in the list on that entry.
    void assignFrom(const QString &name) {
        focusEntry(name);
        QTest::keyClick(c().File1, Qt::Key_F2);
    }
    void clickEntry(const QString &name) {
        const QRect rect = c().File1->visualItemRect(c().File1->item(int(list().indexOf(name))));
        QTest::mouseClick(c().File1->viewport(), Qt::LeftButton, {}, rect.center());
    }
    void pick(int row) { QTest::mouseClick(w->panel().button(row), Qt::LeftButton); }
    void valider() { QTest::mouseClick(c().cmdValider, Qt::LeftButton); }
    bool lastMessageIs(const QString &text, const QString &title, ui::Icon icon,
                       ui::Buttons buttons) const {
        const auto m = dialogs.messages.value(dialogs.messages.size() - 1);
        if (m.text != text)
            qWarning().noquote() << "message:" << m.text << "\nwanted: " << text;
        return m.text == text && m.title == title && m.icon == icon && m.buttons == buttons;
    }
    bool lastErrorIs(const QString &text) const {
        return lastMessageIs(text, u"Erreur !"_s, ui::Icon::Critical, ui::Buttons::Ok);
    }
    bool normalPanel() const {
        return !w->modes().assign() && !c().cmdValider->isVisible() &&
               c().cmdValider->isEnabled() && !c().tmrFrame->isActive() &&
               c().fraSamples->title() == QString::fromUtf8(ui::NormalFrameCaption);
    }
};

} // namespace

class TestAssign : public QObject {
    Q_OBJECT
private slots:
    // The demo-pack walk-through: essai.mp3 becomes TurnRight.mp3, then a second file aimed at
    // the same name is refused with both files intact.
    void assignOnTheDemoPack() {
        Pack p;
        QVERIFY(p.open());
        p.assignFrom(u"essai.mp3"_s);
        QVERIFY(p.w->modes().assign());
        QCOMPARE(p.w->fileBrowser().selectedFile(), u"essai.mp3"_s);

        // A pick plays nothing and leaves the current prompt alone.
        p.pick(TurnRight);
        QCOMPARE(p.w->assignment().target().index(), TurnRight);
        QCOMPARE(p.w->promptChannel().current().index(), -1);
        QVERIFY(!p.engine.channelIsActive(p.w->promptChannel().stream()));
        QCOMPARE(p.focus(), p.c().cmdDummy);

        // TurnRight.ogg plays before any .mp3: said, and asked Oui/Non.
        p.dialogs.answers = {ui::Answer::Yes};
        p.valider();
        QVERIFY(p.lastMessageIs(
            shadowQuestion(u"essai.mp3"_s, u"TurnRight.mp3"_s, TurnRight, u"TurnRight.ogg"_s),
            u"Confirmation"_s, ui::Icon::Exclamation, ui::Buttons::YesNoDefaultNo));
        QVERIFY(QFile::exists(p.path(u"TurnRight.mp3"_s)));
        QVERIFY(!QFile::exists(p.path(u"essai.mp3"_s)));
        QCOMPARE(p.list(), (QStringList{u"bonjour.wav"_s, u"Ma prise 2.mp3"_s, u"TurnRight.mp3"_s,
                                        u"TurnRight.ogg"_s}));
        QCOMPARE(p.w->panel().restingColor(TurnRight), catalogue::PresentColor);
        QVERIFY(audio::isUsable(p.w->promptChannel().stream()));
        QVERIFY(p.normalPanel());
        QCOMPARE(p.focus(), p.c().cmdDummy);

        // The target is kept: the next assignment aims at TurnRight again, where .mp3 is taken.
        const QByteArray take2 = readBytes(p.path(u"Ma prise 2.mp3"_s));
        const QByteArray assigned = readBytes(p.path(u"TurnRight.mp3"_s));
        p.focusEntry(u"Ma prise 2.mp3"_s);
        QTest::mouseClick(p.c().cmdAssign, Qt::LeftButton);
        p.valider();
        QCOMPARE(p.dialogs.messages.size(), 2); // refused before anything is asked
        QVERIFY(p.lastErrorIs(renameError(u"Ma prise 2.mp3"_s, u"TurnRight.mp3"_s,
                                          u"un fichier nommé « TurnRight.mp3 » existe déjà dans "
                                          "ce dossier"_s)));
        QCOMPARE(readBytes(p.path(u"Ma prise 2.mp3"_s)), take2);
        QCOMPARE(readBytes(p.path(u"TurnRight.mp3"_s)), assigned);
        // Still in assign mode, ready for another pick.
        QVERIFY(p.w->modes().assign());
        QVERIFY(p.c().cmdValider->isVisible() && p.c().cmdValider->isEnabled());
        QCOMPARE(p.focus(), p.c().cmdDummy);
    }

    // The state table: no focused file, the first target, Cancel, starting again, Escape.
    void assignModeStates() {
        Pack p;
        QVERIFY(p.open());
        p.c().File1->setFocus();
        QTest::keyClick(p.c().File1, Qt::Key_F2);
        QVERIFY(!p.w->modes().assign());
        QVERIFY(p.w->fileBrowser().selectedFile().isEmpty());
        QCOMPARE(p.focus(), p.c().cmdDummy);

        // A name without an extension the lookup knows is refused before anything is asked.
        p.c().chkFLBFilter[0]->click(); // "Tous les fichiers"
        for (const QString &name : {u"Bonus"_s, u"prise.flac"_s}) {
            fixtures::writeBytes(p.path(name), "x");
            p.w->fileBrowser().refreshFiles();
            p.assignFrom(name);
            QVERIFY(p.lastMessageIs(u"Le fichier « "_s + name +
                                        u" » ne peut pas être affecté à un message : son nom ne "
                                        "se termine pas par .ogg, .mp3, .mp2, .mp1 ou .wav."_s,
                                    u"Erreur !"_s, ui::Icon::Exclamation, ui::Buttons::Ok));
            QVERIFY(!p.w->modes().assign());
            QVERIFY(QFile::remove(p.path(name)));
        }
        p.w->fileBrowser().refreshFiles();

        // F2 at the sink assigns the file last clicked.
        p.clickEntry(u"bonjour.wav"_s);
        p.w->controllers().keys.press(app::KeyPlace::Sink, Qt::Key_F2, Qt::NoModifier);
        // Without a pick the first "Valider" aims at the first row; Cancel keeps assign mode.
        p.dialogs.answers = {ui::Answer::Cancel};
        p.valider();
        QCOMPARE(p.dialogs.messages.last().text, confirmRename(u"bonjour.wav"_s, u"After.wav"_s));
        QVERIFY(p.w->modes().assign());
        QVERIFY(QFile::exists(p.path(u"bonjour.wav"_s)));

        // Starting again reads the focused file afresh.
        p.assignFrom(u"essai.mp3"_s);
        QCOMPARE(p.w->fileBrowser().selectedFile(), u"essai.mp3"_s);
        QCOMPARE(p.w->panel().button(TurnLeft)->toolTip(), u"TurnLeft.mp3"_s);
        // A right press in assign mode is no pick.
        QTest::mouseClick(p.w->panel().button(TurnLeft), Qt::RightButton);
        QCOMPARE(p.w->assignment().target().index(), After);
        QTest::keyClick(p.c().Dir1, Qt::Key_Escape);
        QVERIFY(p.normalPanel());
        QCOMPARE(p.list(), Untouched);
    }

    void failedRenamesChangeNothing() {
        Pack p;
        QVERIFY(p.open());

        // The file goes away between the start and the confirmation.
        p.assignFrom(u"essai.mp3"_s);
        p.pick(TurnLeft);
        QVERIFY(QFile::remove(p.path(u"essai.mp3"_s)));
        p.valider();
        QVERIFY(
            p.lastErrorIs(renameError(u"essai.mp3"_s, u"TurnLeft.mp3"_s,
                                      u"le fichier « essai.mp3 » n'est plus dans le dossier « "_s +
                                          p.w->fileBrowser().currentFolder() +
                                          u" » (un autre programme l'a peut-être supprimé ou "
                                          "renommé)"_s)));
        QVERIFY(!p.list().contains(u"essai.mp3"_s)); // the stale entry is gone at once
        QVERIFY(!QFile::exists(p.path(u"TurnLeft.mp3"_s)));
        QVERIFY(p.w->modes().assign());

        // A name that differs only in letter case is taken.
        QVERIFY(!fixtures::makeWav(p.dir.path(), u"turnleft.MP3"_s, 100).isEmpty());
        const QByteArray clash = readBytes(p.path(u"turnleft.MP3"_s));
        p.assignFrom(u"Ma prise 2.mp3"_s);
        p.valider();
        QVERIFY(p.lastErrorIs(renameError(u"Ma prise 2.mp3"_s, u"TurnLeft.mp3"_s,
                                          u"un fichier nommé « turnleft.MP3 » existe déjà dans ce "
                                          "dossier (seules les majuscules diffèrent : sur la carte "
                                          "mémoire les deux noms se confondraient)"_s)));
        QCOMPARE(readBytes(p.path(u"turnleft.MP3"_s)), clash);
        QVERIFY(QFile::exists(p.path(u"Ma prise 2.mp3"_s)));

        // The folder changed since the start: a same-named file elsewhere is not the one chosen.
        QTemporaryDir other;
        QVERIFY(!fixtures::makeWav(other.path(), u"Ma prise 2.mp3"_s, 100).isEmpty());
        QVERIFY(p.w->fileBrowser().pointAt(other.path()));
        p.valider();
        QVERIFY(p.lastErrorIs(renameError(u"Ma prise 2.mp3"_s, u"TurnLeft.mp3"_s,
                                          u"le dossier courant a changé depuis le début de "
                                          "l'affectation ; appuyez sur F2 pour recommencer dans "
                                          "ce dossier"_s)));
        QVERIFY(QFile::exists(other.filePath(u"Ma prise 2.mp3"_s)));
        QVERIFY(!QFile::exists(other.filePath(u"TurnLeft.mp3"_s)));
    }

    void readOnlyFolder() {
        Pack p;
        QVERIFY(p.open());
        fixtures::Mount readOnly = fixtures::Mount::readOnly(p.dir.path());
        if (!readOnly.ok())
            QSKIP(readOnly.why().constData());
        const QString refused = u"le système refuse la modification (dossier protégé en "
                                "écriture ou droits insuffisants)"_s;
        p.assignFrom(u"essai.mp3"_s);
        p.valider();
        QVERIFY(p.lastErrorIs(renameError(u"essai.mp3"_s, u"After.mp3"_s, refused)));
        p.w->controllers().keys.press(app::KeyPlace::Sink, Qt::Key_Escape, Qt::NoModifier);
        p.clickEntry(u"bonjour.wav"_s);
        QTest::keyClick(p.c().File1, Qt::Key_Delete);
        QVERIFY(p.lastErrorIs(u"Impossible de supprimer le fichier « bonjour.wav » : "_s + refused +
                              u".\r\nLe dossier n'a pas été modifié."_s));
        QCOMPARE(p.focus(), p.c().File1);
        QCOMPARE(p.list(), Untouched);
    }

    void deletion() {
        Pack p;
        QVERIFY(!fixtures::makeWav(p.dir.path(), u"TurnLeft.wav"_s, 2205).isEmpty());
        QVERIFY(p.open());
        QCOMPARE(p.w->panel().restingColor(TurnLeft), catalogue::PresentColor);

        // The prompt sounds and its file is then deleted: channel and button let go of it.
        p.pick(TurnLeft);
        QVERIFY(p.w->panel().isSelected(TurnLeft));
        p.clickEntry(u"TurnLeft.wav"_s);
        p.dialogs.answers = {ui::Answer::Cancel};
        QTest::keyClick(p.c().File1, Qt::Key_Delete);
        QVERIFY(p.lastMessageIs(u"Vous allez supprimer le fichier « TurnLeft.wav"_s + Irreversible,
                                u"Confirmation"_s, ui::Icon::Exclamation, ui::Buttons::OkCancel));
        QVERIFY(QFile::exists(p.path(u"TurnLeft.wav"_s)));
        QCOMPARE(p.list().size(), 5);

        QTest::keyClick(p.c().File1, Qt::Key_Delete);
        QVERIFY(!QFile::exists(p.path(u"TurnLeft.wav"_s)));
        QCOMPARE(p.list(), Untouched);
        QCOMPARE(p.w->panel().restingColor(TurnLeft), catalogue::MissingColor);
        QVERIFY(!p.w->panel().isSelected(TurnLeft));
        QVERIFY(!p.engine.channelIsActive(p.w->promptChannel().stream()));
        QCOMPARE(p.focus(), p.c().File1);
        QVERIFY(p.w->fileBrowser().selectedFile().isEmpty()); // the deleted file is chosen no more

        // A second Delete offers nothing, said at once: the file that is gone is not asked about
        // again.
        const qsizetype shown = p.dialogs.messages.size();
        QTest::keyClick(p.c().File1, Qt::Key_Delete);
        QVERIFY(p.lastErrorIs(u"Impossible de supprimer : aucun fichier n'est choisi dans la "
                              "liste.\r\nLe dossier n'a pas été modifié."_s));
        QCOMPARE(p.dialogs.messages.size(), shown + 1);
    }

    // A prompt that already has a file the lookup plays first: the new take would never be
    // heard. Which file keeps playing is said, and the question is Oui/Non; a new take that the
    // lookup will play is asked about as ever.
    void assignNextToAnotherFormat_data() {
        QTest::addColumn<QString>("existing");
        QTest::addColumn<QString>("source");
        QTest::addColumn<bool>("shadowed");
        QTest::newRow("wav behind mp3") << u"After.mp3"_s << u"bonjour.wav"_s << true;
        QTest::newRow("mp3 behind ogg") << u"After.ogg"_s << u"essai.mp3"_s << true;
        QTest::newRow("mp3 before wav") << u"After.wav"_s << u"essai.mp3"_s << false;
    }
    void assignNextToAnotherFormat() {
        QFETCH(QString, existing);
        QFETCH(QString, source);
        QFETCH(bool, shadowed);
        Pack p;
        const QString made =
            existing.endsWith(u".ogg"_s)   ? fixtures::makeOgg(p.dir.path(), existing, 0.3)
            : existing.endsWith(u".mp3"_s) ? fixtures::makeMp3(p.dir.path(), existing, 0.3)
                                           : fixtures::makeWav(p.dir.path(), existing, 2205);
        QVERIFY(!made.isEmpty());
        QVERIFY(p.open());
        const QString target = u"After"_s + source.right(4);
        const QString question = shadowQuestion(source, target, After, existing);
        p.dialogs.answers = {shadowed ? ui::Answer::No : ui::Answer::Cancel, ui::Answer::Yes,
                             ui::Answer::Ok};
        p.assignFrom(source);
        p.valider();
        if (shadowed)
            QVERIFY(p.lastMessageIs(question, u"Confirmation"_s, ui::Icon::Exclamation,
                                    ui::Buttons::YesNoDefaultNo));
        else
            QVERIFY(p.lastMessageIs(confirmRename(source, target), u"Confirmation"_s,
                                    ui::Icon::Exclamation, ui::Buttons::OkCancel));
        QVERIFY(QFile::exists(p.path(source)));
        QVERIFY(p.w->modes().assign());
        if (!shadowed)
            p.dialogs.answers.removeFirst();
        p.valider();
        QVERIFY(!QFile::exists(p.path(source)));
        QVERIFY(QFile::exists(p.path(target)));
        QVERIFY(QFile::exists(p.path(existing)));
        QVERIFY(p.normalPanel());
    }

    // Delete sends the file to the desktop's trash; Ctrl+Z brings it back, byte for byte,
    // while the program runs. A name taken meanwhile is told, and the file waits in the trash.
    void deleteThenUndo() {
        Pack p;
        QVERIFY(p.open());
        // The trash of the test's own home, on the volume of the folder.
        const QString data = QDir::homePath() + u"/data"_s;
        QVERIFY(QDir().mkpath(data)); // a desktop's data folder; its trash is made on first use
        qputenv("XDG_DATA_HOME", QFile::encodeName(data));
        QTemporaryDir pack(QDir::homePath() + u"/packXXXXXX"_s);
        const QString take = fixtures::makeWav(pack.path(), u"TurnLeft.wav"_s, 4410);
        QVERIFY(!take.isEmpty());
        const QByteArray bytes = readBytes(take);
        QVERIFY(p.w->fileBrowser().pointAt(pack.path()));
        QCOMPARE(p.w->panel().restingColor(TurnLeft), catalogue::PresentColor);

        p.clickEntry(u"TurnLeft.wav"_s);
        QTest::keyClick(p.c().File1, Qt::Key_Delete);
        QVERIFY(p.lastMessageIs(u"Vous allez supprimer le fichier « TurnLeft.wav"_s + Irreversible,
                                u"Confirmation"_s, ui::Icon::Exclamation, ui::Buttons::OkCancel));
        QVERIFY(!QFile::exists(take));
        QCOMPARE(readBytes(data + u"/Trash/files/TurnLeft.wav"_s), bytes);
        QVERIFY(QFile::exists(data + u"/Trash/info/TurnLeft.wav.trashinfo"_s));
        QCOMPARE(p.w->panel().restingColor(TurnLeft), catalogue::MissingColor);

        // Another file took the name meanwhile: it stays as it is.
        QVERIFY(fixtures::writeBytes(take, "other").size());
        const qsizetype shown = p.dialogs.messages.size();
        QTest::keyClick(p.c().File1, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(p.dialogs.messages.size(), shown + 1);
        QVERIFY(p.lastMessageIs(u"Impossible de remettre le fichier « TurnLeft.wav » dans le "
                                "dossier « "_s +
                                    pack.path() +
                                    u" » : un fichier de ce nom y a été créé depuis. Le fichier "
                                    "supprimé reste dans la corbeille : renommez l'autre, puis "
                                    "appuyez de nouveau sur Ctrl+Z."_s,
                                u"Erreur !"_s, ui::Icon::Exclamation, ui::Buttons::Ok));
        QCOMPARE(readBytes(take), QByteArray("other"));

        QVERIFY(QFile::remove(take));
        p.w->controllers().keys.press(app::KeyPlace::Sink, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(readBytes(take), bytes);
        QVERIFY(!QFile::exists(data + u"/Trash/files/TurnLeft.wav"_s));
        QVERIFY(!QFile::exists(data + u"/Trash/info/TurnLeft.wav.trashinfo"_s));
        QVERIFY(p.list().contains(u"TurnLeft.wav"_s));
        QCOMPARE(p.w->panel().restingColor(TurnLeft), catalogue::PresentColor);
        // Nothing more to put back: a second Ctrl+Z does nothing.
        QTest::keyClick(p.c().File1, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(p.dialogs.messages.size(), shown + 1);
        QCOMPARE(readBytes(take), bytes);
    }

    // Several selected files: one confirmation that says how many, then all go, and all come
    // back with one Ctrl+Z.
    void deleteSeveral() {
        Pack p;
        QVERIFY(p.open());
        QVERIFY(QDir().mkpath(QDir::homePath() + u"/data"_s));
        qputenv("XDG_DATA_HOME", QFile::encodeName(QDir::homePath() + u"/data"_s));
        QMap<QString, QByteArray> before;
        for (const QString &name : {u"bonjour.wav"_s, u"essai.mp3"_s, u"TurnRight.ogg"_s})
            before[name] = readBytes(p.path(name));
        p.clickEntry(u"bonjour.wav"_s);
        for (const QString &name : {u"essai.mp3"_s, u"TurnRight.ogg"_s})
            p.c().File1->item(int(p.list().indexOf(name)))->setSelected(true);
        p.dialogs.answers = {ui::Answer::Cancel};
        QTest::keyClick(p.c().File1, Qt::Key_Delete);
        QVERIFY(p.lastMessageIs(u"Vous allez supprimer les 3 fichiers sélectionnés"_s +
                                    Irreversible.mid(2),
                                u"Confirmation"_s, ui::Icon::Exclamation, ui::Buttons::OkCancel));
        QCOMPARE(p.list(), Untouched);
        QTest::keyClick(p.c().File1, Qt::Key_Delete);
        QCOMPARE(p.list(), QStringList{u"Ma prise 2.mp3"_s});
        QCOMPARE(p.w->panel().restingColor(TurnRight), catalogue::MissingColor);
        QTest::keyClick(p.c().File1, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(p.list(), Untouched);
        for (auto it = before.cbegin(); it != before.cend(); ++it)
            QCOMPARE(readBytes(p.path(it.key())), it.value());
    }
};

QTEST_MAIN(TestAssign)
#include "test_assign.moc"
