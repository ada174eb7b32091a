// The program as an installed desktop application: the installed tree, its .desktop entry and
// metainfo validated by the desktop's own tools, and Qt's standard texts in French.
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "ui/QtFrench.h"

namespace {

struct Run {
    int exitCode = -1;
    QString output;
};

Run run(const QString &program, const QStringList &args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    Run r;
    if (p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit)
        r.exitCode = p.exitCode();
    r.output = QString::fromUtf8(p.readAll());
    return r;
}

QString tool(const char *name) {
    const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
    if (path.isEmpty())
        qWarning("%s is missing (scripts/install-deps.sh installs it)", name);
    return path;
}

} // namespace

class TestDesktop : public QObject {
    Q_OBJECT
private slots:
    void installedTree() {
        const QString buildDir = QFileInfo(qEnvironmentVariable("PARLOTTE_PROGRAM")).absolutePath();
        QTemporaryDir prefix;
        Run r = run(tool("cmake"), {QStringLiteral("--install"), buildDir,
                                    QStringLiteral("--prefix"), prefix.path()});
        QVERIFY2(r.exitCode == 0, qPrintable(r.output));

        const QString id = QStringLiteral("org.parlotte.Parlotte");
        const QString share = prefix.path() + QStringLiteral("/share/");
        const QStringList expected = {
            QStringLiteral("bin/parlotte"),
            QStringLiteral("share/applications/") + id + QStringLiteral(".desktop"),
            QStringLiteral("share/metainfo/") + id + QStringLiteral(".metainfo.xml"),
            QStringLiteral("share/icons/hicolor/16x16/apps/") + id + QStringLiteral(".png"),
            QStringLiteral("share/icons/hicolor/48x48/apps/") + id + QStringLiteral(".png"),
            QStringLiteral("share/icons/hicolor/256x256/apps/") + id + QStringLiteral(".png"),
            QStringLiteral("share/icons/hicolor/scalable/apps/") + id + QStringLiteral(".svg"),
            QStringLiteral("share/man/man1/parlotte.1.gz"),
            QStringLiteral("share/doc/parlotte/copyright"),
            QStringLiteral("share/doc/parlotte/changelog.gz")};
        for (const QString &file : expected)
            QVERIFY2(QFileInfo(prefix.filePath(file)).isFile(), qPrintable(file));

        r = run(prefix.filePath(QStringLiteral("bin/parlotte")), {QStringLiteral("--version")});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.output.startsWith(QStringLiteral("Parlotte ")));

        // A folder handed over by a file manager opens; no address that leads nowhere.
        QFile desktop(share + QStringLiteral("applications/") + id + QStringLiteral(".desktop"));
        QVERIFY(desktop.open(QIODevice::ReadOnly));
        QVERIFY(desktop.readAll().contains("\nExec=parlotte %f\n"));
        QFile metainfo(share + QStringLiteral("metainfo/") + id + QStringLiteral(".metainfo.xml"));
        QVERIFY(metainfo.open(QIODevice::ReadOnly));
        QVERIFY(!metainfo.readAll().contains("://"));

        r = run(tool("desktop-file-validate"),
                {share + QStringLiteral("applications/") + id + QStringLiteral(".desktop")});
        QVERIFY2(r.exitCode == 0 && r.output.isEmpty(), qPrintable(r.output));
        r = run(tool("appstreamcli"),
                {QStringLiteral("validate"), QStringLiteral("--no-net"),
                 QStringLiteral("--pedantic"),
                 share + QStringLiteral("metainfo/") + id + QStringLiteral(".metainfo.xml")});
        QVERIFY2(r.exitCode == 0, qPrintable(r.output));
    }

    // Debian's own checker finds neither error nor warning in the package.
    void packagePassesLintian() {
        const QString buildDir = QFileInfo(qEnvironmentVariable("PARLOTTE_PROGRAM")).absolutePath();
        QTemporaryDir out;
        Run r = run(tool("cpack"),
                    {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
                     buildDir + QStringLiteral("/CPackConfig.cmake"), QStringLiteral("-B"),
                     out.path()});
        QVERIFY2(r.exitCode == 0, qPrintable(r.output));
        const QStringList debs = QDir(out.path()).entryList({QStringLiteral("*.deb")});
        QCOMPARE(debs.size(), 1);
        r = run(tool("lintian"), {QStringLiteral("--no-tag-display-limit"), out.filePath(debs[0])});
        QStringList tags;
        for (const QString &line : r.output.split(u'\n'))
            if (line.startsWith(u"E: ") || line.startsWith(u"W: "))
                tags << line;
        QVERIFY2(r.exitCode == 0 && tags.isEmpty(), qPrintable(r.output));
    }

    void qtSpeaksFrench() {
        QVERIFY2(ui::installQtFrench(), "qtbase_fr.qm not found (package qt6-translations-l10n)");
        QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel |
                             QDialogButtonBox::Save | QDialogButtonBox::Yes | QDialogButtonBox::No);
        QCOMPARE(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Annuler"));
        QCOMPARE(box.button(QDialogButtonBox::Save)->text(), QStringLiteral("Enregistrer"));
        QCOMPARE(box.button(QDialogButtonBox::No)->text(), QStringLiteral("&Non"));
        // The file dialog's own labels and its overwrite question.
        QCOMPARE(QCoreApplication::translate("QFileDialog", "Look in:"),
                 QStringLiteral("Voir dans :"));
        QVERIFY(QCoreApplication::translate("QFileDialog",
                                            "%1 already exists.\nDo you want to replace it?")
                    .endsWith(QStringLiteral("Voulez-vous l'écraser ?")));
    }
};

QTEST_MAIN(TestDesktop)
#include "test_desktop.moc"
