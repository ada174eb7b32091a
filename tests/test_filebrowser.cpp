#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "catalogue/PromptPanel.h"
#include "fixtures/Bytes.h"
#include "fixtures/ControllerRig.h"
#include "ui/DirList.h"
#include "ui/DriveList.h"
#include "ui/FileList.h"
#include "ui/MainLayout.h"

using namespace Qt::StringLiterals;
using fixtures::makeFiles;

namespace {

constexpr auto native = &QDir::toNativeSeparators;

// The browser on a real window with the controllers it drives.
struct Window : fixtures::ControllerRig {
    QStringList files() const { return c.File1->fileNames(); }
    // The four toggles as "0101", all files first.
    QString toggles() const {
        QString out;
        for (const QPushButton *toggle : c.chkFLBFilter)
            out += toggle->isChecked() ? u'1' : u'0';
        return out;
    }
    void clickToggle(int i) { QTest::mouseClick(c.chkFLBFilter[i], Qt::LeftButton); }
    // Every place that shows the current folder agrees, after so many folder changes.
    bool showsFolder(const QString &path, const QStringList &names, int changes) const {
        const QString n = native(path);
        return browser.currentFolder() == n && browser.dirPath() == n &&
               c.lblDirPath->text() == n && c.File1->path() == n && files() == names &&
               reloads == changes;
    }
};

} // namespace

class TestFileBrowser : public QObject {
    Q_OBJECT
private slots:
    void togglesDriveTheList() {
        QTemporaryDir dir;
        QVERIFY(makeFiles(dir.path(),
                          {"a.mp3", "b.MP2", "X.OGG", "c.wav", "y.txt", "noext", ".hidden.wav"}));
        QVERIFY(QDir(dir.path()).mkdir(u"z.wav"_s));
        QVERIFY(QFile::link(dir.filePath(u"nowhere"_s), dir.filePath(u"dangling.wav"_s)));
        Window w;
        QVERIFY(QTest::qWaitForWindowExposed(&w.widget));
        QCOMPARE(w.browser.pattern(), u"*.mp?;*.ogg;*.wav"_s);
        QVERIFY(w.browser.pointAt(dir.path()));
        // The toggles follow the pattern from the first click on.
        QCOMPARE(w.toggles(), u"0000"_s);
        QCOMPARE(w.c.File1->currentRow(), -1);

        const QStringList everything{"a.mp3", "b.MP2", "c.wav", "noext", "X.OGG", "y.txt"};
        const struct {
            int click;
            const char *toggles, *pattern;
            QStringList files;
        } steps[] = {
            {3, "0001", "*.wav", {"c.wav"}}, // WAV alone
            {3, "1000", "*.*", everything},  // the last one down goes up: every file
            {2, "0010", "*.ogg", {"X.OGG"}}, // a type while all files is down: that type alone
            {1, "0110", "*.mp?;*.ogg", {"a.mp3", "b.MP2", "X.OGG"}},
            {0, "1000", "*.*", everything}, // all files down puts every type up
            {0, "0111", "*.mp?;*.ogg;*.wav", {"a.mp3", "b.MP2", "c.wav", "X.OGG"}}, // all three
        };
        for (const auto &step : steps) {
            w.clickToggle(step.click);
            QCOMPARE(w.toggles(), QLatin1String(step.toggles));
            QCOMPARE(w.browser.pattern(), QLatin1String(step.pattern));
            QCOMPARE(w.files(), step.files);
        }
        QCOMPARE(w.reloads, 1); // a filter change recolours nothing
    }

    void folderChangesAndUnfollowableFolders() {
        QTemporaryDir dir;
        const QString pack = dir.filePath(u"pack"_s), other = dir.filePath(u"other"_s);
        const QString gone = dir.filePath(u"gone"_s);
        for (const QString &folder : {pack, other, gone})
            QVERIFY(QDir().mkdir(folder));
        QVERIFY(makeFiles(pack, {"After.ogg"}) && makeFiles(other, {"b.wav"}));
        QVERIFY(makeFiles(dir.path(), {"top.wav"}));

        Window w;
        QVERIFY(w.browser.pointAt(dir.path()));
        QVERIFY(w.showsFolder(dir.path(), {"top.wav"}, 1));

        w.browser.setSelectedFile(u"top.wav"_s);
        QVERIFY(w.browser.pointAt(pack + QDir::separator())); // a trailing separator is dropped
        QVERIFY(w.showsFolder(pack, {"After.ogg"}, 2));
        // Nothing else is reset.
        QCOMPARE(w.browser.selectedFile(), u"top.wav"_s);
        // The same folder again is no change.
        QVERIFY(w.browser.pointAt(pack));
        QCOMPARE(w.reloads, 2);

        // Not there, a file, or not even its parent there: nothing changes.
        for (const QString &target :
             {dir.filePath(u"removed"_s), pack + u"/After.ogg"_s, dir.filePath(u"no/such"_s)}) {
            QVERIFY2(!w.browser.pointAt(target), qPrintable(target));
            QVERIFY(w.showsFolder(pack, {"After.ogg"}, 2));
        }

        // A volume that went away after the drive list was read is ignored; another is followed.
        w.c.Drive1->addItem(u"gone"_s, gone);
        QVERIFY(QDir().rmdir(gone));
        w.c.Drive1->setCurrentIndex(w.c.Drive1->count() - 1);
        QCOMPARE(w.c.Drive1->currentIndex(), w.c.Drive1->count() - 1);
        QVERIFY(w.showsFolder(pack, {"After.ogg"}, 2));
        w.c.Drive1->addItem(u"other"_s, other);
        w.c.Drive1->setCurrentIndex(w.c.Drive1->count() - 1);
        QVERIFY(w.showsFolder(other, {"b.wav"}, 3));

#ifndef Q_OS_WIN
        QVERIFY(w.browser.pointAt(u"/"_s));
        QCOMPARE(w.browser.currentFolder(), u"/"_s); // a root keeps its separator
#endif
    }

    void driveListSkipsPseudoFileSystems() {
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
        QVERIFY(w.browser.currentFolder().isEmpty());
    }

    void folderList() {
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

        // The arrows move the highlight only; Return opens it; Enter on the folder itself is
        // nothing.
        dirs->setFocus();
        QTest::keyClick(dirs, Qt::Key_Down);
        QCOMPARE(dirs->highlightedPath(), native(sub));
        QVERIFY(w.showsFolder(pack, {}, 1));
        QTest::keyClick(dirs, Qt::Key_Return);
        QVERIFY(w.showsFolder(sub, {"in.wav"}, 2));
        QTest::keyClick(dirs, Qt::Key_Enter);
        QVERIFY(w.showsFolder(sub, {"in.wav"}, 2));

        // A double click opens the parent; what the platform sends: press, release, double,
        // release.
        const QPoint parent =
            dirs->visualItemRect(dirs->item(dirs->currentFolderRow() - 1)).center();
        QTest::mouseClick(dirs->viewport(), Qt::LeftButton, {}, parent);
        QTest::mouseDClick(dirs->viewport(), Qt::LeftButton, {}, parent);
        QTest::mouseRelease(dirs->viewport(), Qt::LeftButton, {}, parent);
        QCOMPARE(w.browser.currentFolder(), native(pack));
        QCOMPARE(w.reloads, 3);
        // A single click only highlights.
        QTest::mouseClick(dirs->viewport(), Qt::LeftButton, {},
                          dirs->visualItemRect(dirs->item(dirs->count() - 1)).center());
        QCOMPARE(w.browser.currentFolder(), native(pack));
    }

    // The lists follow the folder, reread by hand or changed by other programs, keeping the
    // focused entry, the selection and the folder highlight, and recolouring nothing; a refresh
    // rereads the files and recolours.
    void listsFollowTheFolder() {
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
        QVERIFY(w.showsFolder(dir.path(), {"a.wav", "b.wav", "c.wav", "d.wav"}, 1));
        QCOMPARE(list->fileName(list->currentRow()), u"d.wav"_s);
        QVERIFY(list->item(1)->isSelected() && list->item(3)->isSelected()); // b.wav and d.wav
        QCOMPARE(list->selectedItems().size(), 2);
        QCOMPARE(w.c.Dir1->currentRow(), 0);
        QCOMPARE(w.c.Dir1->entryPath(w.c.Dir1->count() - 1), native(dir.filePath(u"sub"_s)));

        QVERIFY(makeFiles(dir.path(), {"e.wav", "f.txt"}));
        QTRY_COMPARE(w.files(), (QStringList{"a.wav", "b.wav", "c.wav", "d.wav", "e.wav"}));
        QCOMPARE(list->fileName(list->currentRow()), u"d.wav"_s);
        QVERIFY(QFile::rename(dir.filePath(u"b.wav"_s), dir.filePath(u"g.ogg"_s)));
        QTRY_COMPARE(w.files(), (QStringList{"a.wav", "c.wav", "d.wav", "e.wav", "g.ogg"}));
        QVERIFY(QFile::remove(dir.filePath(u"a.wav"_s)));
        QTRY_COMPARE(w.files(), (QStringList{"c.wav", "d.wav", "e.wav", "g.ogg"}));
        QCOMPARE(list->fileName(list->currentRow()), u"d.wav"_s);
        QVERIFY(QDir(dir.path()).mkdir(u"zz"_s));
        QTRY_COMPARE(w.c.Dir1->entryPath(w.c.Dir1->count() - 1), native(dir.filePath(u"zz"_s)));
        QCOMPARE(w.reloads, 1);

        QVERIFY(makeFiles(dir.path(), {"b.wav"}));
        w.browser.refreshFiles(); // before the watcher can tell
        QVERIFY(w.showsFolder(dir.path(), {"b.wav", "c.wav", "d.wav", "e.wav", "g.ogg"}, 2));
    }

    // The shown folder deleted or renamed by another program: at the next check (each second,
    // or the watcher's word; here by hand) the list empties, the prompts turn grey, the label
    // says so and there is no current folder for a command; the folder back, it shows again.
    void folderVanishes_data() {
        QTest::addColumn<bool>("renamed");
        QTest::newRow("deleted") << false;
        QTest::newRow("renamed") << true;
    }
    void folderVanishes() {
        QFETCH(bool, renamed);
        QTemporaryDir parent;
        const QString folder = parent.filePath(u"pack"_s);
        QVERIFY(QDir().mkdir(folder) && makeFiles(folder, {"TurnLeft.wav", "essai.mp3"}));
        Window w;
        QVERIFY(w.browser.pointAt(folder));
        w.c.File1->setCurrentRow(1);
        w.browser.setSelectedFile(u"essai.mp3"_s);
        const int reloads = w.reloads;
        w.browser.checkFolder(); // still there: nothing changes
        QVERIFY(w.showsFolder(folder, {"essai.mp3", "TurnLeft.wav"}, reloads));

        const QString moved = parent.filePath(u"ailleurs"_s);
        QVERIFY(renamed ? QDir().rename(folder, moved) : QDir(folder).removeRecursively());
        w.browser.checkFolder();
        QCOMPARE(w.files(), QStringList());
        QVERIFY(w.browser.currentFolder().isEmpty());
        QVERIFY(w.browser.selectedFile().isEmpty());
        QCOMPARE(w.c.lblDirPath->text(), u"Le dossier « "_s + native(folder) +
                                             u" » n'existe plus : un autre programme l'a "
                                             "supprimé ou renommé."_s);
        QCOMPARE(w.reloads, reloads + 1);
        QCOMPARE(w.panel.restingColor(56), catalogue::MissingColor); // TurnLeft
        w.browser.rereadLists(); // as the watcher would: still gone, still empty
        QCOMPARE(w.files(), QStringList());

        QVERIFY(renamed ? QDir().rename(moved, folder) : QDir().mkdir(folder));
        QVERIFY(makeFiles(folder, {"TurnLeft.wav"}));
        w.browser.checkFolder();
        QVERIFY(w.showsFolder(folder,
                              renamed ? QStringList{"essai.mp3", "TurnLeft.wav"}
                                      : QStringList{"TurnLeft.wav"},
                              reloads + 2));
        QCOMPARE(w.panel.restingColor(56), catalogue::PresentColor);
    }

    void onlyRegularFilesAreFilesAndBadNamesStay() {
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

        // A folder holding nothing but devices, FIFOs, links to them, a hidden file and folders has
        // no ordinary file; nor has a missing folder or none.
        QVERIFY(files::folderHasOrdinaryFile(native(dir.path())));
        QVERIFY(!files::folderHasOrdinaryFile(dir.filePath(u"missing"_s)));
        QVERIFY(!files::folderHasOrdinaryFile(QString()));
        for (const char *name : {"a.wav", "b.wav", "z.wav", "h\xff\xfe.wav"})
            QVERIFY(::unlink(d + "/" + name) == 0);
        QVERIFY(!files::folderHasOrdinaryFile(dir.path()));
        QVERIFY(::rmdir(d + "/sub\xff") == 0); // beyond what the temporary folder can remove
    }
};

QTEST_MAIN(TestFileBrowser)
#include "test_filebrowser.moc"
