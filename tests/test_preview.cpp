#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

#include "app/WindowState.h"
#include "files/FileBrowser.h"
#include "files/Preview.h"
#include "ui/FileList.h"
#include "ui/MainLayout.h"
#include "ui/Twips.h"

namespace {

bool makeFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("x") == 1;
}

// Browser and preview on a real window; the file channel is a recorder.
struct Window {
    QWidget widget;
    ui::Controls c;
    WindowState state;
    files::FileBrowser browser;
    files::Preview preview;
    QStringList started;
    int stops = 0;

    Window() : c(ui::buildLayout(&widget)), browser(c, state), preview(c, state) {
        preview.startFilePlayback = [this](const QString &name) { started << name; };
        preview.stopFilePlayback = [this] { ++stops; };
        browser.stopFilePlayback = preview.stopFilePlayback;
        browser.previewEnter = [this] { preview.enterPressed(); };
        browser.init();
        widget.resize(ui::twipsToPixels(ui::ClientWidthTwips),
                      ui::twipsToPixels(ui::ClientHeightTwips));
        widget.show();
    }

    ui::FileList *list() const { return c.File1; }

    void click(int row, Qt::KeyboardModifiers modifiers = {}) {
        const QRect rect = list()->visualItemRect(list()->item(row));
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, modifiers, rect.center());
    }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(list(), key, modifiers);
    }
};

// A folder of four sound files, a.wav to d.wav.
struct Pack {
    QTemporaryDir dir;
    Pack() {
        for (const char *name : {"a.wav", "b.wav", "c.wav", "d.wav"})
            makeFile(dir.filePath(QLatin1String(name)));
    }
    QString path() const { return dir.path(); }
};

} // namespace

class TestPreview : public QObject {
    Q_OBJECT

private slots:
    void clickPlaysSecondClickStopsThirdPlays();
    void anotherEntryPlaysWithoutStopCall();
    void arrowsPlayEachEntryOnce();
    void ctrlClickSelectsWithoutPlaying();
    void ctrlKeyInListSelectsWithoutPlaying();
    void vanishedFilePlaysNothing();
    void positionIsRememberedAcrossEndAndFolderChange();
    void enterTogglesTheFocusedEntry();
    void otherButtonsDoNotSelect();
};

void TestPreview::clickPlaysSecondClickStopsThirdPlays() {
    Pack pack;
    Window w;
    QVERIFY(QTest::qWaitForWindowExposed(&w.widget));
    QVERIFY(w.browser.pointAt(pack.path()));

    w.click(1);
    QCOMPARE(w.started, QStringList{"b.wav"});
    QCOMPARE(w.state.selectedFile, QStringLiteral("b.wav"));
    QCOMPARE(w.state.lastPreviewIndex, std::int16_t(1));
    QCOMPARE(w.stops, 0);

    w.click(1);
    QCOMPARE(w.started, QStringList{"b.wav"});
    QCOMPARE(w.stops, 1);
    QCOMPARE(w.state.lastPreviewIndex, std::int16_t(-1));
    QCOMPARE(w.state.selectedFile, QStringLiteral("b.wav"));

    w.click(1);
    QCOMPARE(w.started, (QStringList{"b.wav", "b.wav"}));
    QCOMPARE(w.stops, 1);
}

void TestPreview::anotherEntryPlaysWithoutStopCall() {
    Pack pack;
    Window w;
    QVERIFY(QTest::qWaitForWindowExposed(&w.widget));
    QVERIFY(w.browser.pointAt(pack.path()));
    w.click(0);
    w.click(3);
    w.click(2, Qt::ShiftModifier); // a range; the clicked entry is the focused one
    QCOMPARE(w.started, (QStringList{"a.wav", "d.wav", "c.wav"}));
    QCOMPARE(w.stops, 0);
    QCOMPARE(w.list()->selectedItems().size(), 2);
}

void TestPreview::arrowsPlayEachEntryOnce() {
    Pack pack;
    Window w;
    QVERIFY(QTest::qWaitForWindowExposed(&w.widget));
    QVERIFY(w.browser.pointAt(pack.path()));
    w.list()->setFocus();

    w.key(Qt::Key_Down); // from no focused entry to the first one
    QCOMPARE(w.started, QStringList{"a.wav"});
    w.key(Qt::Key_Down);
    w.key(Qt::Key_Down);
    QCOMPARE(w.started, (QStringList{"a.wav", "b.wav", "c.wav"}));
    w.key(Qt::Key_Up);
    QCOMPARE(w.started.last(), QStringLiteral("b.wav"));
    w.key(Qt::Key_End);
    w.key(Qt::Key_Down); // already on the last entry: no move, nothing happens
    QCOMPARE(w.started, (QStringList{"a.wav", "b.wav", "c.wav", "b.wav", "d.wav"}));
    QCOMPARE(w.stops, 0);
    QCOMPARE(w.state.lastPreviewIndex, std::int16_t(3));
    QCOMPARE(w.state.selectedFile, QStringLiteral("d.wav"));
}

void TestPreview::ctrlClickSelectsWithoutPlaying() {
    Pack pack;
    Window w;
    QVERIFY(QTest::qWaitForWindowExposed(&w.widget));
    QVERIFY(w.browser.pointAt(pack.path()));
    w.click(0);
    QCOMPARE(w.started, QStringList{"a.wav"});

    // The list never saw the Ctrl key (the focus was elsewhere); the click's own modifier counts.
    w.c.cmdDummy->setFocus();
    w.click(2, Qt::ControlModifier);
    QCOMPARE(w.started, QStringList{"a.wav"});
    QCOMPARE(w.state.selectedFile, QStringLiteral("c.wav"));
    QCOMPARE(w.state.lastPreviewIndex, std::int16_t(2));
    QCOMPARE(w.list()->selectedItems().size(), 2);
    QVERIFY(!w.state.ctrlDown);

    // A plain click on another file plays it.
    w.click(3);
    QCOMPARE(w.started, (QStringList{"a.wav", "d.wav"}));
}

void TestPreview::ctrlKeyInListSelectsWithoutPlaying() {
    Pack pack;
    Window w;
    QVERIFY(QTest::qWaitForWindowExposed(&w.widget));
    QVERIFY(w.browser.pointAt(pack.path()));
    w.list()->setFocus();

    QTest::keyPress(w.list(), Qt::Key_Control);
    QVERIFY(w.state.ctrlDown);
    w.click(1);
    w.click(3);
    QCOMPARE(w.started, QStringList());
    QCOMPARE(w.state.selectedFile, QStringLiteral("d.wav"));
    w.key(Qt::Key_Up, Qt::ControlModifier); // moves the focus only, Ctrl still down afterwards
    QTest::keyPress(w.list(), Qt::Key_Control);
    QCOMPARE(w.started, QStringList());
    QTest::keyRelease(w.list(), Qt::Key_Control);
    QVERIFY(!w.state.ctrlDown);

    w.click(0);
    QCOMPARE(w.started, QStringList{"a.wav"});
}

void TestPreview::vanishedFilePlaysNothing() {
    Pack pack;
    Window w;
    QVERIFY(QTest::qWaitForWindowExposed(&w.widget));
    QVERIFY(w.browser.pointAt(pack.path()));

    // Gone, or replaced by a folder, before the list had a chance to notice.
    QVERIFY(QFile::remove(pack.dir.filePath(QStringLiteral("b.wav"))));
    QVERIFY(QFile::remove(pack.dir.filePath(QStringLiteral("c.wav"))));
    QVERIFY(QDir(pack.path()).mkdir(QStringLiteral("c.wav")));
    QCOMPARE(w.list()->count(), 4);
    w.click(1);
    QCOMPARE(w.state.selectedFile, QStringLiteral("b.wav"));
    QCOMPARE(w.state.lastPreviewIndex, std::int16_t(1));
    w.click(2);
    QCOMPARE(w.state.selectedFile, QStringLiteral("c.wav"));
    QCOMPARE(w.started, QStringList());
    QCOMPARE(w.stops, 0);

    QTRY_COMPARE(w.list()->fileNames(), (QStringList{"a.wav", "d.wav"}));
}

void TestPreview::positionIsRememberedAcrossEndAndFolderChange() {
    Pack pack;
    QTemporaryDir other;
    QVERIFY(makeFile(other.filePath(QStringLiteral("z.ogg"))));
    Window w;
    QVERIFY(QTest::qWaitForWindowExposed(&w.widget));
    QVERIFY(w.browser.pointAt(pack.path()));

    // Played to its end on its own: the next click on the entry only stops.
    w.click(0);
    QCOMPARE(w.started, QStringList{"a.wav"});
    w.click(0);
    QCOMPARE(w.stops, 1);
    QCOMPARE(w.started.size(), 1);
    w.click(0);
    QCOMPARE(w.started.size(), 2);

    // Position 0 of another folder is the same position.
    QVERIFY(w.browser.pointAt(other.path()));
    QCOMPARE(w.state.lastPreviewIndex, std::int16_t(0));
    w.click(0);
    QCOMPARE(w.stops, 2);
    QCOMPARE(w.started.size(), 2);
    QCOMPARE(w.state.selectedFile, QStringLiteral("a.wav"));
    w.click(0);
    QCOMPARE(w.started.last(), QStringLiteral("z.ogg"));

    // And across a filter change.
    QTest::mouseClick(w.c.chkFLBFilter[0], Qt::LeftButton);
    w.click(0);
    QCOMPARE(w.stops, 3);
    QCOMPARE(w.started.size(), 3);
}

void TestPreview::enterTogglesTheFocusedEntry() {
    Pack pack;
    Window w;
    QVERIFY(QTest::qWaitForWindowExposed(&w.widget));
    QVERIFY(w.browser.pointAt(pack.path()));
    w.list()->setFocus();

    w.key(Qt::Key_Return); // nothing focused: nothing to do
    QCOMPARE(w.started, QStringList());
    QCOMPARE(w.state.lastPreviewIndex, std::int16_t(-1));

    w.click(2);
    w.key(Qt::Key_Return); // the entry just selected: stop
    QCOMPARE(w.stops, 1);
    w.key(Qt::Key_Enter); // and once more: play again
    QCOMPARE(w.started, (QStringList{"c.wav", "c.wav"}));
    QCOMPARE(w.state.selectedFile, QStringLiteral("c.wav"));

    w.key(Qt::Key_Escape);
    QCOMPARE(w.stops, 2);
}

void TestPreview::otherButtonsDoNotSelect() {
    Pack pack;
    Window w;
    QVERIFY(QTest::qWaitForWindowExposed(&w.widget));
    QVERIFY(w.browser.pointAt(pack.path()));
    const QRect rect = w.list()->visualItemRect(w.list()->item(1));
    QTest::mouseClick(w.list()->viewport(), Qt::RightButton, {}, rect.center());
    QCOMPARE(w.list()->currentRow(), -1);
    QCOMPARE(w.started, QStringList());
    // Programmatic moves are no selection by the user.
    w.list()->setCurrentRow(2);
    QCOMPARE(w.started, QStringList());
    QCOMPARE(w.state.lastPreviewIndex, std::int16_t(-1));
}

QTEST_MAIN(TestPreview)
#include "test_preview.moc"
