// Captions and lists legible with the fonts a fresh machine has: what is drawn is checked on the
// rendered pixels, not on the fonts asked for.
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QtTest>

#include "fixtures/WindowFixture.h"
#include "tools/EditorLauncher.h"
#include "ui/Elide.h"
#include "ui/FileList.h"
#include "ui/MainLayout.h"
#include "ui/PromptButton.h"
#include "ui/QtDialogs.h"

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

// Whether anything differs on the band of `width` pixels around `r`'s edge.
bool differsAround(const QImage &a, const QImage &b, const QRect &r, int width = 2) {
    const QRect outer = r.adjusted(-width, -width, width, width) & a.rect();
    const QRect inner = r.adjusted(width, width, -width, -width);
    for (int y = outer.top(); y <= outer.bottom(); ++y)
        for (int x = outer.left(); x <= outer.right(); ++x)
            if (!inner.contains(x, y) && a.pixel(x, y) != b.pixel(x, y))
                return true;
    return false;
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

    // The one-pixel bevel: light on the top and left edges, dark on the bottom and right ones
    // (the corners they share included), the other way round while the button is down; the face
    // inside in the button's own colour.
    void bevelEdges() {
        QWidget window;
        const ui::Controls c = ui::buildLayout(&window);
        ui::PromptButton *button = c.optSample0;
        QPalette palette = button->palette();
        const QColor face(128, 255, 128);
        palette.setColor(QPalette::Button, face);
        button->setPalette(palette);
        button->setText(QString());
        for (const bool down : {false, true}) {
            button->setChecked(down);
            const QImage image = button->grab().toImage();
            const QRgb inner = (down ? face.darker(112) : face).rgb();
            const QRgb topLeft = (down ? face.darker(160) : face.lighter(135)).rgb();
            const QRgb bottomRight = (down ? face.lighter(135) : face.darker(160)).rgb();
            const int w = image.width(), h = image.height();
            const auto at = [&image](int x, int y) { return image.pixel(x, y); };
            for (int x = 0; x < w - 1; ++x)
                QCOMPARE(at(x, 0), topLeft);
            for (int y = 0; y < h - 1; ++y)
                QCOMPARE(at(0, y), topLeft);
            for (int x = 0; x < w; ++x)
                QCOMPARE(at(x, h - 1), bottomRight);
            for (int y = 0; y < h; ++y)
                QCOMPARE(at(w - 1, y), bottomRight);
            QCOMPARE(at(1, 1), inner);
            QCOMPARE(at(w - 2, h - 2), inner);
        }
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

    // A long name is cut in its middle where it is shown, and kept whole where it can be read.
    void longNamesElidedInTheMiddle() {
        const QChar ellipsis(0x2026);
        const QString name = QString(200, u'a') + QStringLiteral("_fin.wav");
        const QString text = QStringLiteral("Vous allez supprimer le fichier « ") + name +
                             QStringLiteral(" ».\r\nATTENTION : rien ne sera annulé.");
        ui::QtDialogs dialogs;
        QString shown, details;
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            shown = box->text();
            details = box->detailedText();
            box->button(QMessageBox::Ok)->click();
        });
        dialogs.message(text, QStringLiteral("Confirmation"), ui::Icon::Exclamation,
                        ui::Buttons::Ok);
        QCOMPARE(shown, QStringLiteral("Vous allez supprimer le fichier « ") + QString(29, u'a') +
                            ellipsis + QString(22, u'a') +
                            QStringLiteral("_fin.wav ».\nATTENTION : rien ne sera annulé."));
        QCOMPARE(details, QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));

        // The editor's caption fits its button; the folder label fits its width.
        fixtures::WindowFixture f;
        MainWindow &w = f.start();
        QPushButton *button = w.controls().cmdOpenSample;
        const QString caption = QStringLiteral("Ouvrir avec Mon éditeur à moi");
        w.editorLauncher().setEditor(QStringLiteral("Mon éditeur à moi"), QString());
        QVERIFY2(button->text().contains(ellipsis), qPrintable(button->text()));
        QVERIFY(button->text().startsWith(QStringLiteral("Ouvrir")));
        QVERIFY(button->fontMetrics().horizontalAdvance(button->text()) < button->width() - 8);
        QCOMPARE(button->toolTip(), caption);
        w.editorLauncher().setEditor(QStringLiteral("Mon"), QString());
        QCOMPARE(button->text(), QStringLiteral("Ouvrir avec Mon"));
        QVERIFY(button->toolTip().isEmpty());

        auto *label = static_cast<ui::ElidingLabel *>(w.controls().lblDirPath);
        const QString folder =
            QStringLiteral("/média/") + QString(150, u'b') + QStringLiteral("/fin");
        label->setText(folder);
        label->grab();
        QVERIFY(label->shownText().startsWith(QStringLiteral("/média/b")));
        QVERIFY(label->shownText().contains(ellipsis) && label->shownText().endsWith(u"/fin"));
        QCOMPARE(label->toolTip(), folder);
        QCOMPARE(label->text(), folder);
    }

    // Every control that can hold the keyboard focus shows it; the focus sink shows nothing.
    void focusIsVisible() {
        fixtures::WindowFixture f;
        MainWindow &w = f.start();
        QWidget *sink = w.controls().cmdDummy;
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        int checked = 0;
        for (QWidget *control : w.findChildren<QWidget *>()) {
            if (!(control->focusPolicy() & Qt::TabFocus) || !control->isVisibleTo(&w) ||
                control == sink || control->focusProxy())
                continue;
            sink->setFocus(Qt::OtherFocusReason);
            QCoreApplication::processEvents();
            const QImage resting = w.grab().toImage();
            control->setFocus(Qt::TabFocusReason);
            QCoreApplication::processEvents();
            if (!control->hasFocus())
                continue; // it hands the focus on (the sentence box outside sentence mode)
            const QRect at(control->mapTo(&w, QPoint(0, 0)), control->size());
            QVERIFY2(differsAround(resting, w.grab().toImage(), at),
                     qPrintable(control->objectName()));
            // Back on the sink, nothing shows where the focus was.
            sink->setFocus(Qt::OtherFocusReason);
            QCoreApplication::processEvents();
            QVERIFY2(!differsAround(resting, w.grab().toImage(), at),
                     qPrintable(control->objectName()));
            ++checked;
        }
        QCOMPARE(checked, 3); // the drives, the folders, the files
    }
};

QTEST_MAIN(TestLegibility)
#include "test_legibility.moc"
