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
        QVERIFY(w.state().exitMessage);
        QCOMPARE(fixtures::readBytes(f.settingsPath()),
                 ("AudioEditorName=\r\nAudioEditorPath=\r\nLastFolder=" +
                  f.programFolder().toUtf8() + "\r\nLastSentence=\r\nExitMessage=1\r\n"));
    }

    void rememberedFolderIsOpenedAndWrittenBack() {
        fixtures::WindowFixture f;
        QTemporaryDir packs;
        const QString pack = makePack(packs, QStringLiteral("Voix é"));
        // Padded with two spaces, LF-only line ends, keys in another order than written.
        f.writeSettings("ExitMessage=0\nLastFolder=  " + pack.toUtf8() + "  \n");
        MainWindow &w = f.start();
        QCOMPARE(w.state().currentFolder, pack);
        QCOMPARE(w.controls().lblDirPath->text(), pack);
        QCOMPARE(w.panel().restingColor(0), catalogue::PresentColor);
        QVERIFY(!w.state().exitMessage);
        w.close();
        QCOMPARE(fixtures::readBytes(f.settingsPath()),
                 "AudioEditorName=\r\nAudioEditorPath=\r\nLastFolder=" + pack.toUtf8() +
                     "\r\nLastSentence=\r\nExitMessage=0\r\n");
    }

    void keysAreExact() {
        fixtures::WindowFixture f;
        QTemporaryDir packs;
        const QString pack = makePack(packs, QStringLiteral("v"));
        f.writeSettings("lastfolder=" + pack.toUtf8() + "\r\nLastFolder =" + pack.toUtf8() +
                        "\r\nno equals sign\r\n=orphan\r\nExitMessage=maybe\r\n");
        MainWindow &w = f.start();
        QCOMPARE(w.state().currentFolder, f.programFolder());
        QVERIFY(w.state().exitMessage);
    }

    void folderWithoutOrdinaryFilesFallsBack() {
        fixtures::WindowFixture f;
        QTemporaryDir packs;
        QDir(packs.path()).mkdir(QStringLiteral("only-a-folder"));
        fixtures::writeBytes(packs.path() + QStringLiteral("/.hidden.ogg"), "");
        f.writeSettings("LastFolder=" + packs.path().toUtf8() + "\r\n");
        MainWindow &w = f.start();
        QCOMPARE(w.state().currentFolder, f.programFolder());

        fixtures::WindowFixture g;
        g.writeSettings("LastFolder=/no/such/folder/at/all\r\n");
        QCOMPARE(g.start().state().currentFolder, g.programFolder());
    }

    void editorNameAndPathInBothOrders() {
        QTemporaryDir dir;
        const QByteArray editor = dir.filePath(QStringLiteral("editor")).toUtf8();
        const QByteArray plain = dir.filePath(QStringLiteral("plain")).toUtf8();
        QVERIFY(!fixtures::writeBytes(QString::fromUtf8(editor), "").isEmpty());
        QVERIFY(QFile::setPermissions(QString::fromUtf8(editor),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QVERIFY(!fixtures::writeBytes(QString::fromUtf8(plain), "").isEmpty());
        // Only a regular file that can be run is an editor: not a folder, not a plain file; a
        // name read before a refused path is dropped with it, one read after it is kept.
        const struct {
            QByteArray settings;
            const char *caption;
            QByteArray path;
        } cases[] = {
            {"AudioEditorName=  Audacieux \r\nAudioEditorPath=" + editor, "Ouvrir avec Audacieux",
             editor},
            {"AudioEditorName=Audacieux\r\nAudioEditorPath=/gone/editor", "Ouvrir avec...", {}},
            {"AudioEditorName=Audacieux\r\nAudioEditorPath=" + dir.path().toUtf8(),
             "Ouvrir avec...",
             {}},
            {"AudioEditorName=Audacieux\r\nAudioEditorPath=" + plain, "Ouvrir avec...", {}},
            {"AudioEditorPath=/gone/editor\r\nAudioEditorName=Audacieux",
             "Ouvrir avec Audacieux",
             {}},
        };
        for (const auto &c : cases) {
            fixtures::WindowFixture f;
            f.writeSettings(c.settings + "\r\n");
            MainWindow &w = f.start();
            QCOMPARE(w.controls().cmdOpenSample->text(), QString::fromUtf8(c.caption));
            QCOMPARE(w.state().audioEditorPath, QString::fromUtf8(c.path));
        }
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
            QCOMPARE(w->state().currentFolder, pack);
            w->close();
            const QList<app::SettingsLine> lines =
                app::parseSettings(fixtures::readBytes(f.settingsPath()));
            QCOMPARE(lines.size(), 5);
            QCOMPARE(lines[2].key, QStringLiteral("LastFolder"));
            QCOMPARE(lines[2].value, c.remembered ? pack : QString());
            // The next start opens it again or falls back; nothing else has moved.
            f.window.reset();
            MainWindow &again = f.start();
            QCOMPARE(again.state().currentFolder, c.remembered ? pack : f.programFolder());
            QCOMPARE(again.controls().cmdOpenSample->text(), QStringLiteral("Ouvrir avec..."));
            QVERIFY(again.state().audioEditorPath.isEmpty());
            QVERIFY(again.state().exitMessage);
            QVERIFY(again.state().lastSentence.isEmpty());
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

    void garbledFileLoadsNothingHarmful() {
        fixtures::WindowFixture f;
        QByteArray junk;
        for (int i = 0; i < 4096; ++i)
            junk.append(char((i * 7919) & 0xFF));
        f.writeSettings(junk);
        MainWindow &w = f.start();
        QCOMPARE(w.state().currentFolder, f.programFolder());
        QVERIFY(w.isVisible());
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
