// Closing the window: the farewell text by hour and chance, Cancel switching it off for the next
// runs, and the system's close that shows nothing and still saves.
#include <QPushButton>
#include <QtTest>

#include "app/Farewell.h"
#include "core/Clock.h"
#include "fixtures/Bytes.h"
#include "fixtures/WindowFixture.h"

namespace {

class FixedClock : public Clock {
public:
    FixedClock(int hour, QList<double> draws) : hour_(hour), draws_(std::move(draws)) {}
    int hour() const override { return hour_; }
    int secondsSinceMidnight() const override { return hour_ * 3600; }
    double random() override { return draws_.isEmpty() ? 0.0 : draws_.takeFirst(); }

private:
    int hour_;
    QList<double> draws_;
};

// Uniform numbers that give these draws: remark value 0 (even) or 1 (odd), closing value `v`.
double remarkDraw(bool remark) {
    return remark ? 0.0 : 1.5 / 20;
}
double closingDraw(int v) {
    return (v + 0.5) / 21;
}

} // namespace

class TestFarewell : public QObject {
    Q_OBJECT
private slots:
    void textByHourAndChance_data() {
        QTest::addColumn<int>("hour");
        QTest::addColumn<bool>("remark");
        QTest::addColumn<QString>("greeting");
        const QString apero =
            QStringLiteral(" et attention aux calories avec les petits machins à grignoter, là...");
        QTest::newRow("00:30 remark")
            << 0 << true << "une bonne nuit, surtout si vous devez vous lever tôt...";
        QTest::newRow("00:30 plain") << 0 << false << "une bonne nuit !";
        QTest::newRow("03:00 remark") << 3 << true
                                      << "un bon matage de neige (ou de « Très chasse, très "
                                         "pêche »).";
        QTest::newRow("08:00 remark")
            << 8 << true
            << "une bonne journée !\r\nPensez à travailler un peu plus, si vous voulez gagner plus "
               "pour partir en vacances avé le Tirlou...";
        QTest::newRow("14:00 plain") << 14 << false << "un bon après-midi !";
        QTest::newRow("14:00 remark") << 14 << true << "une bonne après-midi.";
        QTest::newRow("17:00 plain") << 17 << false << "une bonne fin de journée !";
        QTest::newRow("17:00 remark")
            << 17 << true << "une bonne fin de journée (et un bon goûter, au cas où).";
        QTest::newRow("18:00 plain") << 18 << false << "un bon apéro" + apero;
        QTest::newRow("18:00 remark")
            << 18 << true << "un bon apéro (à consommer modérément)" + apero;
        QTest::newRow("23:00 plain") << 23 << false << "une bonne fin de soirée !";
    }

    void textByHourAndChance() {
        QFETCH(int, hour);
        QFETCH(bool, remark);
        QFETCH(QString, greeting);
        FixedClock clock(hour, {remarkDraw(remark), closingDraw(6)});
        QCOMPARE(app::farewellText(clock), "Merci de votre visite !\r\nParlotte vous souhaite " +
                                               greeting + "\r\nBonjour chez vous !\r\n" +
                                               app::CreditLine);
    }

    void drawsFollowTheRanges() {
        // Each phrase has three of the 21 closing values.
        const QList<QPair<QList<int>, QString>> phrases{
            {{0, 3, 9}, QStringLiteral("À bientôt sur les routes !")},
            {{1, 5, 14}, QStringLiteral("Et surtout la santé !")},
            {{2, 12, 20}, QStringLiteral("See you later, alligator !")},
            {{4, 16, 18}, QStringLiteral("Arrivederci !")},
            {{6, 10, 19}, QStringLiteral("Bonjour chez vous !")},
            {{7, 13, 15}, QStringLiteral("Que la Force soit avec toi !")},
            {{8, 11, 17}, QStringLiteral("Allez, à la revoyure, l'ami !")},
        };
        for (const auto &[values, phrase] : phrases)
            for (int v : values) {
                FixedClock clock(12, {0.0, closingDraw(v)});
                QCOMPARE(app::drawFarewell(clock).closing, v);
                QCOMPARE(app::closingPhrase(v), phrase);
            }
        // The remark is the parity of a number from 0 to 19.
        using Case = std::pair<double, bool>;
        for (auto [draw, remark] :
             {Case{0.0, true}, Case{0.06, false}, Case{0.1, true}, Case{0.9999, false}}) {
            FixedClock clock(12, {draw, 0.0});
            QCOMPARE(app::drawFarewell(clock).remark, remark);
        }
    }

    void cancelSwitchesTheFarewellOff() {
        QTemporaryDir pack;
        fixtures::WindowFixture f;
        QVERIFY(f.startOn(pack.path()));
        f.dialogs.answers = {ui::Answer::Cancel};
        f.window->close();

        QCOMPARE(f.dialogs.messages.size(), 1);
        const auto &box = f.dialogs.messages[0];
        QCOMPARE(box.title, QStringLiteral("Vous partez déjà ?"));
        QCOMPARE(box.icon, ui::Icon::Information);
        QCOMPARE(box.buttons, ui::Buttons::OkCancel);
        QVERIFY(box.text.startsWith(
            QStringLiteral("Merci de votre visite !\r\nParlotte vous souhaite ")));
        QVERIFY(box.text.endsWith(QStringLiteral("\r\n") + app::CreditLine));
        QVERIFY(fixtures::readBytes(f.settingsPath()).endsWith("\r\nExitMessage=0\r\n"));

        // The next run closes without a word and keeps it off.
        f.start();
        f.window->close();
        QCOMPARE(f.dialogs.messages.size(), 1);
        QVERIFY(fixtures::readBytes(f.settingsPath()).endsWith("\r\nExitMessage=0\r\n"));
    }

    void systemCloseSavesWithoutTheFarewell() {
        QTemporaryDir pack;
        fixtures::WindowFixture f;
        MainWindow *w = f.startOn(pack.path());
        QVERIFY(w);
        QFile::remove(f.settingsPath());
        w->closeForSystem();
        QVERIFY(f.dialogs.messages.isEmpty());
        const QByteArray saved = fixtures::readBytes(f.settingsPath());
        QVERIFY(saved.contains("\r\nExitMessage=1\r\n"));
        QVERIFY(
            saved.contains("\r\nLastFolder=" + w->fileBrowser().currentFolder().toUtf8() + "\r\n"));
    }
};

QTEST_MAIN(TestFarewell)
#include "test_farewell.moc"
