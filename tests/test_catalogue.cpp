// The prompt catalogue, the prompt grid, colours, tags and tooltips, and the file lookup.
#include <QFile>
#include <QGroupBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolTip>
#include <QtTest>
#include <algorithm>

#include "catalogue/PromptPanel.h"
#include "core/SampleLookup.h"
#include "core/SampleTable.h"
#include "files/FileBrowser.h"
#include "fixtures/ControllerRig.h"
#include "fixtures/SoundFiles.h"
#include "fixtures/WindowFixture.h"
#include "ui/PositionBar.h"
#include "ui/PromptButton.h"
#include "ui/Twips.h"
#include "ui/WaveformPainter.h"

using namespace catalogue;
using namespace core;
using namespace Qt::StringLiterals;

namespace {

void touch(const QString &dir, const QString &name) {
    QFile file(dir + u'/' + name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x");
}

} // namespace

class TestCatalogue : public QObject {
    Q_OBJECT
private slots:
    void catalogueRows() {
        QCOMPARE(int(sampleTable().size()), 59);
        QCOMPARE(samples()[0].id, QStringLiteral("After"));
        QCOMPARE(samples()[0].label, QStringLiteral("Après"));
        QCOMPARE(samples()[58].id, QStringLiteral("Yards"));
        QCOMPARE(samples()[58].label, QStringLiteral("Yards"));
        QCOMPARE(samples()[1].id, QStringLiteral("50"));
        QCOMPARE(samples()[21].caption, QStringLiteral("Tout droit,\r\nprenez le ferry"));
        QCOMPARE(samples()[21].label, QStringLiteral("Tout droit, prenez le ferry"));
        QCOMPARE(samples()[21].id, QStringLiteral("AhFerry"));
        QCOMPARE(samples()[53].id, QStringLiteral("TakeFerry"));
        QCOMPARE(samples()[14].label, QStringLiteral("Prenez la deuxième à gauche"));
        QCOMPARE(samples()[35].label, QStringLiteral("Prenez l'autoroute"));
        QCOMPARE(samples()[11].label, QStringLiteral("Mètres"));
        // Every entry splits into exactly a label and an id of letters and digits.
        QSet<QString> ids;
        for (int row = 0; row < SampleCount; ++row) {
            QCOMPARE(sampleTable()[row].count(u';'), 1);
            const QString &id = samples()[row].id;
            QVERIFY2(QRegularExpression(QStringLiteral("^[A-Za-z0-9]+$")).match(id).hasMatch(),
                     qPrintable(id));
            QVERIFY(samples()[row].caption.count(QStringLiteral("\r\n")) <= 1);
            ids.insert(id);
        }
        QCOMPARE(ids.size(), 59);
    }

    void gridPlacesEveryButtonInItsCell() {
        fixtures::WindowFixture f;
        MainWindow &w = f.start();
        const int lefts[6] = {120, 2295, 4470, 6645, 8820, 10995};
        const int tops[10] = {360, 915, 1470, 2025, 2580, 3135, 3690, 4245, 4800, 5355};
        for (int row = 0; row < SampleCount; ++row) {
            QPushButton *button =
                w.findChild<QPushButton *>(QStringLiteral("optSample_%1").arg(row));
            QVERIFY(button);
            QCOMPARE(button->parentWidget(), w.controls().fraSamples);
            QCOMPARE(button->geometry(), ui::twipsRect(lefts[row % 6], tops[row / 6], 2175, 555));
            QVERIFY(button->isVisible());
            QString caption = samples()[row].caption;
            QCOMPARE(button->text(), caption.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        }
    }

    // The file lookup, one folder at a time or from the folder's index: both find the same.
    void lookupOrderAndCase() {
        const auto both = [](const QString &folder, const QString &id) {
            const QString found = core::findSampleFile(folder, id);
            return found == core::FolderIndex(folder).find(id) ? found : u"<differ>"_s;
        };
        QTemporaryDir dir;
        touch(dir.path(), u"TurnRight.mp3"_s);
        touch(dir.path(), u"TurnRight.wav"_s);
        QCOMPARE(both(dir.path(), u"TurnRight"_s), u"TurnRight.mp3"_s);
        touch(dir.path(), u"turnright.OGG"_s);
        QCOMPARE(both(dir.path(), u"TurnRight"_s), u"turnright.OGG"_s);

        QTemporaryDir other;
        touch(other.path(), u"TurnRight.MP2"_s);
        touch(other.path(), u"TurnRightX.wav"_s);
        QDir(other.path()).mkdir(u"After.ogg"_s); // a folder never counts
        QCOMPARE(both(other.path(), u"TurnRight"_s), u"TurnRight.MP2"_s);
        QCOMPARE(both(other.path(), u"After"_s), QString());
        QCOMPARE(both(other.path() + u"/gone"_s, u"TurnRight"_s), QString());
    }

    void lookupIsTheSameWhateverTheCopyOrder() {
        // Case variants written in two orders: the exact spelling wins, then byte order.
        const QStringList variants = {u"turnright.ogg"_s, u"TurnRight.OGG"_s, u"TURNRIGHT.ogg"_s};
        for (bool reversed : {false, true}) {
            QTemporaryDir dir;
            QStringList order = variants;
            if (reversed)
                std::reverse(order.begin(), order.end());
            for (const QString &name : order)
                touch(dir.path(), name);
            QCOMPARE(core::findSampleFile(dir.path(), u"TurnRight"_s), u"TurnRight.OGG"_s);
            QFile::remove(dir.filePath(u"TurnRight.OGG"_s));
            QCOMPARE(core::FolderIndex(dir.path()).find(u"TurnRight"_s), u"TURNRIGHT.ogg"_s);
        }

        // Only ASCII case counts: the long s and the Kelvin sign are other letters, for the
        // colour and the sound alike. Links count only when they lead to a regular file.
        QTemporaryDir dir;
        touch(dir.path(), u"\u017Ftraight.ogg"_s);
        touch(dir.path(), u"\u212AeepLeft.wav"_s);
        touch(dir.path(), u"real.wav"_s);
        QVERIFY(QFile::link(u"/dev/zero"_s, dir.filePath(u"Yards.wav"_s)));
        QVERIFY(QFile::link(dir.filePath(u"real.wav"_s), dir.filePath(u"After.wav"_s)));
        QVERIFY(QFile::link(dir.filePath(u"nowhere"_s), dir.filePath(u"Then.ogg"_s)));
        const core::FolderIndex index(dir.path());
        for (const QString &id : {u"Straight"_s, u"KeepLeft"_s, u"Yards"_s, u"Then"_s}) {
            QVERIFY2(index.find(id).isEmpty(), qPrintable(id));
            QVERIFY2(core::findSampleFile(dir.path(), id).isEmpty(), qPrintable(id));
        }
        QCOMPARE(index.find(u"After"_s), u"After.wav"_s);
    }

    void coloursAndTagsFollowTheFolder() {
        fixtures::WindowFixture f;
        QTemporaryDir pack;
        touch(pack.path(), QStringLiteral("TurnRight.wav"));
        MainWindow &w = f.start();
        // Before any folder with prompts: all grey.
        QVERIFY(w.fileBrowser().pointAt(pack.path()));
        for (int row = 0; row < SampleCount; ++row) {
            const bool present = row == 13;
            QCOMPARE(w.panel().colorOf(row), present ? PresentColor : MissingColor);
            QCOMPARE(w.panel().restingColor(row), present ? PresentColor : MissingColor);
        }
        // A file deleted by another program shows grey after "Recharger tous les sons".
        QFile::remove(pack.path() + QStringLiteral("/TurnRight.wav"));
        touch(pack.path(), QStringLiteral("After.ogg")); // not a real sound: still green
        QTest::mouseClick(w.controls().cmdReloadAll, Qt::LeftButton);
        QCOMPARE(w.panel().restingColor(13), catalogue::MissingColor);
        QCOMPARE(w.panel().restingColor(0), catalogue::PresentColor);
        // The right button opens the file: a file the engine cannot read turns grey.
        QTest::mouseClick(w.panel().button(0), Qt::RightButton);
        QCOMPARE(w.panel().restingColor(0), catalogue::MissingColor);
    }

    // Outside assign mode, a prompt with a file shows a small picture of it under its name.
    void tooltipShowsThePromptsWaveform() {
        fixtures::WindowFixture f;
        QTemporaryDir pack;
        QVERIFY(!fixtures::makeWav(pack.path(), u"TurnRight.wav"_s, 22050).isEmpty());
        MainWindow &w = f.start();
        QVERIFY(w.fileBrowser().pointAt(pack.path()));
        const auto hover = [&](int row) {
            QToolTip::hideText();
            QPushButton *button = w.panel().button(row);
            QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), button->mapToGlobal(QPoint(5, 5)));
            QApplication::sendEvent(button, &help);
            return QToolTip::text();
        };
        const QString text = hover(13);
        const QString prefix = u"<img src=\"data:image/png;base64,"_s;
        QVERIFY2(text.contains(u"TurnRight.ogg"_s) && text.contains(prefix), qPrintable(text));
        const int from = text.indexOf(prefix) + prefix.size();
        const QImage picture = QImage::fromData(
            QByteArray::fromBase64(text.mid(from, text.indexOf(u'"', from) - from).toLatin1()));
        QCOMPARE(picture.size(), QSize(160, 32));
        QCOMPARE(picture.pixelColor(80, 13), ui::WaveformColors::wave()); // a tone at -10 dB
        QCOMPARE(picture.pixelColor(80, 4), ui::PositionBar::background());
        // A file longer than a prompt is not waited for: the name at once, the picture once
        // its peaks are there.
        QVERIFY(!fixtures::makeWav(pack.path(), u"Then.wav"_s, 15 * 22050).isEmpty());
        QCOMPARE(hover(54), u"Then.ogg"_s);
        QTRY_VERIFY_WITH_TIMEOUT(hover(54).contains(prefix), 10000);
        // No file, or assign mode: the name alone.
        QCOMPARE(hover(0), u"After.ogg"_s);
        w.fileBrowser().setSelectedFile(u"essai.mp3"_s);
        w.modes().setAssign(true);
        QCOMPARE(hover(13), u"TurnRight.mp3"_s);
    }

    void reloadWithoutFolderChangesNothing() {
        fixtures::ControllerRig rig; // the browser shows no folder yet
        rig.panel.setColor(3, PresentColor);
        rig.panel.reloadAllSamples();
        QCOMPARE(rig.panel.colorOf(3), PresentColor);
    }

    void assignModeLook() {
        fixtures::WindowFixture f;
        MainWindow &w = f.start();
        const QColor designed = w.controls().fraSamples->palette().color(QPalette::Window);
        QCOMPARE(w.panel().button(58)->toolTip(), QStringLiteral("Yards.ogg"));

        w.fileBrowser().setSelectedFile(QStringLiteral("essai.mp3"));
        w.modes().setAssign(true);
        QCOMPARE(w.panel().button(58)->toolTip(), QStringLiteral("Yards.mp3"));
        QVERIFY(w.controls().cmdValider->isVisible());
        QVERIFY(w.controls().tmrFrame->isActive());
        QCOMPARE(w.controls().fraSamples->title(),
                 QStringLiteral(
                     " Cliquez sur le son à affecter puis sur « Valider » (Échap : annuler)"));
        QCOMPARE(w.controls().fraSamples->palette().color(QPalette::Window), QColor(255, 160, 96));
        // The frame blinks: its normal colour after one tick, orange again after the next.
        QTRY_COMPARE_WITH_TIMEOUT(w.controls().fraSamples->palette().color(QPalette::Window),
                                  designed, 2000);
        QTRY_COMPARE_WITH_TIMEOUT(w.controls().fraSamples->palette().color(QPalette::Window),
                                  QColor(255, 160, 96), 2000);
        // In assign mode a right press does not reload and a left press picks the target.
        QTest::mouseClick(w.panel().button(7), Qt::LeftButton);
        QCOMPARE(w.assignment().target().index(), 7);

        w.modes().setAssign(false);
        QCOMPARE(w.panel().button(58)->toolTip(), QStringLiteral("Yards.ogg"));
        QVERIFY(!w.controls().tmrFrame->isActive());
        QCOMPARE(w.controls().fraSamples->palette().color(QPalette::Window), designed);
    }
};

QTEST_MAIN(TestCatalogue)
#include "test_catalogue.moc"
