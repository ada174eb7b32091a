// The "Ouvrir avec" button: choosing the editor on first use, forgetting it, and the launch with a
// stand-in editor that records its arguments and working folder, for file names a shell would
// mangle. Also how the file dialog's filters select on this system.
#include <QFileDialog>
#include <QFileInfo>
#include <QListView>
#include <QPushButton>
#include <QtTest>

#include "fixtures/SoundFiles.h"
#include "fixtures/WindowFixture.h"
#include "tools/EditorLauncher.h"
#include "ui/FileFilterProxy.h"
#include "ui/FileList.h"
#include "ui/QtDialogs.h"

namespace {

const QString ChooseTitle = QStringLiteral("Sélectionnez votre éditeur audio préféré...");
const QString ChooseFilter =
    QStringLiteral("Fichiers exécutables (*.exe)|*.exe|Tous les fichiers (*.*)|*.*");

// An editor stand-in: writes its working folder, its argument count and its arguments, each
// ended by a NUL byte, to "record" beside itself (renamed into place once complete).
QString writeStandIn(const QString &folder, const QString &name) {
    const QString path = QDir(folder).filePath(name);
    QFile script(path);
    if (!script.open(QIODevice::WriteOnly))
        return QString();
    script.write("#!/bin/sh\n"
                 "out=\"$(dirname \"$0\")/record\"\n"
                 "{ printf '%s\\0' \"$(pwd -P)\" \"$#\"; for a; do printf '%s\\0' \"$a\"; done; } "
                 "> \"$out.part\" && mv \"$out.part\" \"$out\"\n");
    script.close();
    script.setPermissions(script.permissions() | QFile::ExeOwner);
    return path;
}

// The working folder, then the arguments, as the stand-in received them.
QStringList waitForRecord(const QString &folder) {
    const QString path = QDir(folder).filePath(QStringLiteral("record"));
    if (!QTest::qWaitFor([&] { return QFile::exists(path); }, 10000))
        return {};
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    QStringList fields = QString::fromUtf8(file.readAll()).split(QChar(0));
    fields.removeLast(); // after the last NUL
    QFile::remove(path);
    return fields;
}

bool selectFile(MainWindow &w, const QString &name) {
    w.fileBrowser().refreshFiles();
    const int row = w.controls().File1->fileNames().indexOf(name);
    w.controls().File1->setCurrentRow(row);
    return row >= 0;
}

} // namespace

class TestEditor : public QObject {
    Q_OBJECT
private slots:
    void firstUseChoosesThenOpens() {
        QTemporaryDir pack;
        QTemporaryDir tools;
        fixtures::makeWav(pack.path(), QStringLiteral("TurnRight.wav"), 4410, 44100, 1);
        const QString editor = writeStandIn(tools.path(), QStringLiteral("mon éditeur.sh"));
        fixtures::WindowFixture f;
        MainWindow *w = f.startOn(pack.path());
        QVERIFY(w);
        QPushButton *button = w->controls().cmdOpenSample;

        // Without a selected file nothing is asked.
        button->click();
        QVERIFY(f.dialogs.fileRequests.isEmpty());

        QVERIFY(selectFile(*w, QStringLiteral("TurnRight.wav")));
        f.dialogs.fileAnswers = {editor};
        f.dialogs.inputAnswers = {QStringLiteral("Mon Éditeur")};
        button->click();

        QCOMPARE(f.dialogs.fileRequests.size(), 1);
        const ui::FileDialogRequest &request = f.dialogs.fileRequests[0];
        QCOMPARE(request.title, ChooseTitle);
        QCOMPARE(request.filter, ChooseFilter);
        QCOMPARE(request.defaultExtension, QStringLiteral("exe"));
        QVERIFY(request.mustExist && request.programs && !request.save);
        QCOMPARE(f.dialogs.inputPrompts,
                 QStringList{"Voici le nom tel qu'il apparaîtra sur le bouton « Ouvrir avec ».\r\n"
                             "Vous pouvez le modifier ou valider..."});
        QCOMPARE(f.dialogs.inputTitles, QStringList{"Nom de l'éditeur audio"});
        QCOMPARE(f.dialogs.inputDefaults, QStringList{"mon éditeur"});
        QCOMPARE(button->text(), QStringLiteral("Ouvrir avec Mon Éditeur"));
        QCOMPARE(w->state().audioEditorPath, editor);

        const QString folder = QDir(pack.path()).canonicalPath();
        QCOMPARE(waitForRecord(tools.path()),
                 (QStringList{folder, "1", QDir(folder).filePath("TurnRight.wav")}));
        QVERIFY(f.dialogs.messages.isEmpty());

        // Known now: the next click opens at once; the close keeps the editor.
        button->click();
        QCOMPARE(waitForRecord(tools.path()).size(), 3);
        QCOMPARE(f.dialogs.fileRequests.size(), 1);
        w->close();
        QFile settings(f.settingsPath());
        QVERIFY(settings.open(QIODevice::ReadOnly));
        QVERIFY(settings.readAll().startsWith(
            "AudioEditorName=Mon Éditeur\r\nAudioEditorPath=" + editor.toUtf8() + "\r\n"));
    }

    void fileNamesReachTheEditorIntact_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("spaces") << "deux  espaces .wav";
        QTest::newRow("quotes") << "l'apostrophe \"citée\".wav";
        QTest::newRow("leading dash") << "-rf.wav";
        QTest::newRow("accents") << "accentué çà Ü.wav";
        QTest::newRow("shell") << "$(touch pwned);`id` *.wav";
    }

    void fileNamesReachTheEditorIntact() {
        QFETCH(QString, name);
        QTemporaryDir pack;
        QTemporaryDir tools;
        fixtures::makeWav(pack.path(), name, 441, 44100, 1);
        fixtures::WindowFixture f;
        MainWindow *w = f.startOn(pack.path());
        QVERIFY(w);
        w->state().audioEditorName = QStringLiteral("Essai");
        w->state().audioEditorPath = writeStandIn(tools.path(), QStringLiteral("editor"));
        QVERIFY(selectFile(*w, name));
        w->controls().cmdOpenSample->click();
        const QString folder = QDir(pack.path()).canonicalPath();
        QCOMPARE(waitForRecord(tools.path()), (QStringList{folder, "1", folder + '/' + name}));
        QVERIFY(!QFile::exists(pack.filePath(QStringLiteral("pwned"))));
    }

    void failuresForgetOrTell() {
        QTemporaryDir pack;
        QTemporaryDir tools;
        fixtures::makeWav(pack.path(), QStringLiteral("50.wav"), 441, 44100, 1);
        fixtures::WindowFixture f;
        MainWindow *w = f.startOn(pack.path());
        QVERIFY(w);
        QPushButton *button = w->controls().cmdOpenSample;
        QVERIFY(selectFile(*w, QStringLiteral("50.wav")));

        // Cancelled choice: no editor, no message.
        w->state().audioEditorName = QStringLiteral("Ancien");
        button->setText(QStringLiteral("Ouvrir avec Ancien"));
        button->click();
        QCOMPARE(button->text(), QStringLiteral("Ouvrir avec..."));
        QVERIFY(w->state().audioEditorName.isEmpty() && w->state().audioEditorPath.isEmpty());
        QVERIFY(f.dialogs.messages.isEmpty());

        // A chosen executable that is not there: told, then forgotten; an empty answer in the
        // input box takes the proposal.
        const QString missing = tools.filePath(QStringLiteral("Editeur.exe"));
        f.dialogs.fileAnswers = {missing};
        button->click();
        QCOMPARE(f.dialogs.inputDefaults.last(), QStringLiteral("Editeur"));
        QCOMPARE(f.dialogs.messages.size(), 1);
        QCOMPARE(f.dialogs.messages[0].text,
                 "L'exécutable de votre éditeur audio est introuvable !\r\n" + missing);
        QCOMPARE(f.dialogs.messages[0].title, QStringLiteral("Erreur !"));
        QCOMPARE(f.dialogs.messages[0].icon, ui::Icon::Critical);
        QCOMPARE(f.dialogs.messages[0].buttons, ui::Buttons::Ok);
        QCOMPARE(button->text(), QStringLiteral("Ouvrir avec..."));
        QVERIFY(w->state().audioEditorPath.isEmpty());

        // A known editor that cannot be started (no execute permission at all): told, kept.
        QFile plain(tools.filePath(QStringLiteral("plain")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.write("#!/bin/sh\n");
        plain.close();
        QVERIFY(plain.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
        w->state().audioEditorName = QStringLiteral("Plain");
        w->state().audioEditorPath = plain.fileName();
        button->click();
        QCOMPARE(f.dialogs.messages.size(), 2);
        QCOMPARE(f.dialogs.messages[1].text,
                 "Impossible de lancer votre éditeur audio !\r\n" + plain.fileName());
        QCOMPARE(f.dialogs.messages[1].title, QStringLiteral("Erreur !"));
        QCOMPARE(w->state().audioEditorPath, plain.fileName());
    }

    void filtersSelectAsExpectedHere() {
        QTemporaryDir dir;
        const auto make = [&](const QString &name, bool executable) {
            QFile file(dir.filePath(name));
            file.open(QIODevice::WriteOnly);
            file.close();
            file.setPermissions(executable ? QFile::ReadOwner | QFile::ExeOwner
                                           : QFile::ReadOwner | QFile::WriteOwner);
            return QFileInfo(file.fileName());
        };
        const QFileInfo audacity = make(QStringLiteral("audacity"), true);
        const QFileInfo notes = make(QStringLiteral("notes"), false);
        const QFileInfo windows = make(QStringLiteral("Editeur.EXE"), false);
        const QFileInfo folder(dir.path());
        const QStringList exe{QStringLiteral("*.exe")};
        const QStringList all{QStringLiteral("*.*")};

        ui::FileFilterProxy programs(true);
        QVERIFY(programs.accepts(audacity, exe));
        QVERIFY(programs.accepts(windows, exe));
        QVERIFY(!programs.accepts(notes, exe));
        QVERIFY(programs.accepts(folder, exe));
        QVERIFY(programs.accepts(notes, all)); // "*.*" takes names without a dot too

        ui::FileFilterProxy documents(false);
        QVERIFY(!documents.accepts(audacity, exe));
        QVERIFY(documents.accepts(audacity, all));

        // The real dialog: the texts as written, the program listed and picked under "*.exe",
        // every file under "*.*".
        ui::QtDialogs dialogs;
        ui::FileDialogRequest request;
        request.title = ChooseTitle;
        request.filter = ChooseFilter;
        request.defaultExtension = QStringLiteral("exe");
        request.mustExist = true;
        request.programs = true;
        QStringList filters;
        QStringList underExe;
        QStringList underAll;
        QTimer::singleShot(0, [&] {
            QFileDialog *dialog = nullptr;
            for (QWidget *top : QApplication::topLevelWidgets())
                if (auto *candidate = qobject_cast<QFileDialog *>(top);
                    candidate && top->isVisible())
                    dialog = candidate;
            if (!dialog) {
                qWarning("no file dialog on screen");
                return;
            }
            filters = dialog->nameFilters();
            dialog->setDirectory(dir.path());
            auto *view = dialog->findChild<QListView *>(QStringLiteral("listView"));
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
            const int row = names().indexOf(QStringLiteral("audacity"));
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
