// What the window's first paint does without (no regular expression, no image plugin) still
// draws and matches as before.
#include <QApplication>
#include <QGroupBox>
#include <QStyleFactory>
#include <QtTest>

#include "core/NameMask.h"
#include "ui/GroupFrameStyle.h"
#include "ui/MainLayout.h"

class TestFirstPaint : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        ui::installDefaultFont();
    }

    void masks_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("matches");
        QTest::newRow("every file") << "*.*;"
                                    << "README" << true;
        QTest::newRow("one letter") << "*.mp?;"
                                    << "a.MP3" << true;
        QTest::newRow("one letter, not none") << "*.mp?;"
                                              << "a.mp" << false;
        QTest::newRow("one letter, not two") << "*.mp?;"
                                             << "a.mp33" << false;
        QTest::newRow("case") << "*.ogg"
                              << "X.OgG" << true;
        QTest::newRow("accented case") << "*.ÉTÉ"
                                       << "a.été" << true;
        QTest::newRow("second mask") << "*.mp?;*.wav"
                                     << "b.wav" << true;
        QTest::newRow("whole name") << "*.wav"
                                    << "b.wav.bak" << false;
        QTest::newRow("star, back again") << "*.ogg"
                                          << "a.ogg.b.ogg" << true;
        QTest::newRow("blanks around") << " *.wav ; *.ogg "
                                       << "c.ogg" << true;
        QTest::newRow("no mask") << ";"
                                 << "x" << true;
    }
    void masks() {
        QFETCH(QString, pattern);
        QFETCH(QString, name);
        QFETCH(bool, matches);
        QCOMPARE(core::NameMasks(pattern).matches(name), matches);
    }

    // The group box's frame drawn by hand is Fusion's, pixel for pixel, with and without a title.
    void groupFrame_data() {
        QTest::addColumn<QString>("title");
        QTest::newRow("title") << QString::fromUtf8(ui::NormalFrameCaption);
        QTest::newRow("none") << QString();
    }
    void groupFrame() {
        QFETCH(QString, title);
        QGroupBox box(title);
        box.setFont(ui::boldFont(QApplication::font()));
        box.setAutoFillBackground(true);
        box.resize(300, 120);
        const QImage fusion = box.grab().toImage();
        box.setStyle(new ui::GroupFrameStyle(&box));
        const QImage own = box.grab().toImage();
        QCOMPARE(own, fusion);
    }
};

QTEST_MAIN(TestFirstPaint)
#include "test_first_paint.moc"
