// The window's long jobs through their one controller, a conversion and a preparation alike: the
// progress window, "Annuler", Escape in the progress window and at the focus sink, a second
// command refused while one runs (naming the running job, asking nothing), the question on
// close naming the job, and the close waiting for the job before the sound engine stops. The
// encoder is a stand-in that writes half a file and hangs, so every job is caught mid-run; each
// ends with its folder exactly as it was, nothing partial or hidden left.
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "app/Farewell.h"
#include "app/JobController.h"
#include "app/JobProgress.h"
#include "app/PrepareController.h"
#include "app/PrepareDialog.h"
#include "core/BatchRunner.h"
#include "core/SampleTable.h"
#include "fixtures/Bytes.h"
#include "fixtures/SoundFiles.h"
#include "fixtures/WindowFixture.h"
#include "tools/ConvertController.h"
#include "ui/FileList.h"

using namespace Qt::StringLiterals;
using Message = fixtures::ScriptedDialogs::Message;

namespace {

enum class Kind { Convert, Prepare };
enum class Stop { Annuler, EscapeInProgress, EscapeAtSink };

QString idOf(int row) {
    return core::samples()[static_cast<std::size_t>(row)].id;
}

QMap<QString, QByteArray> contents(const QString &dir) {
    QMap<QString, QByteArray> files;
    for (const QString &name : QDir(dir).entryList(QDir::Files | QDir::Hidden))
        files[name] = fixtures::readBytes(QDir(dir).filePath(name));
    return files;
}

// The window on a pack of three prompts, with a hanging encoder in its program folder. A
// preparation writes beside the pack, over an older take it is allowed to replace.
struct Jobs {
    QTemporaryDir pack, out;
    fixtures::WindowFixture f;
    MainWindow *w = nullptr;
    const QString dst = out.filePath(u"pret"_s);

    bool open() {
        for (int row = 0; row < 3; ++row)
            if (fixtures::makeWav(pack.path(), idOf(row) + u".wav"_s, 22050).isEmpty())
                return false;
        if (fixtures::makeMp3(pack.path(), u"essai.mp3"_s, 0.5).isEmpty() || !QDir().mkpath(dst) ||
            fixtures::writeBytes(QDir(dst).filePath(idOf(0) + u".ogg"_s), "an older take")
                .isEmpty() ||
            fixtures::writeProgram(
                f.programDir.filePath(u"oggenc"_s),
                "#!/bin/sh\nfor a in \"$@\"; do [ \"$p\" = -o ] && o=$a; p=$a; done\n"
                "head -c 700 /dev/urandom > \"$o\"\ntouch \"$0.started.$$\"\nexec sleep 600\n")
                .isEmpty())
            return false;
        w = f.startOn(pack.path());
        return w != nullptr;
    }

    static QString name(Kind k) {
        return k == Kind::Convert ? u"Une conversion"_s : u"Une préparation du pack"_s;
    }
    QString folder(Kind k) const { return k == Kind::Convert ? pack.path() : dst; }
    qsizetype encoders() const {
        return QDir(f.programFolder()).entryList({u"*.started.*"_s}, QDir::Files).size();
    }

    // The command as the user gives it: Alt+C on the three prompts, or Ctrl+Shift+P answered
    // with the destination, the loudness and "replace".
    void command(Kind k) {
        if (k == Kind::Convert) {
            ui::FileList *list = w->controls().File1;
            list->clearSelection();
            for (int row = 0; row < 3; ++row)
                list->findItems(idOf(row) + u".wav"_s, Qt::MatchExactly).first()->setSelected(true);
            w->controls().cmdConvert->click();
        } else {
            f.dialogs.answers = {ui::Answer::Ok};
            // The dialog, once up, given the destination and Enter; a refused command shows none.
            QTimer::singleShot(0, [this] {
                if (auto *d =
                        qobject_cast<app::PrepareDialog *>(QApplication::activeModalWidget())) {
                    d->findChild<QLineEdit *>(u"txtDestination"_s)->setText(dst);
                    QTest::keyClick(d->focusWidget() ? d->focusWidget() : d, Qt::Key_Return);
                }
            });
            w->preparer().action()->trigger();
        }
    }

    // Started, and caught with an encoder running for each task that runs at once.
    void start(Kind k) {
        const qsizetype before = encoders();
        command(k);
        QVERIFY2(w->jobs().isRunning(), qPrintable(f.dialogs.messages.value(0).text));
        const int atOnce = std::min(3, core::BatchRunner::usableCores());
        QTRY_COMPARE_WITH_TIMEOUT(encoders() - before, atOnce, 60000);
        QVERIFY(w->jobs().progressDisplay().isVisible());
        QCOMPARE(w->jobs().progressDisplay().windowTitle(),
                 k == Kind::Convert ? u"Conversion en .ogg"_s : u"Préparation du pack"_s);
        QTRY_VERIFY(w->jobs().progressDisplay().fileText().startsWith(u"Fichier 1 sur 3 : "_s));
    }
};

} // namespace

class TestJobs : public QObject {
    Q_OBJECT
private slots:
    // Each job, stopped each way, after the other command and its own were refused.
    void cancelledEachWayAfterASecondCommandIsRefused() {
        Jobs j;
        QVERIFY(j.open());
        for (Kind k : {Kind::Convert, Kind::Prepare}) {
            for (Stop stop : {Stop::Annuler, Stop::EscapeInProgress, Stop::EscapeAtSink}) {
                const auto before = contents(j.folder(k));
                j.f.dialogs.messages.clear();
                j.start(k);
                if (QTest::currentTestFailed())
                    return;
                const qsizetype encoders = j.encoders();
                const qsizetype asked = j.f.dialogs.fileRequests.size();
                j.f.dialogs.messages.clear();
                for (Kind second : {Kind::Convert, Kind::Prepare})
                    j.command(second);
                const Message refused{Jobs::name(k) +
                                          u" est déjà en cours.\r\nAttendez qu'elle se termine ou "
                                          "annulez-la."_s,
                                      u"Attention !"_s, ui::Icon::Exclamation, ui::Buttons::Ok};
                QCOMPARE(j.f.dialogs.messages, (QList<Message>{refused, refused}));
                QCOMPARE(j.f.dialogs.fileRequests.size(), asked); // nothing asked
                j.f.dialogs.answers.clear();
                j.f.dialogs.messages.clear();

                app::JobProgress &progress = j.w->jobs().progressDisplay();
                if (stop == Stop::Annuler)
                    QTest::mouseClick(progress.findChild<QPushButton *>(u"cmdJobCancel"_s),
                                      Qt::LeftButton);
                else if (stop == Stop::EscapeInProgress)
                    QTest::keyClick(&progress, Qt::Key_Escape);
                else
                    j.w->controllers().keys.press(app::KeyPlace::Sink, Qt::Key_Escape,
                                                  Qt::NoModifier);
                QTRY_VERIFY_WITH_TIMEOUT(!j.w->jobs().isRunning(), 60000);
                QVERIFY(!progress.isVisible());
                QCOMPARE(j.encoders(), encoders); // no task started after the cancel
                // A cancel is no failure: the preparation sums it up, the conversion says nothing.
                QList<Message> told;
                if (k == Kind::Prepare)
                    told << Message{u"Préparation annulée : 0 message(s) sur 3 préparé(s) dans "
                                    "« %1 », aucun fichier partiel."_s.arg(j.dst),
                                    u"Préparer le pack"_s, ui::Icon::Information, ui::Buttons::Ok};
                QCOMPARE(j.f.dialogs.messages, told);
                QCOMPARE(contents(j.folder(k)), before);
            }
        }
    }

    // Closing mid-job asks, naming the job; No keeps both; Yes ends the job before the sound
    // engine stops, and leaves the folder as it was.
    void closingAsksThenWaitsForTheJob() {
        for (Kind k : {Kind::Convert, Kind::Prepare}) {
            Jobs j;
            QVERIFY(j.open());
            const auto before = contents(j.folder(k));
            j.start(k);
            if (QTest::currentTestFailed())
                return;
            j.f.dialogs.messages.clear();
            j.f.dialogs.answers = {ui::Answer::No, ui::Answer::Yes};
            QVERIFY(!j.w->close());
            QVERIFY(j.w->isVisible() && j.w->jobs().isRunning());
            const Message question{Jobs::name(k) + u" est en cours. Voulez-vous l'interrompre "
                                                   "et quitter ?"_s,
                                   u"Attention !"_s, ui::Icon::Question,
                                   ui::Buttons::YesNoDefaultNo};
            QCOMPARE(j.f.dialogs.messages, QList<Message>{question});
            bool runningAtStop = true;
            QMap<QString, QByteArray> atStop;
            j.f.engine.whenStopped = [&] {
                runningAtStop = j.w->jobs().isRunning();
                atStop = contents(j.folder(k));
            };
            QVERIFY(j.w->close());
            j.f.engine.whenStopped = nullptr;
            QVERIFY(!runningAtStop);
            QCOMPARE(atStop, before);
            // The question, then the farewell: the job's end is told to no one.
            QCOMPARE(j.f.dialogs.messages.size(), 3);
            QCOMPARE(j.f.dialogs.messages[2].title, app::FarewellTitle);
        }
    }
};

QTEST_MAIN(TestJobs)
#include "test_jobs.moc"
