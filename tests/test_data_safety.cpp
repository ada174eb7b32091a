// What the user wrote survives real failures: a full disk, a read-only folder, a settings.ini
// that is a folder. Every refusal here is real (a tiny tmpfs, a read-only bind mount); where
// mounting is impossible the case is skipped with the reason.
#include <QLabel>
#include <QtTest>
#include <sys/stat.h>
#include <unistd.h>

#include "app/Settings.h"
#include "core/SafeFile.h"
#include "fixtures/Bytes.h"
#include "fixtures/Mounts.h"
#include "fixtures/WindowFixture.h"
#include "sentence/SentenceComposer.h"

using namespace Qt::StringLiterals;
using fixtures::readBytes;
using fixtures::writeBytes;

namespace {

const QByteArray OldSettings =
    "AudioEditorName=\r\nAudioEditorPath=\r\nLastFolder=\r\nLastSentence=\r\nExitMessage=0\r\n";

QString failure(const QString &path, const QString &cause) {
    return u"Impossible d'enregistrer le fichier « "_s + path + u" » :\r\n"_s + cause + u'.';
}

QString settingsFailure(const QString &path, const QString &cause) {
    return failure(path, cause) +
           u"\r\nLes réglages de cette séance ne seront pas retrouvés au prochain lancement."_s;
}

void checkError(const fixtures::ScriptedDialogs::Message &m, const QString &text) {
    QCOMPARE(m.text, text);
    QCOMPARE(m.title, u"Erreur"_s);
    QCOMPARE(m.icon, ui::Icon::Critical);
    QCOMPARE(m.buttons, ui::Buttons::Ok);
}

// Saves "Après ; 300" through the composer's dialog, to `path`.
void saveSentence(fixtures::WindowFixture &f, const QString &path) {
    f.window->composer().setSentenceMode(true);
    f.window->composer().append(0);
    f.window->composer().append(5);
    f.dialogs.fileAnswers = {path};
    f.window->composer().saveSentence();
}

QString makePack(const QTemporaryDir &dir, const QString &name) {
    const QString folder = dir.filePath(name);
    QDir().mkpath(folder);
    writeBytes(folder + u"/After.ogg"_s, "x");
    return folder;
}

QString configSettings() {
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + u"/settings.ini"_s;
}

} // namespace

class TestDataSafety : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { QFile::remove(configSettings()); }
    void cleanup() { QFile::remove(configSettings()); }

    void wholeFileWriter() {
        QTemporaryDir dir;
        const QString path = writeBytes(dir.filePath(u"phrase.txt"_s), "13\r\n");
        QVERIFY(::chmod(QFile::encodeName(path), 0640) == 0);
        const QString link = dir.filePath(u"lien.txt"_s);
        QVERIFY(QFile::link(path, link));
        // Through a link the file it names is replaced; the link stays, and so do the rights.
        QVERIFY(core::writeWholeFile(link, "00;05\r\n").ok);
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(readBytes(path), QByteArray("00;05\r\n"));
        struct stat st {};
        QVERIFY(::stat(QFile::encodeName(path), &st) == 0);
        QCOMPARE(st.st_mode & 0777, 0640u);

        QVERIFY(::mkfifo(QFile::encodeName(dir.filePath(u"fifo"_s)), 0644) == 0);
        const struct {
            QString path;
            QString cause;
        } refused[] = {
            {dir.filePath(u"missing/phrase.txt"_s), u"le dossier n'existe pas"_s},
            {dir.path(), u"ce nom est celui d'un dossier"_s},
            {dir.filePath(u"fifo"_s), u"ce nom n'est pas celui d'un fichier ordinaire"_s},
        };
        for (const auto &r : refused) {
            const core::WriteResult result = core::writeWholeFile(r.path, "x");
            QVERIFY(!result.ok);
            QCOMPARE(result.cause, r.cause);
        }
        // Nothing is left behind by the refusals.
        QCOMPARE(
            QDir(dir.path())
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
            (QStringList{u"fifo"_s, u"lien.txt"_s, u"phrase.txt"_s}));
    }

    void fullDisk() {
        fixtures::WindowFixture f;
        fixtures::Mount disk = fixtures::Mount::tmpfs(f.programFolder());
        if (!disk.ok())
            QSKIP(disk.why().constData());
        f.writeSettings(OldSettings);
        const QString sentence = writeBytes(f.programDir.filePath(u"phrase.txt"_s), "13\r\n");
        MainWindow &w = f.start();
        QVERIFY(f.dialogs.messages.isEmpty());
        QVERIFY(fixtures::fillUp(f.programFolder()));

        saveSentence(f, sentence);
        QCOMPARE(f.dialogs.messages.size(), 1);
        checkError(f.dialogs.messages[0], failure(sentence, u"le disque est plein"_s));
        QCOMPARE(readBytes(sentence), QByteArray("13\r\n"));
        QVERIFY(w.state().lastSentence.isEmpty());

        // The close is told and goes on; settings.ini stays as it was.
        w.state().exitMessage = false; // no farewell box between
        w.close();
        QVERIFY(!w.isVisible());
        QCOMPARE(f.dialogs.messages.size(), 2);
        checkError(f.dialogs.messages[1],
                   settingsFailure(f.settingsPath(), u"le disque est plein"_s));
        QCOMPARE(readBytes(f.settingsPath()), OldSettings);
        QCOMPARE(QDir(f.programFolder()).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{u"filler"_s, u"phrase.txt"_s, u"settings.ini"_s}));
    }

    void readOnlyProgramFolder() {
        QTemporaryDir packs;
        const QString first = makePack(packs, u"premier"_s);
        const QString second = makePack(packs, u"second"_s);
        fixtures::WindowFixture f;
        const QByteArray old = "LastFolder=" + first.toUtf8() + "\r\nExitMessage=0\r\n";
        f.writeSettings(old);
        const QString sentence = writeBytes(f.programDir.filePath(u"phrase.txt"_s), "13\r\n");
        fixtures::Mount readOnly = fixtures::Mount::readOnly(f.programFolder());
        if (!readOnly.ok())
            QSKIP(readOnly.why().constData());

        // First run: the program folder's file still holds the latest values.
        QCOMPARE(f.start().state().currentFolder, first);
        QVERIFY(!f.window->state().exitMessage);
        saveSentence(f, sentence);
        QCOMPARE(f.dialogs.messages.size(), 1);
        checkError(f.dialogs.messages[0], failure(sentence, u"le support est en lecture seule"_s));
        QCOMPARE(readBytes(sentence), QByteArray("13\r\n"));
        QVERIFY(f.window->state().lastSentence.isEmpty());
        QVERIFY(f.window->fileBrowser().pointAt(second));
        f.window->close();
        QCOMPARE(f.dialogs.messages.size(), 1);
        QCOMPARE(readBytes(f.settingsPath()), old);

        // Second run, still read-only: the configuration folder's file is the newer one.
        f.window.reset();
        QCOMPARE(f.start().state().currentFolder, second);
        QVERIFY(!f.window->state().exitMessage);
        f.window->close();

        // Writable again: the program folder's own file is the only one read, whatever the
        // configuration folder holds (it may be another copy's).
        readOnly.undo();
        f.window.reset();
        QCOMPARE(f.start().state().currentFolder, first);
        f.window->close();
        QVERIFY(readBytes(f.settingsPath()).contains("LastFolder=" + first.toUtf8() + "\r\n"));
        QCOMPARE(f.dialogs.messages.size(), 1);
    }

    void settingsFileIsAFolder() {
        fixtures::WindowFixture f;
        QVERIFY(QDir().mkdir(f.settingsPath()));
        MainWindow &w = f.start(); // creating the missing file fails: told, start-up goes on
        QVERIFY(w.isVisible());
        w.state().exitMessage = false; // no farewell box between
        w.close();
        QVERIFY(!w.isVisible());
        const QString told = settingsFailure(f.settingsPath(), u"ce nom est celui d'un dossier"_s);
        QCOMPARE(f.dialogs.messages.size(), 2);
        checkError(f.dialogs.messages[0], told);
        checkError(f.dialogs.messages[1], told);
        QVERIFY(QFileInfo(f.settingsPath()).isDir());
    }
};

QTEST_MAIN(TestDataSafety)
#include "test_data_safety.moc"
