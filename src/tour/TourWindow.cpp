#include "tour/TourWindow.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace tour {

namespace {

QPushButton *makeButton(const QString &text, const char *name, QWidget *parent) {
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    // The keys are the window's: Space must not press a focused button as well.
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace

TourWindow::TourWindow(QWidget *parent)
    : QWidget(parent, Qt::Dialog), lblInstruction_(new QLabel(this)), lblCounter_(new QLabel(this)),
      cmdPause_(makeButton(QStringLiteral("Pause"), "cmdTourPause", this)),
      cmdNext_(makeButton(QStringLiteral("Suivante"), "cmdTourNext", this)),
      cmdStop_(makeButton(QStringLiteral("Arrêter"), "cmdTourStop", this)),
      cmdSave_(makeButton(QStringLiteral("Enregistrer en WAV..."), "cmdTourSave", this)),
      lblMissing_(new QLabel(this)), lstMissing_(new QListWidget(this)),
      lblStatus_(new QLabel(this)) {
    setObjectName(QStringLiteral("frmTour"));
    setWindowTitle(QStringLiteral("Écouter le pack"));
    // The main window waits meanwhile: no sentence, press or folder change meets the tour.
    setWindowModality(Qt::WindowModal);
    setFocusPolicy(Qt::StrongFocus);

    QFont big = lblInstruction_->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    lblInstruction_->setFont(big);
    lblInstruction_->setWordWrap(true);
    lblInstruction_->setMinimumHeight(lblInstruction_->fontMetrics().height() * 2);
    lblCounter_->setAlignment(Qt::AlignRight | Qt::AlignTop);
    lblMissing_->setWordWrap(true);
    lstMissing_->setFocusPolicy(Qt::NoFocus);
    lstMissing_->setMaximumHeight(lstMissing_->fontMetrics().height() * 6);
    lblStatus_->setWordWrap(true);

    auto *top = new QHBoxLayout;
    top->addWidget(lblInstruction_, 1);
    top->addWidget(lblCounter_);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdPause_);
    buttons->addWidget(cmdNext_);
    buttons->addWidget(cmdStop_);
    buttons->addStretch(1);
    buttons->addWidget(cmdSave_);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    layout->addWidget(lblMissing_);
    layout->addWidget(lstMissing_);
    layout->addWidget(lblStatus_);
    setMinimumWidth(460);

    connect(cmdPause_, &QPushButton::clicked, this, &TourWindow::pauseRequested);
    connect(cmdNext_, &QPushButton::clicked, this, &TourWindow::nextRequested);
    connect(cmdStop_, &QPushButton::clicked, this, &TourWindow::stopRequested);
    connect(cmdSave_, &QPushButton::clicked, this, &TourWindow::saveRequested);
}

void TourWindow::keyPressEvent(QKeyEvent *event) {
    switch (event->key()) {
    case Qt::Key_Space:
        emit pauseRequested();
        break;
    case Qt::Key_Right:
        emit nextRequested();
        break;
    case Qt::Key_Escape:
        emit stopRequested();
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void TourWindow::closeEvent(QCloseEvent *event) {
    emit stopRequested();
    event->accept();
}

} // namespace tour
