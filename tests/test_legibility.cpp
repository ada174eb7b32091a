// Captions and lists legible with the fonts a fresh machine has: what is drawn is checked on the
// rendered pixels, not on the fonts asked for.
#include <QApplication>
#include <QGroupBox>
#include <QPainter>
#include <QtTest>

#include "ui/FileList.h"
#include "ui/MainLayout.h"
#include "ui/PromptButton.h"

namespace {

bool ink(const QImage &image, int x, int y) {
    return qGray(image.pixel(x, y)) < 100;
}

// The rows of `area` that hold dark pixels, as [first, last] bands.
QVector<QPair<int, int>> inkBands(const QImage &image, const QRect &area) {
    QVector<QPair<int, int>> bands;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        bool any = false;
        for (int x = area.left(); x <= area.right() && !any; ++x)
            any = ink(image, x, y);
        if (any && (bands.isEmpty() || bands.last().second != y - 1))
            bands.append({y, y});
        else if (any)
            bands.last().second = y;
    }
    return bands;
}

int inkCount(const QFont &font, const QString &text) {
    QImage image(400, 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setFont(font);
    p.drawText(5, 25, text);
    p.end();
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += ink(image, x, y);
    return n;
}

} // namespace

class TestLegibility : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { ui::installDefaultFont(); }
    void frameCaptionBoldButtonsRegular() {
        QWidget window;
        const ui::Controls c = ui::buildLayout(&window);
        const QString text = QStringLiteral("Clic gauche : écouter le son");
        // A bold face lays down clearly more ink than the regular one.
        QVERIFY(inkCount(c.fraSamples->font(), text) > 1.3 * inkCount(QApplication::font(), text));
        QVERIFY(!QFontInfo(c.optSample0->font()).bold());
    }

    void longCaptionOnTwoLines_data() {
        QTest::addColumn<QString>("caption");
        QTest::newRow("SharpLeft") << QStringLiteral("Tournez immédiatement à gauche");
        QTest::newRow("SharpRight") << QStringLiteral("Tournez immédiatement à droite");
        QTest::newRow("two lines") << QStringLiteral("Faites demi-tour\ndès que possible");
    }

    void longCaptionOnTwoLines() {
        QFETCH(QString, caption);
        QWidget window;
        const ui::Controls c = ui::buildLayout(&window);
        ui::PromptButton *button = c.optSample0;
        button->setText(caption);
        const QImage image = button->grab().toImage();
        // Inside the bevel: two lines of text, neither touching the edge (a clipped line would).
        const QRect inside = QRect(QPoint(0, 0), image.size()).adjusted(2, 1, -2, -2);
        const QVector<QPair<int, int>> bands = inkBands(image, inside);
        QCOMPARE(bands.size(), 2);
        QVERIFY(bands.first().first > inside.top());
        QVERIFY(bands.last().second < inside.bottom());
    }

    void fileListTails() {
        QWidget window;
        const ui::Controls c = ui::buildLayout(&window);
        window.resize(900, 700);
        c.File1->addItems({QStringLiteral("ogg gpq"), QStringLiteral("ogg gpq")});
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QImage image = c.File1->viewport()->grab().toImage();
        const QRect row = c.File1->visualItemRect(c.File1->item(0));
        const QVector<QPair<int, int>> bands = inkBands(image, row);
        QCOMPARE(bands.size(), 1);
        // The tails end above the row's last pixel line instead of being cut by it.
        QVERIFY(bands.first().second < row.bottom());
    }
};

QTEST_MAIN(TestLegibility)
#include "test_legibility.moc"
