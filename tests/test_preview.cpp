#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

#include "fixtures/ControllerRig.h"
#include "fixtures/SoundFiles.h"
#include "ui/FileList.h"

using namespace Qt::StringLiterals;

namespace {

// Browser and preview on a real window showing a folder of a.wav to d.wav.
struct Window : fixtures::ControllerRig {
    QTemporaryDir pack;

    Window() {
        for (const char *name : {"a.wav", "b.wav", "c.wav", "d.wav"})
            fixtures::makeWav(pack.path(), QLatin1String(name), 100);
    }
    bool ready() { return QTest::qWaitForWindowExposed(&widget) && browser.pointAt(pack.path()); }

    ui::FileList *list() const { return c.File1; }
    void click(int row, Qt::KeyboardModifiers modifiers = {}, Qt::MouseButton b = Qt::LeftButton) {
        const QRect rect = list()->visualItemRect(list()->item(row));
        QTest::mouseClick(list()->viewport(), b, modifiers, rect.center());
    }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(list(), key, modifiers);
    }
};

} // namespace

class TestPreview : public QObject {
    Q_OBJECT

private slots:
    void clicksToggleTheSameEntryAndPlayAnother() {
        Window w;
        QVERIFY(w.ready());
        QSignalSpy chosen(&w.browser, &files::FileBrowser::selectedFileChanged);
        w.click(1);
        QCOMPARE(w.started, QStringList{"b.wav"});
        QCOMPARE(w.browser.selectedFile(), u"b.wav"_s);
        QCOMPARE(chosen.size(), 1); // told by the browser, which owns the chosen file
        QCOMPARE(w.preview.lastPosition(), 1);
        QCOMPARE(w.stops, 0);
        w.click(1);
        QCOMPARE(w.started, QStringList{"b.wav"});
        QCOMPARE(w.stops, 1);
        QCOMPARE(w.preview.lastPosition(), -1);
        QCOMPARE(w.browser.selectedFile(), u"b.wav"_s);
        w.click(1);
        QCOMPARE(w.started, (QStringList{"b.wav", "b.wav"}));

        // Another entry plays without a stop call; in a range the clicked entry is the one.
        w.click(0);
        w.click(3);
        w.click(2, Qt::ShiftModifier);
        QCOMPARE(w.started, (QStringList{"b.wav", "b.wav", "a.wav", "d.wav", "c.wav"}));
        QCOMPARE(w.stops, 1);
        QCOMPARE(w.list()->selectedItems().size(), 2);
    }

    void arrowsPlayEachEntryOnce() {
        Window w;
        QVERIFY(w.ready());
        w.list()->setFocus();
        w.key(Qt::Key_Down); // from no focused entry to the first one
        QCOMPARE(w.started, QStringList{"a.wav"});
        w.key(Qt::Key_Down);
        w.key(Qt::Key_Down);
        w.key(Qt::Key_Up);
        w.key(Qt::Key_End);
        w.key(Qt::Key_Down); // already on the last entry: no move, nothing happens
        QCOMPARE(w.started, (QStringList{"a.wav", "b.wav", "c.wav", "b.wav", "d.wav"}));
        QCOMPARE(w.stops, 0);
        QCOMPARE(w.preview.lastPosition(), 3);
        QCOMPARE(w.browser.selectedFile(), u"d.wav"_s);
    }

    void ctrlSelectsWithoutPlaying() {
        Window w;
        QVERIFY(w.ready());
        w.click(0);
        // The list never saw the Ctrl key (the focus was elsewhere); the click's own modifier
        // counts.
        w.c.cmdDummy->setFocus();
        w.click(2, Qt::ControlModifier);
        QCOMPARE(w.started, QStringList{"a.wav"});
        QCOMPARE(w.browser.selectedFile(), u"c.wav"_s);
        QCOMPARE(w.preview.lastPosition(), 2);
        QCOMPARE(w.list()->selectedItems().size(), 2);

        // The Ctrl key held in the list: clicks (which carry Ctrl) and Ctrl+arrows select only.
        w.list()->setFocus();
        QTest::keyPress(w.list(), Qt::Key_Control);
        w.click(1, Qt::ControlModifier);
        w.click(3, Qt::ControlModifier);
        QCOMPARE(w.browser.selectedFile(), u"d.wav"_s);
        w.key(Qt::Key_Up, Qt::ControlModifier);
        QCOMPARE(w.started, QStringList{"a.wav"});
    }

    void vanishedFilePlaysNothing() {
        Window w;
        QVERIFY(w.ready());
        // Gone, or replaced by a folder, before the list had a chance to notice.
        QVERIFY(QFile::remove(w.pack.filePath(u"b.wav"_s)));
        QVERIFY(QFile::remove(w.pack.filePath(u"c.wav"_s)));
        QVERIFY(QDir(w.pack.path()).mkdir(u"c.wav"_s));
        QCOMPARE(w.list()->count(), 4);
        w.click(1);
        QCOMPARE(w.browser.selectedFile(), u"b.wav"_s);
        QCOMPARE(w.preview.lastPosition(), 1);
        w.click(2);
        QCOMPARE(w.browser.selectedFile(), u"c.wav"_s);
        QCOMPARE(w.started, QStringList());
        QCOMPARE(w.stops, 0);
        QTRY_COMPARE(w.list()->fileNames(), (QStringList{"a.wav", "d.wav"}));
    }

    void positionIsRememberedAcrossEndAndFolderChange() {
        QTemporaryDir other;
        QVERIFY(!fixtures::makeWav(other.path(), u"z.ogg"_s, 100).isEmpty());
        Window w;
        QVERIFY(w.ready());
        // Played to its end on its own: the next click on the entry only stops.
        w.click(0);
        w.click(0);
        QCOMPARE(w.stops, 1);
        QCOMPARE(w.started.size(), 1);
        w.click(0);
        QCOMPARE(w.started.size(), 2);

        // Position 0 of another folder is the same position.
        QVERIFY(w.browser.pointAt(other.path()));
        QCOMPARE(w.preview.lastPosition(), 0);
        w.click(0);
        QCOMPARE(w.stops, 2);
        QCOMPARE(w.started.size(), 2);
        QCOMPARE(w.browser.selectedFile(), u"a.wav"_s);
        w.click(0);
        QCOMPARE(w.started.last(), u"z.ogg"_s);

        // And across a filter change.
        QTest::mouseClick(w.c.chkFLBFilter[0], Qt::LeftButton);
        w.click(0);
        QCOMPARE(w.stops, 3);
        QCOMPARE(w.started.size(), 3);
    }

    void enterTogglesOtherButtonsDoNotSelect() {
        Window w;
        QVERIFY(w.ready());
        w.click(1, {}, Qt::RightButton);
        QCOMPARE(w.list()->currentRow(), -1);
        w.list()->setFocus();
        w.key(Qt::Key_Return); // nothing focused: nothing to do
        // Programmatic moves are no selection by the user.
        w.list()->setCurrentRow(1);
        QCOMPARE(w.started, QStringList());
        QCOMPARE(w.preview.lastPosition(), -1);

        w.click(2);
        w.key(Qt::Key_Return); // the entry just selected: stop
        QCOMPARE(w.stops, 1);
        w.key(Qt::Key_Enter); // and once more: play again
        QCOMPARE(w.started, (QStringList{"c.wav", "c.wav"}));
        QCOMPARE(w.browser.selectedFile(), u"c.wav"_s);
    }
};

QTEST_MAIN(TestPreview)
#include "test_preview.moc"
