#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

#include "app/WindowState.h"
#include "files/FileBrowser.h"
#include "ui/DirList.h"
#include "ui/DriveList.h"
#include "ui/FileList.h"
#include "ui/MainLayout.h"
#include "ui/Twips.h"

using files::FilterState;

namespace {

bool makeFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("x") == 1;
}

QString native(const QString &path) {
    return QDir::toNativeSeparators(path);
}

// The browser on a real window, its window hooks recording what they are asked to do.
struct Window {
    QWidget widget;
    ui::Controls c;
    WindowState state;
    files::FileBrowser browser;
    int reloads = 0;
    int assignments = 0;
    int deletions = 0;
    int stops = 0;
    int enters = 0;
    QList<bool> assignModes;

    Window() : c(ui::buildLayout(&widget)), browser(c, state) {
        browser.reloadAllSamples = [this] { ++reloads; };
        browser.setAssignMode = [this](bool on) {
            assignModes << on;
            state.assignMode = on;
        };
        browser.startAssignment = [this] { ++assignments; };
        browser.deleteSelected = [this] { ++deletions; };
        browser.stopFilePlayback = [this] { ++stops; };
        browser.previewEnter = [this] { ++enters; };
        browser.init();
        widget.resize(ui::twipsToPixels(ui::ClientWidthTwips),
                      ui::twipsToPixels(ui::ClientHeightTwips));
        widget.show();
    }

    QStringList files() const { return c.File1->fileNames(); }
    std::array<bool, 4> toggles() const {
        return {c.chkFLBFilter[0]->isChecked(), c.chkFLBFilter[1]->isChecked(),
                c.chkFLBFilter[2]->isChecked(), c.chkFLBFilter[3]->isChecked()};
    }
    void clickToggle(int i) { QTest::mouseClick(c.chkFLBFilter[i], Qt::LeftButton); }
};

} // namespace

class TestFileBrowser : public QObject {
    Q_OBJECT

private slots:
    void filterRules_data();
    void filterRules();
    void defaultListingShowsSoundTypesOnly();
    void togglesDriveTheListAndFocus();
    void folderChangeUpdatesStateLabelAndButtons();
    void folderThatCannotBeFollowedChangesNothing();
    void driveChoiceFollowsOrIsIgnored();
    void driveListSkipsPseudoFileSystems();
    void folderListShowsParentsFolderAndSubfolders();
    void folderListKeysAndDoubleClick();
    void fileListKeys();
    void ctrlDownFollowsEveryFileListKeyEvent();
    void unsetHooksAreHarmless();
    void filesMadeByOtherProgramsShowUp();
    void rereadKeepsFocusAndSelectionWithoutRecolouring();
    void folderHasOrdinaryFile();
};

void TestFileBrowser::filterRules_data() {
    QTest::addColumn<QList<bool>>("afterFlip");
    QTest::addColumn<int>("index");
    QTest::addColumn<QList<bool>>("expected");
    QTest::addColumn<QString>("pattern");

    QTest::newRow("last type toggle put up") << QList<bool>{false, false, false, false} << 3
                                             << QList<bool>{true, false, false, false} << "*.*";
    QTest::newRow("all files put up takes every type")
        << QList<bool>{false, false, false, false} << 0 << QList<bool>{false, true, true, true}
        << "*.mp?;*.ogg;*.wav";
    QTest::newRow("type while all files down") << QList<bool>{true, false, true, false} << 2
                                               << QList<bool>{false, false, true, false} << "*.ogg";
    QTest::newRow("all files put down clears types")
        << QList<bool>{true, true, false, true} << 0 << QList<bool>{true, false, false, false}
        << "*.*";
    QTest::newRow("two types") << QList<bool>{false, true, false, true} << 3
                               << QList<bool>{false, true, false, true} << "*.mp?;*.wav";
    QTest::newRow("first click from the initial state")
        << QList<bool>{false, true, false, false} << 1 << QList<bool>{false, true, false, false}
        << "*.mp?";
}

void TestFileBrowser::filterRules() {
    QFETCH(QList<bool>, afterFlip);
    QFETCH(int, index);
    QFETCH(QList<bool>, expected);
    QFETCH(QString, pattern);

    FilterState state;
    for (int i = 0; i < 4; ++i)
        state.down[i] = afterFlip[i];
    files::applyToggleClick(state, index);
    QCOMPARE(files::filterPattern(state), pattern);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(state.down[i], expected[i]);
}

void TestFileBrowser::defaultListingShowsSoundTypesOnly() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const char *name : {"a.mp3", "b.MP2", "X.OGG", "c.wav", "y.txt", "noext", ".hidden.wav"})
        QVERIFY(makeFile(dir.filePath(QLatin1String(name))));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("z.wav")));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("nowhere")), dir.filePath("dangling.wav")));

    Window w;
    QCOMPARE(w.browser.pattern(), QStringLiteral("*.mp?;*.ogg;*.wav"));
    QVERIFY(w.browser.pointAt(dir.path()));
    QCOMPARE(w.files(), (QStringList{"a.mp3", "b.MP2", "c.wav", "X.OGG"}));
    // The toggles are not brought into line with the pattern until the first click.
    QCOMPARE(w.toggles(), (std::array<bool, 4>{false, false, false, false}));
    QCOMPARE(w.c.File1->currentRow(), -1);
}

void TestFileBrowser::togglesDriveTheListAndFocus() {
    QTemporaryDir dir;
    for (const char *name : {"a.mp3", "X.OGG", "c.wav", "y.txt", "noext"})
        QVERIFY(makeFile(dir.filePath(QLatin1String(name))));
    Window w;
    QVERIFY(QTest::qWaitForWindowExposed(&w.widget));
    QVERIFY(w.browser.pointAt(dir.path()));
    w.c.cmdDummy->setFocus();

    w.clickToggle(3); // WAV alone
    QCOMPARE(w.toggles(), (std::array<bool, 4>{false, false, false, true}));
    QCOMPARE(w.browser.pattern(), QStringLiteral("*.wav"));
    QCOMPARE(w.files(), QStringList{"c.wav"});
    QCOMPARE(w.widget.focusWidget(), w.c.File1);

    w.c.cmdDummy->setFocus();
    w.clickToggle(3); // the last one down goes up: every file, extension or not
    QCOMPARE(w.toggles(), (std::array<bool, 4>{true, false, false, false}));
    QCOMPARE(w.browser.pattern(), QStringLiteral("*.*"));
    QCOMPARE(w.files(), (QStringList{"a.mp3", "c.wav", "noext", "X.OGG", "y.txt"}));
    QCOMPARE(w.widget.focusWidget(), w.c.File1);

    w.clickToggle(2); // a type while all files is down: that type alone
    QCOMPARE(w.toggles(), (std::array<bool, 4>{false, false, true, false}));
    QCOMPARE(w.files(), QStringList{"X.OGG"});

    w.clickToggle(1);
    QCOMPARE(w.browser.pattern(), QStringLiteral("*.mp?;*.ogg"));
    QCOMPARE(w.files(), (QStringList{"a.mp3", "X.OGG"}));

    w.clickToggle(0); // all files down puts every type up
    QCOMPARE(w.toggles(), (std::array<bool, 4>{true, false, false, false}));
    w.clickToggle(0); // and up again takes all three types
    QCOMPARE(w.toggles(), (std::array<bool, 4>{false, true, true, true}));
    QCOMPARE(w.browser.pattern(), QStringLiteral("*.mp?;*.ogg;*.wav"));
    QCOMPARE(w.files(), (QStringList{"a.mp3", "c.wav", "X.OGG"}));
    QCOMPARE(w.reloads, 1); // a filter change recolours nothing
}

void TestFileBrowser::folderChangeUpdatesStateLabelAndButtons() {
    QTemporaryDir dir;
    const QString pack = dir.filePath(QStringLiteral("pack"));
    QVERIFY(QDir().mkpath(pack));
    QVERIFY(makeFile(pack + QStringLiteral("/After.ogg")));
    QVERIFY(makeFile(dir.filePath(QStringLiteral("top.wav"))));

    Window w;
    QSignalSpy changed(&w.browser, &files::FileBrowser::folderChanged);
    QVERIFY(w.browser.pointAt(dir.path()));
    QCOMPARE(w.state.currentFolder, native(dir.path()));
    QCOMPARE(w.reloads, 1);
    QCOMPARE(changed.count(), 1);

    w.state.selectedFile = QStringLiteral("top.wav");
    w.state.lastPreviewIndex = 0;
    QVERIFY(w.browser.pointAt(pack + QDir::separator())); // a trailing separator is dropped
    QCOMPARE(w.state.currentFolder, native(pack));
    QCOMPARE(w.browser.dirPath(), native(pack));
    QCOMPARE(w.c.lblDirPath->text(), native(pack));
    QCOMPARE(w.c.File1->path(), native(pack));
    QCOMPARE(w.files(), QStringList{"After.ogg"});
    QCOMPARE(w.reloads, 2);
    QCOMPARE(changed.count(), 2);
    // Nothing else is reset.
    QCOMPARE(w.state.selectedFile, QStringLiteral("top.wav"));
    QCOMPARE(w.state.lastPreviewIndex, std::int16_t(0));

    // The same folder again is no change.
    QVERIFY(w.browser.pointAt(pack));
    QCOMPARE(w.reloads, 2);
    QCOMPARE(changed.count(), 2);

#ifndef Q_OS_WIN
    QVERIFY(w.browser.pointAt(QStringLiteral("/")));
    QCOMPARE(w.state.currentFolder, QStringLiteral("/")); // a root keeps its separator
#endif
}

void TestFileBrowser::folderThatCannotBeFollowedChangesNothing() {
    QTemporaryDir dir;
    QVERIFY(makeFile(dir.filePath(QStringLiteral("a.wav"))));
    const QString removed = dir.filePath(QStringLiteral("removed"));
    QVERIFY(QDir().mkdir(removed));
    QVERIFY(QDir().rmdir(removed));

    Window w;
    QVERIFY(w.browser.pointAt(dir.path()));
    const int reloads = w.reloads;
    for (const QString &target : {removed, dir.filePath(QStringLiteral("a.wav")),
                                  dir.filePath(QStringLiteral("no/such/folder"))}) {
        QVERIFY2(!w.browser.pointAt(target), qPrintable(target));
        QCOMPARE(w.state.currentFolder, native(dir.path()));
        QCOMPARE(w.browser.dirPath(), native(dir.path()));
        QCOMPARE(w.c.lblDirPath->text(), native(dir.path()));
        QCOMPARE(w.c.File1->path(), native(dir.path()));
        QCOMPARE(w.files(), QStringList{"a.wav"});
        QCOMPARE(w.reloads, reloads);
    }

    // A folder without read permission, where permissions apply (not to root).
    const QString locked = dir.filePath(QStringLiteral("locked"));
    QVERIFY(QDir().mkdir(locked));
    QVERIFY(makeFile(locked + QStringLiteral("/b.wav")));
    QVERIFY(QFile::setPermissions(locked, QFileDevice::Permissions()));
    if (QDir(locked).entryList(QDir::Files).isEmpty()) {
        QVERIFY(!w.browser.pointAt(locked));
        QCOMPARE(w.state.currentFolder, native(dir.path()));
        QCOMPARE(w.reloads, reloads);
    }
    QVERIFY(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ExeOwner));
}

void TestFileBrowser::driveChoiceFollowsOrIsIgnored() {
    QTemporaryDir dir;
    const QString start = dir.filePath(QStringLiteral("start"));
    const QString other = dir.filePath(QStringLiteral("other"));
    const QString gone = dir.filePath(QStringLiteral("gone"));
    for (const QString &folder : {start, other, gone})
        QVERIFY(QDir().mkdir(folder));
    QVERIFY(makeFile(start + QStringLiteral("/a.wav")));
    QVERIFY(makeFile(other + QStringLiteral("/b.wav")));

    Window w;
    QVERIFY(w.browser.pointAt(start));
    const int reloads = w.reloads;

    // A volume that went away after the list was read.
    w.c.Drive1->addItem(QStringLiteral("gone"), gone);
    QVERIFY(QDir().rmdir(gone));
    w.c.Drive1->setCurrentIndex(w.c.Drive1->count() - 1);
    QCOMPARE(w.c.Drive1->currentIndex(), w.c.Drive1->count() - 1);
    QCOMPARE(w.state.currentFolder, native(start));
    QCOMPARE(w.c.lblDirPath->text(), native(start));
    QCOMPARE(w.files(), QStringList{"a.wav"});
    QCOMPARE(w.reloads, reloads);

    w.c.Drive1->addItem(QStringLiteral("other"), other);
    w.c.Drive1->setCurrentIndex(w.c.Drive1->count() - 1);
    QCOMPARE(w.state.currentFolder, native(other));
    QCOMPARE(w.c.lblDirPath->text(), native(other));
    QCOMPARE(w.files(), QStringList{"b.wav"});
    QCOMPARE(w.reloads, reloads + 1);
}

void TestFileBrowser::driveListSkipsPseudoFileSystems() {
    Window w;
    QVERIFY(w.c.Drive1->count() > 0);
#ifndef Q_OS_WIN
    QCOMPARE(w.c.Drive1->drive(0), QStringLiteral("/"));
    if (QDir::homePath() != QStringLiteral("/"))
        QCOMPARE(w.c.Drive1->drive(1), QDir::cleanPath(QDir::homePath()));
    for (int i = 0; i < w.c.Drive1->count(); ++i) {
        const QString root = w.c.Drive1->drive(i);
        for (const char *area : {"/proc", "/sys", "/dev", "/snap"})
            QVERIFY2(!root.startsWith(QLatin1String(area)), qPrintable(root));
        QVERIFY2(!root.startsWith(QLatin1String("/run/")) || root.startsWith("/run/media/"),
                 qPrintable(root));
    }
#endif
    // Filling the list at start-up changes no folder.
    QCOMPARE(w.reloads, 0);
    QVERIFY(w.state.currentFolder.isEmpty());
}

void TestFileBrowser::folderListShowsParentsFolderAndSubfolders() {
    QTemporaryDir dir;
    const QString pack = dir.filePath(QStringLiteral("pack"));
    for (const char *sub : {"pack/beta", "pack/Alpha", "pack/.hidden"})
        QVERIFY(QDir().mkpath(dir.filePath(QLatin1String(sub))));
    QVERIFY(makeFile(pack + QStringLiteral("/file.wav")));

    Window w;
    QVERIFY(w.browser.pointAt(pack));
    const ui::DirList *dirs = w.c.Dir1;
    const int folderRow = dirs->currentFolderRow();
    QCOMPARE(dirs->currentRow(), folderRow);
    QCOMPARE(dirs->highlightedPath(), native(pack));
    QCOMPARE(dirs->entryPath(folderRow - 1), native(dir.path()));
    QCOMPARE(dirs->entryPath(0), native(QDir::rootPath()));
    QStringList below;
    for (int row = folderRow + 1; row < dirs->count(); ++row)
        below << dirs->entryPath(row);
    QCOMPARE(below, (QStringList{native(pack + "/Alpha"), native(pack + "/beta")}));
    QCOMPARE(dirs->item(folderRow + 1)->text(), QStringLiteral("Alpha"));
}

void TestFileBrowser::folderListKeysAndDoubleClick() {
    QTemporaryDir dir;
    const QString pack = dir.filePath(QStringLiteral("pack"));
    QVERIFY(QDir().mkpath(pack + QStringLiteral("/sub")));
    QVERIFY(makeFile(pack + QStringLiteral("/sub/in.wav")));

    Window w;
    QVERIFY(QTest::qWaitForWindowExposed(&w.widget));
    QVERIFY(w.browser.pointAt(pack));
    ui::DirList *dirs = w.c.Dir1;
    dirs->setFocus();
    const int reloads = w.reloads;

    // The arrows move the highlight only.
    QTest::keyClick(dirs, Qt::Key_Down);
    QCOMPARE(dirs->highlightedPath(), native(pack + QStringLiteral("/sub")));
    QCOMPARE(w.state.currentFolder, native(pack));
    QCOMPARE(w.reloads, reloads);

    QTest::keyClick(dirs, Qt::Key_Return);
    QCOMPARE(w.state.currentFolder, native(pack + QStringLiteral("/sub")));
    QCOMPARE(w.c.lblDirPath->text(), w.state.currentFolder);
    QCOMPARE(w.files(), QStringList{"in.wav"});
    QCOMPARE(w.reloads, reloads + 1);

    // Enter on the folder itself changes nothing.
    QTest::keyClick(dirs, Qt::Key_Enter);
    QCOMPARE(w.state.currentFolder, native(pack + QStringLiteral("/sub")));
    QCOMPARE(w.reloads, reloads + 1);

    // A double click opens the parent.
    const int parentRow = dirs->currentFolderRow() - 1;
    const QRect rect = dirs->visualItemRect(dirs->item(parentRow));
    // What the platform sends: press, release, double click, release.
    QTest::mouseClick(dirs->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(dirs->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseRelease(dirs->viewport(), Qt::LeftButton, {}, rect.center());
    QCOMPARE(w.state.currentFolder, native(pack));
    QCOMPARE(w.reloads, reloads + 2);

    // A single click only highlights.
    QTest::mouseClick(dirs->viewport(), Qt::LeftButton, {},
                      dirs->visualItemRect(dirs->item(dirs->count() - 1)).center());
    QCOMPARE(w.state.currentFolder, native(pack));

    QTest::keyClick(dirs, Qt::Key_Escape);
    QVERIFY(w.assignModes.isEmpty());
    w.state.assignMode = true;
    QTest::keyClick(dirs, Qt::Key_Escape);
    QCOMPARE(w.assignModes, QList<bool>{false});
    QCOMPARE(w.stops, 0);

    QTest::keyClick(dirs, Qt::Key_F2);
    QCOMPARE(w.assignments, 1);

    QVERIFY(makeFile(pack + QStringLiteral("/new.ogg")));
    QTest::keyClick(dirs, Qt::Key_F5);
    QVERIFY(w.files().contains(QStringLiteral("new.ogg")));
    QCOMPARE(w.reloads, reloads + 3);
    QCOMPARE(w.widget.focusWidget(), w.c.File1);
    QCOMPARE(w.state.currentFolder, native(pack));
}

void TestFileBrowser::fileListKeys() {
    QTemporaryDir dir;
    QVERIFY(makeFile(dir.filePath(QStringLiteral("a.wav"))));
    QVERIFY(makeFile(dir.filePath(QStringLiteral("b.wav"))));
    Window w;
    QVERIFY(QTest::qWaitForWindowExposed(&w.widget));
    QVERIFY(w.browser.pointAt(dir.path()));
    ui::FileList *list = w.c.File1;
    list->setFocus();
    const int reloads = w.reloads;

    QTest::keyClick(list, Qt::Key_Escape); // stops even when nothing plays
    QCOMPARE(w.stops, 1);
    w.state.assignMode = true;
    QTest::keyClick(list, Qt::Key_Escape);
    QCOMPARE(w.assignModes, QList<bool>{false});
    QCOMPARE(w.stops, 1);

    QTest::keyClick(list, Qt::Key_F2);
    QCOMPARE(w.assignments, 1);
    QTest::keyClick(list, Qt::Key_Return);
    QTest::keyClick(list, Qt::Key_Enter);
    QCOMPARE(w.enters, 2);
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(w.deletions, 1);

    QVERIFY(makeFile(dir.filePath(QStringLiteral("c.wav"))));
    w.c.cmdDummy->setFocus();
    w.browser.refreshFiles();
    QCOMPARE(w.files(), (QStringList{"a.wav", "b.wav", "c.wav"}));
    QCOMPARE(w.reloads, reloads + 1);
    QCOMPARE(w.widget.focusWidget(), list);

    // Other keys keep the list's own navigation.
    QTest::keyClick(list, Qt::Key_End);
    QCOMPARE(list->currentRow(), 2);
    QTest::keyClick(list, Qt::Key_F5);
    QCOMPARE(w.reloads, reloads + 2);
}

void TestFileBrowser::ctrlDownFollowsEveryFileListKeyEvent() {
    QTemporaryDir dir;
    QVERIFY(makeFile(dir.filePath(QStringLiteral("a.wav"))));
    Window w;
    QVERIFY(w.browser.pointAt(dir.path()));
    ui::FileList *list = w.c.File1;

    QTest::keyPress(list, Qt::Key_Control, Qt::ControlModifier);
    QVERIFY(w.state.ctrlDown);
    QTest::keyRelease(list, Qt::Key_Control, Qt::NoModifier);
    QVERIFY(!w.state.ctrlDown);
    QTest::keyPress(list, Qt::Key_Control, Qt::NoModifier);
    QVERIFY(w.state.ctrlDown);
    QTest::keyRelease(list, Qt::Key_Control, Qt::ControlModifier);
    QVERIFY(!w.state.ctrlDown);

    // Set before the key's own effect: Ctrl+Escape stops with the flag already up.
    bool flagAtStop = false;
    w.browser.stopFilePlayback = [&] { flagAtStop = w.state.ctrlDown; };
    QTest::keyPress(list, Qt::Key_Escape, Qt::ControlModifier);
    QVERIFY(flagAtStop);
    QTest::keyRelease(list, Qt::Key_Escape, Qt::NoModifier);
    QVERIFY(!w.state.ctrlDown);
    // The Ctrl bit of any key's events, without the Ctrl key's own events around them.
    QTest::sendKeyEvent(QTest::Press, list, Qt::Key_Down, QString(),
                        Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(w.state.ctrlDown);
    QTest::sendKeyEvent(QTest::Release, list, Qt::Key_Down, QString(), Qt::ShiftModifier);
    QVERIFY(!w.state.ctrlDown);
    // A whole Ctrl+key stroke ends with the Ctrl key's release.
    QTest::keyClick(list, Qt::Key_Down, Qt::ControlModifier);
    QVERIFY(!w.state.ctrlDown);

    // Key events elsewhere leave the flag alone.
    w.state.ctrlDown = true;
    QTest::keyClick(w.c.Dir1, Qt::Key_Down);
    QVERIFY(w.state.ctrlDown);
}

void TestFileBrowser::unsetHooksAreHarmless() {
    QTemporaryDir dir;
    QVERIFY(makeFile(dir.filePath(QStringLiteral("a.wav"))));
    QWidget widget;
    const ui::Controls c = ui::buildLayout(&widget);
    WindowState state;
    files::FileBrowser browser(c, state);
    browser.init();
    QVERIFY(browser.pointAt(dir.path()));
    for (int key : {Qt::Key_Escape, Qt::Key_F2, Qt::Key_F5, Qt::Key_Return, Qt::Key_Delete})
        QTest::keyClick(c.File1, Qt::Key(key));
    state.assignMode = true;
    QTest::keyClick(c.File1, Qt::Key_Escape);
    QTest::keyClick(c.Dir1, Qt::Key_Escape);
    QTest::keyClick(c.Dir1, Qt::Key_F2);
    QCOMPARE(state.currentFolder, native(dir.path()));
}

void TestFileBrowser::filesMadeByOtherProgramsShowUp() {
    QTemporaryDir dir;
    for (const char *name : {"b.wav", "d.wav"})
        QVERIFY(makeFile(dir.filePath(QLatin1String(name))));
    Window w;
    QVERIFY(w.browser.pointAt(dir.path()));
    ui::FileList *list = w.c.File1;
    list->setCurrentRow(1); // d.wav
    const int reloads = w.reloads;

    QProcess touch;
    touch.start(QStringLiteral("touch"),
                {dir.filePath(QStringLiteral("a.wav")), dir.filePath(QStringLiteral("c.txt"))});
    QVERIFY(touch.waitForFinished());
    QTRY_COMPARE(w.files(), (QStringList{"a.wav", "b.wav", "d.wav"}));
    QCOMPARE(list->fileName(list->currentRow()), QStringLiteral("d.wav"));

    QVERIFY(QFile::rename(dir.filePath(QStringLiteral("b.wav")),
                          dir.filePath(QStringLiteral("e.ogg"))));
    QTRY_COMPARE(w.files(), (QStringList{"a.wav", "d.wav", "e.ogg"}));
    QVERIFY(QFile::remove(dir.filePath(QStringLiteral("a.wav"))));
    QTRY_COMPARE(w.files(), (QStringList{"d.wav", "e.ogg"}));
    QCOMPARE(list->fileName(list->currentRow()), QStringLiteral("d.wav"));

    // New subfolders show in the folder list too; nothing is recoloured.
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("later")));
    QTRY_COMPARE(w.c.Dir1->entryPath(w.c.Dir1->count() - 1),
                 native(dir.filePath(QStringLiteral("later"))));
    QCOMPARE(w.reloads, reloads);
}

void TestFileBrowser::rereadKeepsFocusAndSelectionWithoutRecolouring() {
    QTemporaryDir dir;
    for (const char *name : {"b.wav", "c.wav", "d.wav"})
        QVERIFY(makeFile(dir.filePath(QLatin1String(name))));
    Window w;
    QVERIFY(w.browser.pointAt(dir.path()));
    ui::FileList *list = w.c.File1;
    list->item(0)->setSelected(true);
    list->item(2)->setSelected(true);
    list->setCurrentRow(2, QItemSelectionModel::NoUpdate);
    ui::DirList *dirs = w.c.Dir1;
    dirs->setCurrentRow(0);
    const int reloads = w.reloads;

    QVERIFY(makeFile(dir.filePath(QStringLiteral("a.wav"))));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    w.browser.rereadLists();
    QCOMPARE(w.files(), (QStringList{"a.wav", "b.wav", "c.wav", "d.wav"}));
    QCOMPARE(list->fileName(list->currentRow()), QStringLiteral("d.wav"));
    QStringList selected;
    for (const QListWidgetItem *item : list->selectedItems())
        selected << item->text();
    selected.sort();
    QCOMPARE(selected, (QStringList{"b.wav", "d.wav"}));
    QCOMPARE(dirs->currentRow(), 0);
    QCOMPARE(dirs->entryPath(dirs->count() - 1), native(dir.filePath(QStringLiteral("sub"))));
    QCOMPARE(w.reloads, reloads);
    QCOMPARE(w.state.currentFolder, native(dir.path()));
}

void TestFileBrowser::folderHasOrdinaryFile() {
    QTemporaryDir dir;
    QVERIFY(!files::folderHasOrdinaryFile(dir.path()));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub.wav")));
    QVERIFY(makeFile(dir.filePath(QStringLiteral(".hidden"))));
    QVERIFY(!files::folderHasOrdinaryFile(dir.path()));
    QVERIFY(makeFile(dir.filePath(QStringLiteral("plain"))));
    QVERIFY(files::folderHasOrdinaryFile(native(dir.path())));
    QVERIFY(!files::folderHasOrdinaryFile(dir.filePath(QStringLiteral("missing"))));
    QVERIFY(!files::folderHasOrdinaryFile(QString()));
}

QTEST_MAIN(TestFileBrowser)
#include "test_filebrowser.moc"
