// settings.ini: read at start-up, written whole at every close, created when missing.
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "app/Settings.h"
#include "catalogue/PromptPanel.h"
#include "fixtures/Bytes.h"
#include "fixtures/WindowFixture.h"

namespace {

QString makePack(QTemporaryDir &dir, const QString &sub) {
    const QString folder = dir.path() + u'/' + sub;
    QDir().mkpath(folder);
    fixtures::writeBytes(folder + QStringLiteral("/After.ogg"), "x");
    return folder;
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void missingFileIsCreatedAtStartUp() {
        // Another copy's newer settings in the configuration folder are not this copy's.
        const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
        QVERIFY(QDir().mkpath(config));
        const QString other = config + QStringLiteral("/settings.ini");
        fixtures::writeBytes(other, "ExitMessage=0\r\nLastSentence=After\r\n");
        fixtures::WindowFixture f;
        MainWindow &w = f.start();
        QVERIFY(QFile::remove(other));
        QVERIFY(w.exitMessage());
        QCOMPARE(fixtures::readBytes(f.settingsPath()),
                 ("AudioEditorName=\r\nAudioEditorPath=\r\nLastFolder=" +
                  f.programFolder().toUtf8() + "\r\nLastSentence=\r\nExitMessage=1\r\n"));
    }

    // The values start-up reads are handed to their owners, and written back at the close.
    void readValuesAreAppliedAndWrittenBack() {
        fixtures::WindowFixture f;
        QTemporaryDir packs;
        const QString pack = makePack(packs, QStringLiteral("Voix é"));
        const QString editor = fixtures::writeBytes(packs.filePath(QStringLiteral("ed")), "");
        QVERIFY(QFile::setPermissions(editor, QFile::ReadOwner | QFile::ExeOwner));
        // Padded with two spaces, LF-only line ends, keys in another order than written.
        f.writeSettings("ExitMessage=0\nLastFolder=  " + pack.toUtf8() +
                        "  \nAudioEditorName=Ed\nAudioEditorPath=" + editor.toUtf8() + "\n");
        MainWindow &w = f.start();
        QCOMPARE(w.fileBrowser().currentFolder(), pack);
        QCOMPARE(w.controls().lblDirPath->text(), pack);
        QCOMPARE(w.panel().restingColor(0), catalogue::PresentColor);
        QCOMPARE(w.controls().cmdOpenSample->text(), QStringLiteral("Ouvrir avec Ed"));
        QVERIFY(!w.exitMessage());
        w.close();
        QCOMPARE(fixtures::readBytes(f.settingsPath()),
                 "AudioEditorName=Ed\r\nAudioEditorPath=" + editor.toUtf8() +
                     "\r\nLastFolder=" + pack.toUtf8() + "\r\nLastSentence=\r\nExitMessage=0\r\n");
    }

    // Applied line by line at start-up: the editor that vanished took its name along, and the
    // one given after it has none.
    void repeatedEditorLinesAtStartUp() {
        fixtures::WindowFixture f;
        f.writeSettings("AudioEditorName=Ed\r\nAudioEditorPath=/no/such/editor\r"
                        "AudioEditorPath=/bin/true\n");
        MainWindow &w = f.start();
        QCOMPARE(w.controls().cmdOpenSample->text(), QStringLiteral("Ouvrir avec..."));
        QCOMPARE(w.editorLauncher().editorPath(), QStringLiteral("/bin/true"));
    }

    // A remembered sentence file of a million elements: refused at once, named, and forgotten.
    void overlongRememberedSentenceIsRefusedAtStartUp() {
        fixtures::WindowFixture f;
        QByteArray million;
        for (int i = 0; i < 1000000; ++i)
            million += "05;";
        const QString path =
            fixtures::writeBytes(f.programDir.filePath(QStringLiteral("million.txt")), million);
        f.writeSettings("LastSentence=" + path.toUtf8() + "\r\n");
        MainWindow &w = f.start();
        QCOMPARE(f.dialogs.messages.size(), 1);
        QCOMPARE(f.dialogs.messages[0].text,
                 QStringLiteral("Le fichier « ") + path +
                     QStringLiteral(" » est trop long pour être une phrase (plus de 1000 "
                                    "éléments) : il n'a pas été ouvert."));
        QVERIFY(w.composer().lastSentence().isEmpty());
        QVERIFY(w.composer().code().isEmpty());
    }

    void floodedKeysAreAppliedInOrderAndNulIsNeverWritten() {
        // 35,000 lines of one key, ended every way: each line given, in file order.
        QByteArray flood = "LastFolder=/premier\r\nExitMessage=0\r\n";
        const char *const ends[] = {"\n", "\r", "\r\n"};
        for (int i = 0; i < 35000; ++i)
            flood += "LastFolder=/dossier" + QByteArray::number(i) + ends[i % 3];
        const QList<app::SettingsLine> lines = app::parseSettings(flood + "LastSentence=x");
        QCOMPARE(lines.size(), 35003);
        QCOMPARE(lines[1].key + u'=' + lines[1].value, QStringLiteral("ExitMessage=0"));
        QCOMPARE(lines[35001].key + u'=' + lines[35001].value,
                 QStringLiteral("LastFolder=/dossier34999"));
        QCOMPARE(lines[35002].key + u'=' + lines[35002].value, QStringLiteral("LastSentence=x"));

        app::SettingsValues values;
        values.lastFolder = QStringLiteral("/voix") + QChar(0) + QStringLiteral("x");
        values.audioEditorName = QStringLiteral("Nom") + QChar(0);
        QCOMPARE(app::formatSettings(values),
                 QByteArray("AudioEditorName=\r\nAudioEditorPath=\r\nLastFolder=\r\n"
                            "LastSentence=\r\nExitMessage=1\r\n"));
    }

    // Reading needs no window: exact keys, outer spaces dropped, a folder without an ordinary
    // file and an editor that cannot be run refused, a name read before a refused path dropped
    // with it and one read after it kept.
    void readValues() {
        QTemporaryDir dir;
        const QByteArray pack = makePack(dir, QStringLiteral("v")).toUtf8();
        const QByteArray root = dir.filePath(QStringLiteral("bare")).toUtf8();
        QVERIFY(QDir().mkpath(QString::fromUtf8(root) + QStringLiteral("/sub")));
        QVERIFY(!fixtures::writeBytes(QString::fromUtf8(root) + QStringLiteral("/.hidden.ogg"), "")
                     .isEmpty()); // a folder and a hidden file only
        const QByteArray editor = dir.filePath(QStringLiteral("editor")).toUtf8();
        const QByteArray plain = dir.filePath(QStringLiteral("plain")).toUtf8();
        QVERIFY(!fixtures::writeBytes(QString::fromUtf8(editor), "").isEmpty());
        QVERIFY(QFile::setPermissions(QString::fromUtf8(editor),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QVERIFY(!fixtures::writeBytes(QString::fromUtf8(plain), "").isEmpty());
        const QString program = QStringLiteral("/prog");
        const struct {
            QByteArray settings;
            const char *name;
            QByteArray path, folder, sentence;
            bool exitMessage;
        } cases[] = {
            {"lastfolder=" + pack + "\r\nLastFolder =" + pack +
                 "\r\nno equals sign\r\n=orphan\r\nExitMessage=maybe",
             "",
             {},
             {},
             {},
             true},
            {"ExitMessage=0\nLastFolder=  " + pack + "  \nLastSentence= /p.txt ",
             "",
             {},
             pack + '/',
             "/p.txt",
             false},
            {"LastFolder=" + root, "", {}, "/prog", {}, true},
            {"LastFolder=/no/such/folder/at/all", "", {}, "/prog", {}, true},
            {"LastFolder=  ", "", {}, "/prog", {}, true},
            {"AudioEditorName=  Audacieux \r\nAudioEditorPath=" + editor,
             "Audacieux",
             editor,
             {},
             {},
             true},
            {"AudioEditorName=Audacieux\r\nAudioEditorPath=/gone/editor", "", {}, {}, {}, true},
            {"AudioEditorName=Audacieux\r\nAudioEditorPath=" + root, "", {}, {}, {}, true},
            {"AudioEditorName=Audacieux\r\nAudioEditorPath=" + plain, "", {}, {}, {}, true},
            {"AudioEditorPath=/gone/editor\r\nAudioEditorName=Audacieux",
             "Audacieux",
             {},
             {},
             {},
             true},
            // A key given twice is applied twice: the vanished editor forgot the name.
            {"AudioEditorName=Ed\r\nAudioEditorPath=/gone/editor\r\nAudioEditorPath=" + editor,
             "",
             editor,
             {},
             {},
             true},
            {"ExitMessage=0\r\nExitMessage=oui\r\nLastSentence=/a\r\nLastSentence=/b",
             "",
             {},
             {},
             "/b",
             false},
            // Line ends of old Mac editors, and of every kind mixed.
            {"ExitMessage=0\rLastFolder=  " + pack + "  \rLastSentence= /p.txt ",
             "",
             {},
             pack + '/',
             "/p.txt",
             false},
            {"ExitMessage=0\r\rLastSentence=/p.txt\n\r\nAudioEditorName=Ed\rAudioEditorPath=" +
                 editor,
             "Ed",
             editor,
             {},
             "/p.txt",
             false},
        };
        for (const auto &c : cases) {
            const app::SettingsValues v = app::readSettingsValues(c.settings + "\r\n", program);
            QCOMPARE(v.audioEditorName, QString::fromUtf8(c.name));
            QCOMPARE(v.audioEditorPath, QString::fromUtf8(c.path));
            QCOMPARE(v.lastFolder, QString::fromUtf8(c.folder));
            QCOMPARE(v.lastSentence, QString::fromUtf8(c.sentence));
            QCOMPARE(v.exitMessage, c.exitMessage);
        }
        // A garbled file gives nothing harmful.
        QByteArray junk;
        for (int i = 0; i < 4096; ++i)
            junk.append(char((i * 7919) & 0xFF));
        const app::SettingsValues v = app::readSettingsValues(junk, program);
        QVERIFY(v.lastFolder.isEmpty() && v.audioEditorPath.isEmpty() && v.exitMessage);
    }

    void folderNamesCannotWriteOtherKeys() {
        QTemporaryDir packs;
        // Names that would add whole lines to the file, and names that are only unusual.
        const struct {
            QString name;
            bool remembered;
        } cases[] = {
            {QStringLiteral("x\nAudioEditorName=PWNED\nAudioEditorPath=/bin/sh"), false},
            {QStringLiteral("cr\rExitMessage=0"), false},
            {QStringLiteral("crlf\r\nLastSentence=/etc/passwd"), false},
            {QStringLiteral("guillemets \"a\" 'b' =c"), true},
        };
        for (const auto &c : cases) {
            const QString pack = makePack(packs, c.name);
            fixtures::WindowFixture f;
            MainWindow *w = f.startOn(pack);
            QVERIFY(w);
            QCOMPARE(w->fileBrowser().currentFolder(), pack);
            w->close();
            const QList<app::SettingsLine> lines =
                app::parseSettings(fixtures::readBytes(f.settingsPath()));
            QCOMPARE(lines.size(), 5);
            QCOMPARE(lines[2].key, QStringLiteral("LastFolder"));
            QCOMPARE(lines[2].value, c.remembered ? pack : QString());
            // The next start opens it again or falls back; nothing else has moved.
            f.window.reset();
            MainWindow &again = f.start();
            QCOMPARE(again.fileBrowser().currentFolder(), c.remembered ? pack : f.programFolder());
            QCOMPARE(again.controls().cmdOpenSample->text(), QStringLiteral("Ouvrir avec..."));
            QVERIFY(again.editorLauncher().editorPath().isEmpty());
            QVERIFY(again.exitMessage());
            QVERIFY(again.composer().lastSentence().isEmpty());
        }
        // Every other value is kept out the same way.
        app::SettingsValues values;
        values.audioEditorName = QStringLiteral("a\rb");
        values.audioEditorPath = QStringLiteral("/x\n");
        values.lastFolder = QStringLiteral("/voix");
        values.lastSentence = QStringLiteral("/p\nq.txt");
        QCOMPARE(app::formatSettings(values),
                 QByteArray("AudioEditorName=\r\nAudioEditorPath=\r\nLastFolder=/voix\r\n"
                            "LastSentence=\r\nExitMessage=1\r\n"));
    }

    void truthValues() {
        const std::pair<const char *, std::optional<bool>> cases[] = {
            {"0", false},   {"1", true}, {"-1", true},      {"False", false},
            {"true", true}, {"oui", {}}, {"", std::nullopt}};
        for (const auto &[text, truth] : cases)
            QCOMPARE(app::readTruth(QString::fromLatin1(text)), truth);
    }

    void savingIsAllOrNothing() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("settings.ini"));
        app::SettingsValues values;
        values.lastFolder = QStringLiteral("/données/voix");
        QVERIFY(app::writeSettings(path, values));
        const QByteArray before = fixtures::readBytes(path);
        QVERIFY(before.contains("LastFolder=/donn\xc3\xa9"
                                "es/voix\r\n"));
        // Round trip of an accented path.
        const auto lines = app::parseSettings(before);
        QCOMPARE(lines[2].value, QStringLiteral("/données/voix"));
        // Writing where no file can be made leaves no partial file and reports the failure.
        QVERIFY(!app::writeSettings(dir.filePath(QStringLiteral("missing/settings.ini")), values));
        QCOMPARE(fixtures::readBytes(path), before);
    }

    void locationFallsBackWhenFolderIsReadOnly() {
        QTemporaryDir dir;
        QCOMPARE(app::settingsFolder(dir.path()), dir.path());
        QVERIFY(app::settingsFolder(QStringLiteral("/proc")) != QStringLiteral("/proc"));
        // Installed in /usr/bin, it keeps its settings in the user's folder even when run as root.
        const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
        QCOMPARE(app::settingsFolder(QStringLiteral("/usr/bin")), config);
        QCOMPARE(app::settingsFolder(QStringLiteral("/opt/parlotte/bin")), config);
        // Nor does it show its own folder at the first start: no pack lives there.
        QCOMPARE(app::defaultFolder(QStringLiteral("/usr/bin")), QDir::homePath());
        QCOMPARE(app::defaultFolder(dir.path()), dir.path());
    }
};

QTEST_MAIN(TestSettings)
#include "test_settings.moc"
