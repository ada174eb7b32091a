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
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "fixtures/ControllerRig.h"
#include "fixtures/SoundFiles.h"
#include "ui/DirList.h"
#include "ui/DriveList.h"
#include "ui/FileList.h"
#include "ui/MainLayout.h"
#include "ui/Twips.h"

using namespace Qt::StringLiterals;

namespace {

bool makeFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("x") == 1;
}

bool makeFiles(const QString &dir, std::initializer_list<const char *> names) {
    return std::all_of(names.begin(), names.end(),
                       [&](const char *n) { return makeFile(dir + u'/' + QLatin1String(n)); });
}

QString native(const QString &path) {
    return QDir::toNativeSeparators(path);
}

// The browser on a real window with the controllers it drives.
struct Window : fixtures::ControllerRig {
    QStringList files() const { return c.File1->fileNames(); }
    std::array<bool, 4> toggles() const {
        return {c.chkFLBFilter[0]->isChecked(), c.chkFLBFilter[1]->isChecked(),
                c.chkFLBFilter[2]->isChecked(), c.chkFLBFilter[3]->isChecked()};
    }
    void clickToggle(int i) { QTest::mouseClick(c.chkFLBFilter[i], Qt::LeftButton); }
    // Every place that shows the current folder agrees.
    bool showsFolder(const QString &path, const QStringList &names) const {
        const QString n = native(path);
        return state.currentFolder == n && browser.dirPath() == n && c.lblDirPath->text() == n &&
               c.File1->path() == n && files() == names;
    }
};

} // namespace

class TestFileBrowser : public QObject {
    Q_OBJECT

private slots:
    void togglesDriveTheListAndFocus();
    void folderChangesAndUnfollowableFolders();
    void driveListSkipsPseudoFileSystems();
    void folderList();
    void fileListKeysAndCtrlFlag();
    void filesMadeByOtherProgramsShowUp();
    void rereadKeepsFocusAndSelectionWithoutRecolouring();
    void folderHasOrdinaryFile();
    void onlyRegularFilesAreFilesAndBadNamesStay();
};

void TestFileBrowser::togglesDriveTheListAndFocus() {
    QTemporaryDir dir;
    QVERIFY(makeFiles(dir.path(),
                      {"a.mp3", "b.MP2", "X.OGG", "c.wav", "y.txt", "noext", ".hidden.wav"}));
    QVERIFY(QDir(dir.path()).mkdir(u"z.wav"_s));
    QVERIFY(QFile::link(dir.filePath(u"nowhere"_s), dir.filePath(u"dangling.wav"_s)));
    Window w;
    QVERIFY(QTest::qWaitForWindowExposed(&w.widget));
    QCOMPARE(w.browser.pattern(), u"*.mp?;*.ogg;*.wav"_s);
    QVERIFY(w.browser.pointAt(dir.path()));
    QCOMPARE(w.files(), (QStringList{"a.mp3", "b.MP2", "c.wav", "X.OGG"}));
    // The toggles are not brought into line with the pattern until the first click.
    QCOMPARE(w.toggles(), (std::array<bool, 4>{false, false, false, false}));
    QCOMPARE(w.c.File1->currentRow(), -1);
    w.c.cmdDummy->setFocus();

    w.clickToggle(3); // WAV alone
    QCOMPARE(w.toggles(), (std::array<bool, 4>{false, false, false, true}));
    QCOMPARE(w.browser.pattern(), u"*.wav"_s);
    QCOMPARE(w.files(), QStringList{"c.wav"});
    QCOMPARE(w.widget.focusWidget(), w.c.File1);

    w.c.cmdDummy->setFocus();
    w.clickToggle(3); // the last one down goes up: every file, extension or not
    QCOMPARE(w.toggles(), (std::array<bool, 4>{true, false, false, false}));
    QCOMPARE(w.browser.pattern(), u"*.*"_s);
    QCOMPARE(w.files(), (QStringList{"a.mp3", "b.MP2", "c.wav", "noext", "X.OGG", "y.txt"}));
    QCOMPARE(w.widget.focusWidget(), w.c.File1);

    w.clickToggle(2); // a type while all files is down: that type alone
    QCOMPARE(w.toggles(), (std::array<bool, 4>{false, false, true, false}));
    QCOMPARE(w.files(), QStringList{"X.OGG"});

    w.clickToggle(1);
    QCOMPARE(w.browser.pattern(), u"*.mp?;*.ogg"_s);
    QCOMPARE(w.files(), (QStringList{"a.mp3", "b.MP2", "X.OGG"}));

    w.clickToggle(0); // all files down puts every type up
    QCOMPARE(w.toggles(), (std::array<bool, 4>{true, false, false, false}));
    w.clickToggle(0); // and up again takes all three types
    QCOMPARE(w.toggles(), (std::array<bool, 4>{false, true, true, true}));
    QCOMPARE(w.browser.pattern(), u"*.mp?;*.ogg;*.wav"_s);
    QCOMPARE(w.reloads, 1); // a filter change recolours nothing
}

void TestFileBrowser::folderChangesAndUnfollowableFolders() {
    QTemporaryDir dir;
    const QString pack = dir.filePath(u"pack"_s), other = dir.filePath(u"other"_s);
    const QString removed = dir.filePath(u"removed"_s), gone = dir.filePath(u"gone"_s);
    for (const QString &folder : {pack, other, removed, gone})
        QVERIFY(QDir().mkdir(folder));
    QVERIFY(QDir().rmdir(removed));
    QVERIFY(makeFiles(pack, {"After.ogg"}) && makeFiles(other, {"b.wav"}));
    QVERIFY(makeFiles(dir.path(), {"top.wav"}));

    Window w;
    QSignalSpy changed(&w.browser, &files::FileBrowser::folderChanged);
    QVERIFY(w.browser.pointAt(dir.path()));
    QVERIFY(w.showsFolder(dir.path(), {"top.wav"}));
    QCOMPARE(w.reloads, 1);
    QCOMPARE(changed.count(), 1);

    w.state.selectedFile = u"top.wav"_s;
    w.state.lastPreviewIndex = 0;
    QVERIFY(w.browser.pointAt(pack + QDir::separator())); // a trailing separator is dropped
    QVERIFY(w.showsFolder(pack, {"After.ogg"}));
    QCOMPARE(w.reloads, 2);
    QCOMPARE(changed.count(), 2);
    // Nothing else is reset.
    QCOMPARE(w.state.selectedFile, u"top.wav"_s);
    QCOMPARE(w.state.lastPreviewIndex, std::int16_t(0));
    // The same folder again is no change.
    QVERIFY(w.browser.pointAt(pack));
    QCOMPARE(w.reloads, 2);
    QCOMPARE(changed.count(), 2);

    // Gone, a file, or never there: nothing changes.
    for (const QString &target : {removed, pack + u"/After.ogg"_s, dir.filePath(u"no/such"_s)}) {
        QVERIFY2(!w.browser.pointAt(target), qPrintable(target));
        QVERIFY(w.showsFolder(pack, {"After.ogg"}));
        QCOMPARE(w.reloads, 2);
    }
    // A folder without read permission, where permissions apply (not to root).
    const QString locked = dir.filePath(u"locked"_s);
    QVERIFY(QDir().mkdir(locked) && makeFiles(locked, {"b.wav"}));
    QVERIFY(QFile::setPermissions(locked, QFileDevice::Permissions()));
    if (QDir(locked).entryList(QDir::Files).isEmpty()) {
        QVERIFY(!w.browser.pointAt(locked));
        QVERIFY(w.showsFolder(pack, {"After.ogg"}));
        QCOMPARE(w.reloads, 2);
    }
    QVERIFY(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ExeOwner));

    // A volume that went away after the drive list was read is ignored; another is followed.
    w.c.Drive1->addItem(u"gone"_s, gone);
    QVERIFY(QDir().rmdir(gone));
    w.c.Drive1->setCurrentIndex(w.c.Drive1->count() - 1);
    QCOMPARE(w.c.Drive1->currentIndex(), w.c.Drive1->count() - 1);
    QVERIFY(w.showsFolder(pack, {"After.ogg"}));
    QCOMPARE(w.reloads, 2);
    w.c.Drive1->addItem(u"other"_s, other);
    w.c.Drive1->setCurrentIndex(w.c.Drive1->count() - 1);
    QVERIFY(w.showsFolder(other, {"b.wav"}));
    QCOMPARE(w.reloads, 3);

#ifndef Q_OS_WIN
    QVERIFY(w.browser.pointAt(u"/"_s));
    QCOMPARE(w.state.currentFolder, u"/"_s); // a root keeps its separator
#endif
}

void TestFileBrowser::driveListSkipsPseudoFileSystems() {
    Window w;
    QVERIFY(w.c.Drive1->count() > 0);
#ifndef Q_OS_WIN
    QCOMPARE(w.c.Drive1->drive(0), u"/"_s);
    if (QDir::homePath() != u"/"_s)
        QCOMPARE(w.c.Drive1->drive(1), QDir::cleanPath(QDir::homePath()));
    for (int i = 0; i < w.c.Drive1->count(); ++i) {
        const QString root = w.c.Drive1->drive(i);
        for (const char *area : {"/proc", "/sys", "/dev", "/snap"})
            QVERIFY2(!root.startsWith(QLatin1String(area)), qPrintable(root));
        QVERIFY2(!root.startsWith("/run/"_L1) || root.startsWith("/run/media/"_L1),
                 qPrintable(root));
    }
#endif
    // Filling the list at start-up changes no folder.
    QCOMPARE(w.reloads, 0);
    QVERIFY(w.state.currentFolder.isEmpty());
}

void TestFileBrowser::folderList() {
    QTemporaryDir dir;
    const QString pack = dir.filePath(u"pack"_s), sub = pack + u"/Alpha"_s;
    for (const char *folder : {"pack/beta", "pack/Alpha", "pack/.hidden"})
        QVERIFY(QDir().mkpath(dir.filePath(QLatin1String(folder))));
    QVERIFY(makeFiles(sub, {"in.wav"}));

    Window w;
    QVERIFY(QTest::qWaitForWindowExposed(&w.widget));
    QVERIFY(w.browser.pointAt(pack));
    ui::DirList *dirs = w.c.Dir1;
    // Root, parents, the folder highlighted, then its visible subfolders in order.
    const int folderRow = dirs->currentFolderRow();
    QCOMPARE(dirs->currentRow(), folderRow);
    QCOMPARE(dirs->highlightedPath(), native(pack));
    QCOMPARE(dirs->entryPath(folderRow - 1), native(dir.path()));
    QCOMPARE(dirs->entryPath(0), native(QDir::rootPath()));
    QStringList below;
    for (int row = folderRow + 1; row < dirs->count(); ++row)
        below << dirs->entryPath(row);
    QCOMPARE(below, (QStringList{native(sub), native(pack + "/beta")}));
    QCOMPARE(dirs->item(folderRow + 1)->text(), u"Alpha"_s);

    // The arrows move the highlight only; Return opens it; Enter on the folder itself is nothing.
    dirs->setFocus();
    QTest::keyClick(dirs, Qt::Key_Down);
    QCOMPARE(dirs->highlightedPath(), native(sub));
    QCOMPARE(w.reloads, 1);
    QVERIFY(w.showsFolder(pack, {}));
    QTest::keyClick(dirs, Qt::Key_Return);
    QVERIFY(w.showsFolder(sub, {"in.wav"}));
    QCOMPARE(w.reloads, 2);
    QTest::keyClick(dirs, Qt::Key_Enter);
    QCOMPARE(w.reloads, 2);

    // A double click opens the parent; what the platform sends: press, release, double, release.
    const QPoint parent = dirs->visualItemRect(dirs->item(dirs->currentFolderRow() - 1)).center();
    QTest::mouseClick(dirs->viewport(), Qt::LeftButton, {}, parent);
    QTest::mouseDClick(dirs->viewport(), Qt::LeftButton, {}, parent);
    QTest::mouseRelease(dirs->viewport(), Qt::LeftButton, {}, parent);
    QCOMPARE(w.state.currentFolder, native(pack));
    QCOMPARE(w.reloads, 3);
    // A single click only highlights.
    QTest::mouseClick(dirs->viewport(), Qt::LeftButton, {},
                      dirs->visualItemRect(dirs->item(dirs->count() - 1)).center());
    QCOMPARE(w.state.currentFolder, native(pack));

    w.panel.setAssignMode(true);
    QTest::keyClick(dirs, Qt::Key_Escape);
    QVERIFY(!w.state.assignMode);
    QVERIFY(!w.c.cmdValider->isVisible());
    QCOMPARE(w.stops, 0);

    QVERIFY(makeFiles(pack, {"new.ogg"}));
    QTest::keyClick(dirs, Qt::Key_F5);
    QVERIFY(w.showsFolder(pack, {"new.ogg"}));
    QCOMPARE(w.reloads, 4);
    QCOMPARE(w.widget.focusWidget(), w.c.File1);
}

void TestFileBrowser::fileListKeysAndCtrlFlag() {
    QTemporaryDir dir;
    for (const QString &name : {u"a.wav"_s, u"b.wav"_s})
        QVERIFY(!fixtures::makeWav(dir.path(), name, 100).isEmpty());
    Window w;
    QVERIFY(QTest::qWaitForWindowExposed(&w.widget));
    QVERIFY(w.browser.pointAt(dir.path()));
    ui::FileList *list = w.c.File1;
    list->setFocus();

    QTest::keyClick(list, Qt::Key_Escape); // stops even when nothing plays
    QCOMPARE(w.stops, 1);
    w.panel.setAssignMode(true);
    QTest::keyClick(list, Qt::Key_Escape);
    QVERIFY(!w.state.assignMode);
    QCOMPARE(w.stops, 1);
    list->setCurrentRow(1);
    QTest::keyClick(list, Qt::Key_Return); // Enter previews the focused file, then stops it
    QTest::keyClick(list, Qt::Key_Enter);
    QCOMPARE(w.started, QStringList{"b.wav"});
    QCOMPARE(w.stops, 2);

    QVERIFY(makeFiles(dir.path(), {"c.wav"}));
    w.c.cmdDummy->setFocus();
    w.browser.refreshFiles();
    QCOMPARE(w.files(), (QStringList{"a.wav", "b.wav", "c.wav"}));
    QCOMPARE(w.reloads, 2);
    QCOMPARE(w.widget.focusWidget(), list);
    // Other keys keep the list's own navigation.
    QTest::keyClick(list, Qt::Key_End);
    QCOMPARE(list->currentRow(), 2);
    QTest::keyClick(list, Qt::Key_F5);
    QCOMPARE(w.reloads, 3);

    // The Ctrl flag follows the Ctrl bit of every key event in the list, whatever the key.
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
    QObject::connect(&w.filePlayback, &playback::FilePlayback::stopped, &w.widget,
                     [&] { flagAtStop = w.state.ctrlDown; });
    QTest::keyPress(list, Qt::Key_Escape, Qt::ControlModifier);
    QVERIFY(flagAtStop);
    QTest::keyRelease(list, Qt::Key_Escape, Qt::NoModifier);
    QVERIFY(!w.state.ctrlDown);
    QTest::sendKeyEvent(QTest::Press, list, Qt::Key_Down, QString(),
                        Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(w.state.ctrlDown);
    QTest::sendKeyEvent(QTest::Release, list, Qt::Key_Down, QString(), Qt::ShiftModifier);
    QVERIFY(!w.state.ctrlDown);
    QTest::keyClick(list, Qt::Key_Down, Qt::ControlModifier); // ends with the Ctrl release
    QVERIFY(!w.state.ctrlDown);
    // Key events elsewhere leave the flag alone.
    w.state.ctrlDown = true;
    QTest::keyClick(w.c.Dir1, Qt::Key_Down);
    QVERIFY(w.state.ctrlDown);
}

void TestFileBrowser::filesMadeByOtherProgramsShowUp() {
    QTemporaryDir dir;
    QVERIFY(makeFiles(dir.path(), {"b.wav", "d.wav"}));
    Window w;
    QVERIFY(w.browser.pointAt(dir.path()));
    ui::FileList *list = w.c.File1;
    list->setCurrentRow(1); // d.wav

    QProcess touch;
    touch.start(u"touch"_s, {dir.filePath(u"a.wav"_s), dir.filePath(u"c.txt"_s)});
    QVERIFY(touch.waitForFinished());
    QTRY_COMPARE(w.files(), (QStringList{"a.wav", "b.wav", "d.wav"}));
    QCOMPARE(list->fileName(list->currentRow()), u"d.wav"_s);
    QVERIFY(QFile::rename(dir.filePath(u"b.wav"_s), dir.filePath(u"e.ogg"_s)));
    QTRY_COMPARE(w.files(), (QStringList{"a.wav", "d.wav", "e.ogg"}));
    QVERIFY(QFile::remove(dir.filePath(u"a.wav"_s)));
    QTRY_COMPARE(w.files(), (QStringList{"d.wav", "e.ogg"}));
    QCOMPARE(list->fileName(list->currentRow()), u"d.wav"_s);

    // New subfolders show in the folder list too; nothing is recoloured.
    QVERIFY(QDir(dir.path()).mkdir(u"later"_s));
    QTRY_COMPARE(w.c.Dir1->entryPath(w.c.Dir1->count() - 1), native(dir.filePath(u"later"_s)));
    QCOMPARE(w.reloads, 1);
}

void TestFileBrowser::rereadKeepsFocusAndSelectionWithoutRecolouring() {
    QTemporaryDir dir;
    QVERIFY(makeFiles(dir.path(), {"b.wav", "c.wav", "d.wav"}));
    Window w;
    QVERIFY(w.browser.pointAt(dir.path()));
    ui::FileList *list = w.c.File1;
    list->item(0)->setSelected(true);
    list->item(2)->setSelected(true);
    list->setCurrentRow(2, QItemSelectionModel::NoUpdate);
    w.c.Dir1->setCurrentRow(0);

    QVERIFY(makeFiles(dir.path(), {"a.wav"}));
    QVERIFY(QDir(dir.path()).mkdir(u"sub"_s));
    w.browser.rereadLists();
    QVERIFY(w.showsFolder(dir.path(), {"a.wav", "b.wav", "c.wav", "d.wav"}));
    QCOMPARE(list->fileName(list->currentRow()), u"d.wav"_s);
    QStringList selected;
    for (const QListWidgetItem *item : list->selectedItems())
        selected << item->text();
    selected.sort();
    QCOMPARE(selected, (QStringList{"b.wav", "d.wav"}));
    QCOMPARE(w.c.Dir1->currentRow(), 0);
    QCOMPARE(w.c.Dir1->entryPath(w.c.Dir1->count() - 1), native(dir.filePath(u"sub"_s)));
    QCOMPARE(w.reloads, 1);
}

void TestFileBrowser::folderHasOrdinaryFile() {
    QTemporaryDir dir;
    QVERIFY(!files::folderHasOrdinaryFile(dir.path()));
    QVERIFY(QDir(dir.path()).mkdir(u"sub.wav"_s));
    QVERIFY(makeFiles(dir.path(), {".hidden"}));
    QVERIFY(!files::folderHasOrdinaryFile(dir.path()));
    QVERIFY(makeFiles(dir.path(), {"plain"}));
    QVERIFY(files::folderHasOrdinaryFile(native(dir.path())));
    QVERIFY(!files::folderHasOrdinaryFile(dir.filePath(u"missing"_s)));
    QVERIFY(!files::folderHasOrdinaryFile(QString()));
}

void TestFileBrowser::onlyRegularFilesAreFilesAndBadNamesStay() {
    QTemporaryDir dir;
    const QByteArray d = QFile::encodeName(dir.path());
    QVERIFY(makeFiles(dir.path(), {"a.wav", "z.wav", ".hidden.wav"}));
    QVERIFY(QDir(dir.path()).mkdir(u"c.wav"_s));
    QVERIFY(::symlink("a.wav", d + "/b.wav") == 0);         // link to a file: a file
    QVERIFY(::symlink("c.wav", d + "/d.wav") == 0);         // link to a folder: a folder
    QVERIFY(::symlink("/dev/zero", d + "/Yards.wav") == 0); // link to a device: neither
    QVERIFY(::symlink("/dev/null", d + "/dev") == 0);
    QVERIFY(::symlink("gone.wav", d + "/e.wav") == 0);                  // dangling: neither
    QVERIFY(::mkfifo(d + "/f.wav", 0644) == 0);                         // FIFO: neither
    QVERIFY(::mknod(d + "/g.wav", S_IFCHR | 0644, makedev(1, 3)) == 0); // device: neither
    QVERIFY(::close(::open(d + "/h\xff\xfe.wav", O_CREAT | O_WRONLY, 0644)) == 0); // not UTF-8
    QVERIFY(::mkdir(d + "/sub\xff", 0755) == 0);

    Window w;
    QVERIFY(w.browser.pointAt(dir.path()));
    w.clickToggle(0);
    QCOMPARE(w.c.File1->pattern(), u"*.*"_s);
    const QString badName = u"h\uFFFD\uFFFD.wav"_s;
    QCOMPARE(w.files(), (QStringList{u"a.wav"_s, u"b.wav"_s, badName, u"z.wav"_s}));
    QListWidgetItem *greyed = w.c.File1->item(2);
    QCOMPARE(greyed->flags(), Qt::NoItemFlags);
    QCOMPARE(greyed->toolTip(),
             u"Nom de fichier illisible : renommez ce fichier pour pouvoir l'utiliser."_s);
    // Neither the keys nor a range selection reach it.
    w.c.File1->setFocus();
    w.c.File1->setCurrentRow(0);
    QTest::keyClick(w.c.File1, Qt::Key_End, Qt::ShiftModifier);
    QCOMPARE(w.c.File1->currentRow(), 3);
    QCOMPARE(w.c.File1->selectedItems().size(), 3);
    QTest::keyClick(w.c.File1, Qt::Key_Up);
    QCOMPARE(w.c.File1->currentRow(), 1);

    QStringList folders;
    for (int row = w.c.Dir1->currentFolderRow() + 1; row < w.c.Dir1->count(); ++row)
        folders << w.c.Dir1->item(row)->text();
    QCOMPARE(folders, (QStringList{u"c.wav"_s, u"d.wav"_s}));

    // A folder holding nothing but devices, FIFOs and links to them has no ordinary file.
    for (const char *name : {"a.wav", "b.wav", "z.wav", "h\xff\xfe.wav"})
        QVERIFY(::unlink(d + "/" + name) == 0);
    QVERIFY(!files::folderHasOrdinaryFile(dir.path()));
    QVERIFY(::rmdir(d + "/sub\xff") == 0); // beyond what the temporary folder can remove
}

QTEST_MAIN(TestFileBrowser)
#include "test_filebrowser.moc"
