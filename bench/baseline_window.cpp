// The yardstick of bench_startup: a minimal Qt Widgets program showing 59 push buttons in a grid,
// the size of Parlotte's window, telling its first frame the way Parlotte does.
#include <QApplication>
#include <QGridLayout>
#include <QPushButton>
#include <QWidget>

#include "ui/FirstFrame.h"

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(897, 690);
    auto *grid = new QGridLayout(&window);
    for (int i = 0; i < 59; ++i)
        grid->addWidget(new QPushButton(QStringLiteral("Bouton %1").arg(i + 1)), i / 6, i % 6);
    ui::reportFirstFrame(&window);
    window.show();
    return QApplication::exec();
}
