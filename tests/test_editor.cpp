// The "Ouvrir avec" button: choosing the editor on first use, forgetting it, and the launch with a
// stand-in editor that records its arguments and working folder, for file names a shell would
// mangle; a conversion's temporary file is never opened. Also how the file dialog's filters
// select on this system.
#include <QFileDialog>
#include <QFileInfo>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QtTest>

#include "fixtures/Bytes.h"
#include "fixtures/SoundFiles.h"
#include "fixtures/Steps.h"
#include "fixtures/WindowFixture.h"
#include "tools/EditorLauncher.h"
#include "ui/FileFilterProxy.h"
#include "ui/FileList.h"
#include "ui/QtDialogs.h"

using namespace Qt::StringLiterals;

namespace {

using Message = fixtures::ScriptedDialogs::Message;

const QString ChooseTitle = u"Sélectionnez votre éditeur audio préféré..."_s;
const QString ChooseFilter = u"Fichiers exécutables (*.exe)|*.exe|Tous les fichiers (*.*)|*.*"_s;

// An editor stand-in: writes its working folder, its argument count and its arguments, each
// ended by a NUL byte, to "record" beside itself (renamed into place once complete).
QString writeStandIn(const QString &folder, const QString &name) {
    return fixtures::writeProgram(
        QDir(folder).filePath(name),
        "#!/bin/sh\nout=\"$(dirname \"$0\")/record\"\n"
        "{ printf '%s\\0' \"$(pwd -P)\" \"$#\"; for a; do printf '%s\\0' \"$a\"; done; } "
        "> \"$out.part\" && mv \"$out.part\" \"$out\"\n");
}

// The working folder, then the arguments, as the stand-in received them.
QStringList waitForRecord(const QString &folder) {
    const QString path = QDir(folder).filePath(u"record"_s);
    if (!QTest::qWaitFor([&] { return QFile::exists(path); }, 10000))
        return {};
    QStringList fields = QString::fromUtf8(fixtures::readBytes(path)).split(QChar(0));
    fields.removeLast(); // after the last NUL
    QFile::remove(path);
    return fields;
}

// The window on a pack whose names a shell would mangle, and a stand-in editor that records
// what it was given.
struct EditorScenario {
    QTemporaryDir pack;
    QTemporaryDir tools;
    const QStringList names{
        u"TurnRight.wav"_s, u"deux  espaces .wav"_s, u"l'apostrophe \"citée\".wav"_s,
        u"-rf.wav"_s,       u"accentué çà Ü.wav"_s,  u"$(touch pwned);`id` *.wav"_s};
    const QString editor = writeStandIn(tools.path(), u"mon éditeur.sh"_s);
    fixtures::WindowFixture f;
    MainWindow *w = nullptr;
    QPushButton *button = nullptr;

    bool open() {
        for (const QString &name : names) {
            if (fixtures::makeWav(pack.path(), name, 441, 44100, 1).isEmpty())
                return false;
        }
        w = f.startOn(pack.path());
        if (w)
            button = w->controls().cmdOpenSample;
        return w != nullptr;
    }

    // Nothing is asked without a file. A list filled by hand could name a conversion's
    // temporary file: it never reaches an editor, nor is an editor asked for.
    void nothingOpensWithoutARealFile() {
        button->click();
        const QString temp = u".parlotte-1-0.ogg"_s;
        QVERIFY(!fixtures::makeWav(pack.path(), temp, 441).isEmpty());
        w->controls().File1->setCurrentItem(new QListWidgetItem(temp, w->controls().File1));
        button->click();
        QCOMPARE(f.dialogs.messages.size(), 1);
        QCOMPARE(f.dialogs.messages.takeFirst(),
                 (Message{u"Impossible d'ouvrir ce fichier : « .parlotte-1-0.ogg » est un fichier "
                          "temporaire de conversion, qui disparaîtra de lui-même."_s,
                          u"Erreur !"_s, ui::Icon::Exclamation, ui::Buttons::Ok}));
        QVERIFY(w->fileBrowser().selectedFile() != temp);
        QVERIFY(f.dialogs.fileRequests.isEmpty());
    }

    // The first click chooses the editor, then opens its file; every name then reaches the
    // known editor intact, without a question.
    void firstClickChoosesTheEditorThenEveryNameOpens() {
        f.dialogs.fileAnswers = {editor};
        f.dialogs.inputAnswers = {u"Mon Éditeur"_s};
        const QString folder = QDir(pack.path()).canonicalPath();
        for (const QString &name : names) {
            w->fileBrowser().refreshFiles();
            const int row = w->controls().File1->fileNames().indexOf(name);
            QVERIFY(row >= 0);
            w->controls().File1->setCurrentRow(row);
            button->click();
            QCOMPARE(waitForRecord(tools.path()), (QStringList{folder, "1", folder + '/' + name}));
        }
        QVERIFY(!QFile::exists(pack.filePath(u"pwned"_s)));
        QVERIFY(f.dialogs.messages.isEmpty());

        QCOMPARE(f.dialogs.fileRequests.size(), 1);
        const ui::FileDialogRequest &request = f.dialogs.fileRequests[0];
        QCOMPARE(request.title, ChooseTitle);
        QCOMPARE(request.filter, ChooseFilter);
        // Programs here have no extension: a typed path gets none added.
        QCOMPARE(request.defaultExtension, QString());
        QVERIFY(request.mustExist && request.programs && !request.save);
        QCOMPARE(f.dialogs.inputPrompts,
                 QStringList{"Voici le nom tel qu'il apparaîtra sur le bouton « Ouvrir avec ».\r\n"
                             "Vous pouvez le modifier ou valider..."});
        QCOMPARE(f.dialogs.inputTitles, QStringList{"Nom de l'éditeur audio"});
        QCOMPARE(f.dialogs.inputDefaults, QStringList{"mon éditeur"});
        QCOMPARE(button->text(), u"Ouvrir avec Mon Éditeur"_s);
        QCOMPARE(w->editorLauncher().editorPath(), editor);
    }

    // A cancelled choice forgets the editor silently; a chosen program that is missing, or a
    // known one that cannot be started (no execute permission at all), is told, then forgotten:
    // the next click asks for another. An empty answer in the input box takes the proposal.
    void failuresForgetTheEditor() {
        QFile plain(fixtures::writeBytes(tools.filePath(u"plain"_s), "#!/bin/sh\n"));
        QVERIFY(plain.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
        const QString missing = tools.filePath(u"Editeur.exe"_s);
        struct Case {
            QString name, path, chosen, told; // told: the message, before the program's path
        };
        const Case cases[] = {
            {u"Ancien"_s, {}, {}, {}},
            {{}, {}, missing, u"L'exécutable de votre éditeur audio est introuvable !"_s},
            {u"Plain"_s, plain.fileName(), {}, u"Impossible de lancer votre éditeur audio !"_s},
        };
        for (const Case &c : cases) {
            w->editorLauncher().setEditor(c.name, c.path);
            QCOMPARE(button->text(),
                     c.name.isEmpty() ? u"Ouvrir avec..."_s : "Ouvrir avec " + c.name);
            f.dialogs.messages.clear();
            f.dialogs.fileAnswers = {c.chosen};
            button->click();
            const qsizetype told = c.told.isEmpty() ? 0 : 1;
            QCOMPARE(f.dialogs.messages.size(), told);
            if (told)
                QCOMPARE(f.dialogs.messages[0],
                         (Message{c.told + "\r\n" + c.chosen + c.path, u"Erreur !"_s,
                                  ui::Icon::Critical, ui::Buttons::Ok}));
            QCOMPARE(button->text(), u"Ouvrir avec..."_s);
            QVERIFY(w->editorLauncher().editorName().isEmpty() &&
                    w->editorLauncher().editorPath().isEmpty());
            const qsizetype asked = f.dialogs.fileRequests.size();
            button->click();
            QCOMPARE(f.dialogs.fileRequests.size(), asked + 1);
            QCOMPARE(f.dialogs.messages.size(), told);
        }
        QCOMPARE(f.dialogs.inputDefaults.last(), u"Editeur"_s);
        w->close();
        QVERIFY(fixtures::readBytes(f.settingsPath())
                    .startsWith("AudioEditorName=\r\nAudioEditorPath=\r\n"));
    }

    // A right click on the button offers another editor: the first click's choice again, no
    // file opened; Cancel there keeps the editor there was.
    void rightClickChoosesAnotherEditor() {
        w->editorLauncher().setEditor(u"Mon Éditeur"_s, editor);
        const QString other = writeStandIn(tools.path(), u"autre.sh"_s);
        QTest::mouseClick(button, Qt::RightButton); // a press alone never opens the file
        emit button->customContextMenuRequested(QPoint(2, 2));
        auto *menu = button->findChild<QMenu *>(u"mnuEditor"_s);
        QVERIFY(menu && menu->isVisible());
        QCOMPARE(menu->actions().size(), 1);
        QCOMPARE(menu->actions()[0]->text(), u"Choisir un autre éditeur..."_s);
        const qsizetype asked = f.dialogs.fileRequests.size();

        f.dialogs.fileAnswers = {QString()}; // cancelled
        menu->actions()[0]->trigger();
        QCOMPARE(f.dialogs.fileRequests.size(), asked + 1);
        QCOMPARE(w->editorLauncher().editorPath(), editor);
        QCOMPARE(button->text(), u"Ouvrir avec Mon Éditeur"_s);

        f.dialogs.fileAnswers = {other};
        f.dialogs.inputAnswers = {u"Autre"_s};
        menu->actions()[0]->trigger();
        QCOMPARE(f.dialogs.fileRequests.size(), asked + 2);
        QCOMPARE(f.dialogs.fileRequests.last().title, ChooseTitle);
        QCOMPARE(f.dialogs.inputDefaults.last(), u"autre"_s);
        QCOMPARE(w->editorLauncher().editorPath(), other);
        QCOMPARE(button->text(), u"Ouvrir avec Autre"_s);
        QVERIFY(!QFile::exists(tools.filePath(u"record"_s))); // nothing was opened
        QVERIFY(f.dialogs.messages.isEmpty());
        menu->hide();
    }
};

} // namespace

class TestEditor : public QObject {
    Q_OBJECT
private slots:
    void firstUseChoosesThenOpensAndFailuresForgetOrTell() {
        EditorScenario e;
        QVERIFY(e.open());
        fixtures::runSteps(e, {&EditorScenario::nothingOpensWithoutARealFile,
                               &EditorScenario::firstClickChoosesTheEditorThenEveryNameOpens,
                               &EditorScenario::rightClickChoosesAnotherEditor,
                               &EditorScenario::failuresForgetTheEditor});
    }

    void filtersSelectAsExpectedHere() {
        QTemporaryDir dir;
        const QFileInfo audacity(fixtures::writeProgram(dir.filePath(u"audacity"_s), {}));
        QVERIFY(audacity.isExecutable());
        fixtures::writeBytes(dir.filePath(u"notes"_s), {});
        fixtures::writeBytes(dir.filePath(u"Editeur.EXE"_s), {});

        // Folders stay listed (to walk into); documents never take a program for "*.exe".
        QVERIFY(ui::FileFilterProxy(true).accepts(QFileInfo(dir.path()), {u"*.exe"_s}));
        ui::FileFilterProxy documents(false);
        QVERIFY(!documents.accepts(audacity, {u"*.exe"_s}));
        QVERIFY(documents.accepts(audacity, {u"*.*"_s}));

        // The real dialog: the texts as written, the program listed and picked under "*.exe",
        // every file under "*.*".
        ui::QtDialogs dialogs;
        const ui::FileDialogRequest request{.title = ChooseTitle,
                                            .filter = ChooseFilter,
                                            .defaultExtension = u"exe"_s,
                                            .mustExist = true,
                                            .programs = true};
        QStringList filters;
        QStringList underExe;
        QStringList underAll;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            QVERIFY2(dialog, "no file dialog on screen");
            filters = dialog->nameFilters();
            dialog->setDirectory(dir.path());
            auto *view = dialog->findChild<QListView *>(u"listView"_s);
            const auto names = [view] {
                QStringList result;
                for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row)
                    result << view->model()->index(row, 0, view->rootIndex()).data().toString();
                return result;
            };
            (void)QTest::qWaitFor([&] { return names().size() == 2; }, 5000);
            underExe = names();
            dialog->selectNameFilter(filters.value(1));
            (void)QTest::qWaitFor([&] { return names().size() == 3; }, 5000);
            underAll = names();
            dialog->selectNameFilter(filters.value(0));
            // As a user does: a click on the program in the list, then "Open".
            const int row = names().indexOf(u"audacity"_s);
            view->setCurrentIndex(view->model()->index(row, 0, view->rootIndex()));
            QMetaObject::invokeMethod(dialog, row >= 0 ? "accept" : "reject");
        });
        const QString chosen = dialogs.fileDialog(request);
        QCOMPARE(filters, (QStringList{"Fichiers exécutables (*.exe)", "Tous les fichiers (*.*)"}));
        underExe.sort();
        underAll.sort();
        QCOMPARE(underExe, (QStringList{"Editeur.EXE", "audacity"}));
        QCOMPARE(underAll, (QStringList{"Editeur.EXE", "audacity", "notes"}));
        QCOMPARE(chosen, audacity.filePath());
    }
};

QTEST_MAIN(TestEditor)
#include "test_editor.moc"
