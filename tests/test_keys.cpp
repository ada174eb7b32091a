// The keyboard model as one table: each key with the focus at the sink, in the file list and in
// the folder list, from each state that changes its meaning; the access keys; where the focus
// goes after a mouse release; and a plain click previewing after Ctrl went up in a dialog.
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include "catalogue/PromptPanel.h"
#include "files/Assignment.h"
#include "fixtures/Bytes.h"
#include "fixtures/SoundFiles.h"
#include "fixtures/WindowFixture.h"
#include "playback/FilePlayback.h"
#include "sentence/SentenceComposer.h"
#include "ui/DirList.h"
#include "ui/FileList.h"
#include "ui/PromptButton.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int TurnRight = 13;

enum Place { Sink, FileList, DirList };
enum Setup { Plain, Preview, Prompt, Sentence, Listening, Assign, AssignInSentence };
enum Effect {
    Nothing,
    StartsSentence,
    StopsSentence,
    LeavesSentence,
    LeavesAssign,
    StopsPreview,
    StartsAssign,
    Refreshes,
    OpensSentence,
    SavesSentence,
    AsksDelete
};

// What a key can change, read from the window.
struct Snapshot {
    bool assign, sentence, listening, preview, promptHeld;
    int stops, started, recolours, openRequests, saveRequests, messages;
    QString folder, focus;

    bool operator==(const Snapshot &) const = default;
};

QDebug operator<<(QDebug d, const Snapshot &s) {
    return d.nospace() << "assign " << s.assign << " sentence " << s.sentence << " listening "
                       << s.listening << " preview " << s.preview << " prompt " << s.promptHeld
                       << " stops " << s.stops << " started " << s.started << " recolours "
                       << s.recolours << " open " << s.openRequests << " save " << s.saveRequests
                       << " messages " << s.messages << " folder " << s.folder << " focus "
                       << s.focus;
}

// The window on a small pack with a sub-folder and a remembered sentence.
struct Keys : fixtures::WindowFixture {
    QTemporaryDir pack;
    MainWindow *w = nullptr;
    int stops = 0, started = 0, recolours = 0;

    bool open() {
        if (fixtures::makeWav(pack.path(), u"essai.wav"_s, 88200, 44100).isEmpty() ||
            fixtures::makeWav(pack.path(), u"TurnRight.wav"_s, 88200, 44100).isEmpty() ||
            !QDir(pack.path()).mkdir(u"sous"_s))
            return false;
        const QString sentence =
            fixtures::writeBytes(programDir.filePath(u"phrase.txt"_s), "00;05\r\n");
        w = startOn(pack.path());
        if (!w || sentence.isEmpty())
            return false;
        w->composer().loadSentenceFile(sentence);
        w->composer().setSentenceMode(false);
        QObject::connect(&w->filePlayback(), &playback::FilePlayback::stopped, w,
                         [this] { ++stops; });
        QObject::connect(&w->filePlayback(), &playback::FilePlayback::started, w,
                         [this] { ++started; });
        QObject::connect(&w->panel(), &catalogue::PromptPanel::recoloured, w,
                         [this] { ++recolours; });
        w->activateWindow();
        return QTest::qWaitForWindowActive(w);
    }
    const ui::Controls &c() const { return w->controls(); }
    QWidget *place(Place p) const {
        QWidget *const places[] = {c().cmdDummy, c().File1, c().Dir1};
        return places[p];
    }

    void prepare(Setup setup) {
        // The file list's focused entry, the browser's chosen file and the folder list's
        // highlight are the same for every row: essai.wav and the sub-folder, listed last.
        c().File1->setCurrentRow(int(c().File1->fileNames().indexOf(u"essai.wav"_s)));
        w->fileBrowser().setSelectedFile(u"essai.wav"_s);
        c().Dir1->setCurrentRow(c().Dir1->count() - 1);
        if (setup == Preview)
            w->filePlayback().startFilePlayback(u"essai.wav"_s);
        if (setup == Prompt)
            QTest::mouseClick(w->panel().button(TurnRight), Qt::LeftButton);
        if (setup == Sentence || setup == Listening || setup == AssignInSentence)
            w->composer().setSentenceMode(true);
        if (setup == Listening)
            w->composer().setListening(true);
        if (setup == Assign || setup == AssignInSentence)
            w->assignment().start();
    }

    Snapshot snapshot() const {
        int open = 0, save = 0;
        for (const ui::FileDialogRequest &r : dialogs.fileRequests)
            ++(r.save ? save : open);
        return {w->modes().assign(),
                w->modes().sentence(),
                w->modes().listening(),
                w->filePlayback().isPlaying(),
                w->panel().isSelected(TurnRight),
                stops,
                started,
                recolours,
                open,
                save,
                int(dialogs.messages.size()),
                w->fileBrowser().currentFolder(),
                w->focusWidget() ? w->focusWidget()->objectName() : QString()};
    }
};

// The state a key with this effect leaves behind.
Snapshot expected(Snapshot s, Effect effect) {
    switch (effect) {
    case Nothing:
        break;
    case StartsSentence:
        s.listening = true;
        break;
    case StopsSentence:
        s.listening = false;
        break;
    case LeavesSentence:
        s.sentence = false;
        break;
    case LeavesAssign:
        s.assign = false;
        break;
    case StopsPreview: // told even when nothing played
        s.preview = false;
        ++s.stops;
        break;
    case StartsAssign: // the preview stops first
        s.assign = true;
        s.preview = false;
        ++s.stops;
        s.focus = u"cmdDummy"_s;
        break;
    case Refreshes:
        ++s.recolours;
        s.focus = u"File1"_s;
        break;
    case OpensSentence: // both channels stop before the dialog
    case SavesSentence:
        ++(effect == OpensSentence ? s.openRequests : s.saveRequests);
        ++s.stops;
        s.promptHeld = false;
        s.focus = u"cmdDummy"_s;
        break;
    case AsksDelete:
        ++s.messages;
        break;
    }
    return s;
}

// One row of the key table.
struct Row {
    const char *name;
    Place place;
    Setup setup;
    int key;
    int modifiers;
    Effect effect;
};

} // namespace

Q_DECLARE_METATYPE(Row)

class TestKeys : public QObject {
    Q_OBJECT
private slots:
    void keys_data() {
        QTest::addColumn<Row>("row");
        const int none = Qt::NoModifier, ctrl = Qt::ControlModifier;
        const int ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
        // Return in the lists and Escape's order over the two channels are tried with the lists
        // and with the channels playing together.
        const Row rows[] = {
            // The focus sink: the main key handler.
            {"sink Enter", Sink, Plain, Qt::Key_Return, none, Nothing},
            {"sink Enter, sentence mode", Sink, Sentence, Qt::Key_Return, none, StartsSentence},
            {"sink Escape, assign", Sink, AssignInSentence, Qt::Key_Escape, none, LeavesAssign},
            {"sink Escape, listening", Sink, Listening, Qt::Key_Escape, none, StopsSentence},
            {"sink Escape, sentence mode", Sink, Sentence, Qt::Key_Escape, none, LeavesSentence},
            {"sink F2", Sink, Preview, Qt::Key_F2, none, StartsAssign},
            {"sink F5", Sink, Plain, Qt::Key_F5, none, Refreshes},
            {"sink Ctrl+O", Sink, Prompt, Qt::Key_O, ctrl, OpensSentence},
            {"sink Ctrl+Shift+O", Sink, Plain, Qt::Key_O, ctrlShift, OpensSentence},
            {"sink O", Sink, Plain, Qt::Key_O, none, Nothing},
            {"sink Ctrl+S", Sink, Plain, Qt::Key_S, ctrl, SavesSentence},
            {"sink S", Sink, Plain, Qt::Key_S, none, Nothing},
            {"sink Delete", Sink, Plain, Qt::Key_Delete, none, Nothing},
            // The file list.
            {"list Ctrl+Enter", FileList, Plain, Qt::Key_Return, ctrl, Nothing},
            {"list Escape, assign", FileList, Assign, Qt::Key_Escape, none, LeavesAssign},
            {"list Escape, preview", FileList, Preview, Qt::Key_Escape, none, StopsPreview},
            {"list Escape, nothing plays", FileList, Plain, Qt::Key_Escape, none, StopsPreview},
            {"list Escape leaves the prompt", FileList, Prompt, Qt::Key_Escape, none, StopsPreview},
            {"list Escape leaves the sentence", FileList, Listening, Qt::Key_Escape, none,
             StopsPreview},
            {"list F2", FileList, Plain, Qt::Key_F2, none, StartsAssign},
            {"list F5", FileList, Plain, Qt::Key_F5, none, Refreshes},
            {"list Ctrl+O", FileList, Plain, Qt::Key_O, ctrl, Nothing},
            {"list Ctrl+S", FileList, Plain, Qt::Key_S, ctrl, Nothing},
            {"list Delete", FileList, Plain, Qt::Key_Delete, none, AsksDelete},
            {"list Ctrl+Delete", FileList, Plain, Qt::Key_Delete, ctrl, AsksDelete},
            // The folder list.
            {"folders Escape, assign", DirList, Assign, Qt::Key_Escape, none, LeavesAssign},
            {"folders Escape, preview", DirList, Preview, Qt::Key_Escape, none, Nothing},
            {"folders F2", DirList, Plain, Qt::Key_F2, none, StartsAssign},
            {"folders F5", DirList, Plain, Qt::Key_F5, none, Refreshes},
            {"folders Ctrl+O", DirList, Plain, Qt::Key_O, ctrl, Nothing},
            {"folders Ctrl+S", DirList, Plain, Qt::Key_S, ctrl, Nothing},
            {"folders Delete", DirList, Plain, Qt::Key_Delete, none, Nothing},
        };
        for (const Row &row : rows)
            QTest::newRow(row.name) << row;
    }

    void keys() {
        QFETCH(Row, row);
        Keys k;
        QVERIFY(k.open());
        k.prepare(row.setup);
        QWidget *target = k.place(row.place);
        target->setFocus();
        // Delete asks; the answer is Cancel, so the table sees the question alone.
        k.dialogs.answers = {ui::Answer::Cancel};
        const Snapshot before = k.snapshot();
        QTest::keyClick(target, Qt::Key(row.key), Qt::KeyboardModifiers(row.modifiers));
        QCOMPARE(k.snapshot(), expected(before, row.effect));
    }

    // Alt+E, Alt+P and Alt+C press their buttons wherever the focus is, and the focus returns to
    // the sink.
    void accessKeys() {
        for (const Place place : {Sink, FileList, DirList}) {
            Keys k;
            QVERIFY(k.open());
            QSignalSpy convert(k.c().cmdConvert, &QPushButton::clicked);
            auto press = [&](Qt::Key key) {
                k.place(place)->setFocus();
                QTest::keyClick(k.place(place), key, Qt::AltModifier);
            };
            press(Qt::Key_P);
            QVERIFY(k.w->modes().sentence());
            QCOMPARE(k.w->focusWidget(), k.c().cmdDummy);
            press(Qt::Key_E);
            QVERIFY(k.w->modes().listening());
            QCOMPARE(k.w->focusWidget(), k.c().cmdDummy);
            press(Qt::Key_E);
            QVERIFY(!k.w->modes().listening());
            press(Qt::Key_P);
            QVERIFY(!k.w->modes().sentence());
            press(Qt::Key_C);
            QCOMPARE(convert.size(), 1);
            QCOMPARE(k.w->focusWidget(), k.c().cmdDummy);
        }
    }

    void focusAfterMouseRelease() {
        Keys k;
        QVERIFY(k.open());
        k.dialogs.answers = {ui::Answer::Cancel, ui::Answer::Cancel, ui::Answer::Cancel};
        k.w->composer().setSentenceMode(true); // listening and backspace are live then
        const ui::Controls &c = k.c();
        // The reload button and the filters hand the focus to the file list, the rest to the sink.
        const QList<QPushButton *> toList = {c.cmdReloadAll, c.chkFLBFilter[0], c.chkFLBFilter[3]};
        const QList<QPushButton *> order = {
            k.w->panel().button(5), c.chkListen,     c.chkListen,       c.cmdBackspace,
            c.chkSentence,          c.cmdOpenSample, c.cmdOpenSentence, c.cmdSaveSentence,
            c.cmdConvert,           c.cmdReloadAll,  c.chkFLBFilter[0], c.chkFLBFilter[3],
            c.chkFLBFilter[0],      c.cmdAssign,     c.cmdValider};
        for (QPushButton *control : order) {
            QWidget *focus =
                toList.contains(control) ? static_cast<QWidget *>(c.File1) : c.cmdDummy;
            k.prepare(Plain); // a filter change leaves the file list without a focused entry
            (focus == c.File1 ? static_cast<QWidget *>(c.Dir1) : c.File1)->setFocus();
            QTest::mouseClick(control, Qt::LeftButton);
            QVERIFY2(k.w->focusWidget() == focus, qPrintable(control->objectName()));
        }
    }

    // After Ctrl+O or Ctrl+S at the sink, whose dialog swallows the Ctrl release, a plain click
    // in the file list still previews; a Ctrl+click does not.
    void plainClickPreviewsAfterCtrlShortcut() {
        for (const Qt::Key key : {Qt::Key_O, Qt::Key_S}) {
            Keys k;
            QVERIFY(k.open());
            k.c().cmdDummy->setFocus();
            QTest::sendKeyEvent(QTest::Press, k.c().cmdDummy, Qt::Key_Control, QString(),
                                Qt::ControlModifier);
            QTest::sendKeyEvent(QTest::Press, k.c().cmdDummy, key, QString(), Qt::ControlModifier);
            QCOMPARE(k.dialogs.fileRequests.size(), 1);
            ui::FileList *list = k.c().File1;
            QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier,
                              list->visualItemRect(list->item(1)).center());
            QCOMPARE(k.started, 0);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->item(0)).center());
            QCOMPARE(k.started, 1);
        }
    }
};

QTEST_MAIN(TestKeys)
#include "test_keys.moc"
