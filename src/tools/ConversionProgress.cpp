#include "tools/ConversionProgress.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace tools {

ConversionProgress::ConversionProgress(QWidget *parent)
    : QDialog(parent), label_(new QLabel(this)), bar_(new QProgressBar(this)),
      cancel_(new QPushButton(QStringLiteral("Annuler"), this)) {
    setObjectName(QStringLiteral("frmConvert"));
    setWindowTitle(QStringLiteral("Conversion en .ogg"));
    setModal(false);
    // The keys keep working in the main window while the run goes on.
    setAttribute(Qt::WA_ShowWithoutActivating);
    label_->setObjectName(QStringLiteral("lblConvertFile"));
    label_->setMinimumWidth(360);
    bar_->setObjectName(QStringLiteral("prgConvert"));
    bar_->setRange(0, 100);
    cancel_->setObjectName(QStringLiteral("cmdConvertCancel"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label_);
    layout->addWidget(bar_);
    layout->addWidget(cancel_, 0, Qt::AlignRight);
    connect(cancel_, &QPushButton::clicked, this, &ConversionProgress::cancelRequested);
}

void ConversionProgress::begin(const QStringList &names) {
    names_ = names;
    running_.clear();
    done_ = 0;
    cancel_->setEnabled(true);
    refreshText();
}

void ConversionProgress::fileStarted(int index) {
    running_.insert(index, 0);
    refreshText();
}

void ConversionProgress::fileProgress(int index, int percent) {
    if (running_.contains(index)) {
        running_[index] = percent;
        refreshText();
    }
}

void ConversionProgress::fileDone(int index) {
    running_.remove(index);
    ++done_;
    refreshText();
}

void ConversionProgress::cancelling() {
    cancel_->setEnabled(false);
    label_->setText(QStringLiteral("Annulation en cours..."));
}

void ConversionProgress::reject() {
    if (cancel_->isEnabled())
        emit cancelRequested();
}

QString ConversionProgress::fileText() const {
    return label_->text();
}

void ConversionProgress::refreshText() {
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

} // namespace tools
