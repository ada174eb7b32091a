#include "app/JobProgress.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace app {

JobProgress::JobProgress(QWidget *parent)
    : QDialog(parent), label_(new QLabel(this)), bar_(new QProgressBar(this)),
      cancel_(new QPushButton(QStringLiteral("Annuler"), this)) {
    setObjectName(QStringLiteral("frmJob"));
    setModal(false);
    // The keys keep working in the main window while the run goes on.
    setAttribute(Qt::WA_ShowWithoutActivating);
    label_->setObjectName(QStringLiteral("lblJobFile"));
    label_->setMinimumWidth(360);
    bar_->setObjectName(QStringLiteral("prgJob"));
    bar_->setRange(0, 100);
    cancel_->setObjectName(QStringLiteral("cmdJobCancel"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label_);
    layout->addWidget(bar_);
    layout->addWidget(cancel_, 0, Qt::AlignRight);
    connect(cancel_, &QPushButton::clicked, this, &JobProgress::cancelRequested);
}

void JobProgress::begin(const QString &title, const QStringList &names) {
    setWindowTitle(title);
    names_ = names;
    running_.clear();
    done_ = 0;
    cancel_->setEnabled(true);
    refreshText();
}

void JobProgress::fileStarted(int index) {
    running_.insert(index, 0);
    refreshText();
}

void JobProgress::fileProgress(int index, int percent) {
    if (running_.contains(index)) {
        running_[index] = percent;
        refreshText();
    }
}

void JobProgress::fileDone(int index) {
    running_.remove(index);
    ++done_;
    refreshText();
}

void JobProgress::cancelling() {
    cancel_->setEnabled(false);
    label_->setText(QStringLiteral("Annulation en cours..."));
}

void JobProgress::reject() {
    if (cancel_->isEnabled())
        emit cancelRequested();
}

QString JobProgress::fileText() const {
    return label_->text();
}

void JobProgress::refreshText() {
    if (!cancel_->isEnabled())
        return;
    QStringList lines;
    int sum = done_ * 100;
    for (auto it = running_.cbegin(); it != running_.cend(); ++it) {
        lines << QStringLiteral("Fichier %1 sur %2 : %3 (%4 %)")
                     .arg(it.key() + 1)
                     .arg(names_.size())
                     .arg(names_.value(it.key()))
                     .arg(it.value());
        sum += it.value();
    }
    if (lines.isEmpty())
        lines << QStringLiteral("%1 fichier(s) sur %2 terminé(s)").arg(done_).arg(names_.size());
    label_->setText(lines.join(u'\n'));
    bar_->setValue(names_.isEmpty() ? 100 : sum / static_cast<int>(names_.size()));
}

} // namespace app
