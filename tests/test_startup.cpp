// Start-up: the designed controls, the engine's two failure messages, the title, the focus, the
// current directory.
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include "audio/EngineOpening.h"
#include "audio/SdlOutput.h"
#include "catalogue/PromptPanel.h"
#include "fixtures/WindowFixture.h"
#include "ui/DirList.h"
#include "ui/DriveList.h"
#include "ui/FileList.h"
#include "ui/PositionBar.h"
#include "ui/PromptButton.h"
#include "ui/Twips.h"

namespace {

struct DesignedControl {
    const char *name;
    int tab;
    bool inFrame;
    int left, top, width, height;
    const char *caption; // nullptr: not a captioned control
};

// The window's designed controls in Tab order (positions in twips).
const DesignedControl designed[] = {
    {"Drive1", 0, false, 60, 30, 5415, 330, nullptr},
    {"Dir1", 1, false, 60, 390, 5415, 2490, nullptr},
    {"lblDirPath", 2, false, 60, 2955, 5415, 255, nullptr},
    {"File1", 3, false, 5580, 75, 5415, 2820, nullptr},
    {"picSamplePos", 4, false, 5595, 2910, 4695, 300, nullptr},
    {"lblSampleTime", 5, false, 10335, 2910, 645, 300, "--:--"},
    {"chkFLBFilter_0", 6, false, 11340, 30, 1815, 345, "Tous les fichiers"},
    {"chkFLBFilter_1", 7, false, 11340, 360, 1815, 345, "MP1 / MP2 / MP3"},
    {"chkFLBFilter_2", 8, false, 11340, 690, 1815, 345, "OGG"},
    {"chkFLBFilter_3", 9, false, 11340, 1020, 1815, 345, "WAV"},
    {"cmdOpenSample", 10, false, 11100, 1695, 2295, 405, "Ouvrir avec..."},
    {"cmdAssign", 11, false, 11100, 2085, 2295, 405, "Affecter à... [F2]"},
    {"cmdReloadAll", 12, false, 11100, 2475, 2295, 405, "Recharger tous les sons"},
    {"cmdConvert", 13, false, 11100, 2865, 2295, 405, "&Convertir en .ogg [Ctrl]"},
    {"fraSamples", 14, false, 60, 3300, 13335, 6015, nullptr},
    {"optSample_0", 15, true, 120, 360, 2175, 555, "Après"},
    {"cmdBackspace", 16, true, 11115, 5355, 1935, 555, ""},
    {"cmdValider", 17, true, 11115, 5355, 1935, 555, "Valider"},
    {"chkSentence", 18, false, 60, 9360, 885, 330, "&Phrase"},
    {"txtSentence", 19, false, 1020, 9360, 12375, 960, nullptr},
    {"chkListen", 20, false, 60, 9675, 885, 330, "&Ecouter"},
    {"cmdOpenSentence", 21, false, 60, 9990, 450, 330, ""},
    {"cmdSaveSentence", 22, false, 495, 9990, 450, 330, ""},
    {"cmdDummy", 23, false, -420, -90, 195, 255, ""},
};

} // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void controlTable() {
        fixtures::WindowFixture f;
        MainWindow &w = f.start();
        QCOMPARE(w.size(), QSize(897, 690));
        QCOMPARE(w.minimumSize(), w.maximumSize());
        QCOMPARE(w.windowTitle(), QStringLiteral("Parlotte 1.32"));
        QVERIFY(w.isVisible());
        QCOMPARE(w.windowIcon().availableSizes().size(), 3);

        int tab = 0;
        for (const DesignedControl &c : designed) {
            QWidget *widget = w.findChild<QWidget *>(QString::fromLatin1(c.name));
            QVERIFY2(widget, c.name);
            QCOMPARE(widget->property("tabIndex").toInt(), tab++);
            QCOMPARE(widget->parentWidget(),
                     c.inFrame ? static_cast<QWidget *>(w.controls().fraSamples) : &w);
            QCOMPARE(widget->geometry(), ui::twipsRect(c.left, c.top, c.width, c.height));
            if (!c.caption)
                continue;
            const QString caption = QString::fromUtf8(c.caption);
            if (auto *button = qobject_cast<QPushButton *>(widget))
                QCOMPARE(button->text(), caption);
            else if (auto *label = qobject_cast<QLabel *>(widget))
                QCOMPARE(label->text(), caption);
        }
        QCOMPARE(tab, 24);

        const ui::Controls &c = w.controls();
        QCOMPARE(c.fraSamples->title(),
                 QStringLiteral(" Clic gauche : écouter le son (ou ajouter à la phrase)  -  Clic "
                                "droit : recharger le fichier "));
        QVERIFY(c.fraSamples->font().bold());
        QVERIFY(c.cmdValider->font().bold());
        QCOMPARE(c.cmdValider->font().pointSizeF(), 11.25);
        QCOMPARE(c.cmdBackspace->toolTip(), QStringLiteral("Effacer le dernier élément"));
        QCOMPARE(c.cmdOpenSentence->toolTip(),
                 QStringLiteral("Ouvrir un fichier \"phrase\" [Ctrl+O]"));
        QCOMPARE(c.cmdSaveSentence->toolTip(),
                 QStringLiteral("Enregistrer la phrase sous... [Ctrl+S]"));

        // Initial state: hidden, disabled, stopped.
        QVERIFY(!c.cmdBackspace->isVisible());
        QVERIFY(!c.cmdValider->isVisible());
        QVERIFY(!c.chkListen->isEnabled());
        QVERIFY(!c.chkSentence->isChecked());
        QVERIFY(!c.tmrPlaySample->isActive());
        QVERIFY(!c.tmrPlaySentence->isActive());
        QVERIFY(!c.tmrFrame->isActive());
        QCOMPARE(c.picSamplePos->drawnEnd(), 0);
        QVERIFY(c.txtSentence->toPlainText().isEmpty());

        // The focus rests on the off-screen sink, which lies wholly left of the client area.
        QVERIFY(c.cmdDummy->isVisible() && c.cmdDummy->isEnabled());
        QVERIFY(c.cmdDummy->geometry().right() < 0);
        QApplication::setActiveWindow(&w);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(c.cmdDummy));
        // Buttons are no Tab stops.
        QCOMPARE(c.cmdReloadAll->focusPolicy(), Qt::NoFocus);
        QCOMPARE(w.panel().button(10)->focusPolicy(), Qt::NoFocus);

        // The folder list shows the program's folder, and so does the label.
        QCOMPARE(w.fileBrowser().currentFolder(), f.programFolder());
        QCOMPARE(c.lblDirPath->text(), f.programFolder());
        QCOMPARE(QDir::currentPath(), QDir(f.programFolder()).canonicalPath());
    }

    // Outdated libraries, or an engine that does not start: each told, and start-up goes on;
    // the same when the engine was opened on its own thread while the window was built.
    void engineFailuresAreReportedAndStartUpGoesOn_data() {
        QTest::addColumn<bool>("initFails");
        QTest::addColumn<bool>("openedAhead");
        QTest::newRow("outdated") << false << false;
        QTest::newRow("init fails") << true << false;
        QTest::newRow("outdated, opened ahead") << false << true;
        QTest::newRow("init fails, opened ahead") << true << true;
    }
    void engineFailuresAreReportedAndStartUpGoesOn() {
        QFETCH(bool, initFails);
        QFETCH(bool, openedAhead);
        {
            fixtures::WindowFixture f;
            QStringList told;
            if (initFails) {
                f.engine.initFails = true;
                f.engine.initError = QStringLiteral("No available audio device");
                told = {QStringLiteral(
                    "Impossible d'initialiser SDL2 !\r\nErreur No available audio device")};
            } else {
                f.engine.outdated = {QStringLiteral("SDL2"), QStringLiteral("libsndfile")};
                told = {QStringLiteral("Version incorrecte de SDL2 !"),
                        QStringLiteral("Version incorrecte de libsndfile !")};
            }
            std::optional<audio::EngineOpening> opening;
            if (openedAhead)
                opening.emplace(f.engine, -1, 44100);
            MainWindow &w = f.start(opening ? &*opening : nullptr);
            QCOMPARE(f.dialogs.messages.size(), told.size());
            for (int i = 0; i < told.size(); ++i) {
                QCOMPARE(f.dialogs.messages[i].text, told[i]);
                QCOMPARE(f.dialogs.messages[i].title, QStringLiteral("Erreur"));
                QCOMPARE(f.dialogs.messages[i].icon, ui::Icon::Critical);
                QCOMPARE(f.dialogs.messages[i].buttons, ui::Buttons::Ok);
            }
            QCOMPARE(f.engine.initCalls, 1);
            QVERIFY(w.isVisible());
            QCOMPARE(
                w.findChildren<QPushButton *>(QRegularExpression(QStringLiteral("^optSample_")))
                    .size(),
                59);
            QVERIFY(QFile::exists(f.settingsPath()));
        }
    }

    // A killed run's leftover in the folder and beside the settings: swept, but only once the
    // window's first frame is drawn, so the sweep never delays it.
    void leftoversGoAfterTheFirstFrame() {
        fixtures::WindowFixture f;
        f.writeSettings("ExitMessage=1\r\n");
        // No process can have this number: pid_max is at most 2^22.
        const QString leftover = f.programDir.filePath(QStringLiteral(".parlotte-99999999-0.wav"));
        QFile(leftover).open(QIODevice::WriteOnly);
        MainWindow &w = f.start();
        QVERIFY(QFile::exists(leftover));
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTRY_VERIFY(!QFile::exists(leftover));
    }

    void realEngineWithoutDeviceStillStarts() {
        // No device at all: the real engine, opened ahead on its own thread as the program
        // opens it, reports its failure; decoding still works.
        qputenv("SDL_AUDIODRIVER", "no-such-driver");
        QTemporaryDir dir;
        audio::SdlOutput output;
        audio::SoundEngine engine(output);
        audio::EngineOpening opening(engine, -1, 44100);
        fixtures::ScriptedDialogs dialogs;
        MainWindow w(dir.path(), engine, dialogs);
        w.setEngineOpening(&opening);
        w.start();
        qputenv("SDL_AUDIODRIVER", "dummy");
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY(dialogs.messages[0].text.startsWith(
            QStringLiteral("Impossible d'initialiser SDL2 !\r\nErreur ")));
        QVERIFY(dialogs.messages[0].text.size() > 40);
        QVERIFY(w.isVisible());
        w.close();
    }
};

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
