#include "catalogue/PromptPanel.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QTimer>

#include "core/BrowserView.h"
#include "core/SampleLookup.h"
#include "playback/PromptChannel.h"
#include "ui/MainLayout.h"
#include "ui/PromptButton.h"
#include "ui/Twips.h"

namespace catalogue {

const char *const AssignFrameCaption =
    " Cliquez sur le son à affecter puis sur « Valider » (Échap : annuler)";

namespace {

// The designed geometry of button 0 and of the free cell's buttons, in twips within the frame.
constexpr double FirstLeft = 120, FirstTop = 360, FirstWidth = 2175, FirstHeight = 555;
constexpr double FreeCellLeft = 11115, FreeCellWidth = 1935;

} // namespace

PromptPanel::PromptPanel(const Widgets &widgets, const core::BrowserView &browser,
                         playback::PromptChannel &channel, QObject *parent)
    : QObject(parent), w_(widgets), browser_(browser), channel_(channel),
      group_(new QButtonGroup(this)) {
    frameDesignColor_ = w_.fraSamples->palette().color(QPalette::Window);
    resting_.fill(MissingColor);
    connect(w_.tmrFrame, &QTimer::timeout, this, &PromptPanel::onFrameTimer);
    connect(&channel_, &playback::PromptChannel::buttonReleased, this,
            [this](int row) { setSelected(row, false); });
}

void PromptPanel::focusSink() {
    w_.cmdDummy->setFocus(Qt::OtherFocusReason);
}

void PromptPanel::onPressed(int row, Qt::MouseButton button) {
    emit pressed(row, button);
    if (button == Qt::LeftButton)
        focusSink();
}

void PromptPanel::buildGrid() {
    ui::PromptButton *first = w_.optSample0;
    setColor(0, MissingColor);
    buttonWidth_ = static_cast<float>(FirstWidth);
    buttonHeight_ = static_cast<float>(FirstHeight);
    group_->setExclusive(true);
    for (int row = 0; row < core::SampleCount; ++row) {
        ui::PromptButton *button = first;
        if (row >= 1) {
            button = new ui::PromptButton(row, w_.fraSamples);
            button->setObjectName(QStringLiteral("optSample_%1").arg(row));
            button->setFont(first->font());
            button->setPalette(first->palette());
            const float left = static_cast<float>(row % 6) * buttonWidth_ + float(FirstLeft);
            const float top = static_cast<float>(row / 6) * buttonHeight_ + float(FirstTop);
            button->setGeometry(ui::twipsRect(left, top, buttonWidth_, buttonHeight_));
            button->setVisible(true);
        }
        buttons_[row] = button;
        group_->addButton(button, row);
        // The caption keeps the label's line break; Qt draws "\n" as a new line.
        QString caption = core::samples()[row].caption;
        button->setText(caption.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        connect(button, &ui::PromptButton::mousePressed, this,
                [this](int r, Qt::MouseButton b, Qt::KeyboardModifiers) { onPressed(r, b); });
        connect(button, &ui::PromptButton::doubleClicked, this, [this](int r) {
            emit doubleClicked(r);
            focusSink();
        });
        connect(button, &ui::PromptButton::keyPressed, this, &PromptPanel::focusSink);
    }
    // Buttons 1..58 were created after button 0; keep the free cell's buttons above them.
    const double freeTop = 9 * double(buttonHeight_) + FirstTop;
    for (QPushButton *cell : {w_.cmdBackspace, w_.cmdValider}) {
        cell->setGeometry(ui::twipsRect(FreeCellLeft, freeTop, FreeCellWidth, buttonHeight_));
        cell->raise();
    }
}

QRgb PromptPanel::colorOf(int row) const {
    return buttons_[row]->palette().color(QPalette::Button).rgb();
}

void PromptPanel::setColor(int row, QRgb rgb) {
    QPushButton *button = row == 0 && !buttons_[0] ? w_.optSample0 : buttons_[row];
    QPalette palette = button->palette();
    const QColor color = QColor::fromRgb(rgb);
    if (palette.color(QPalette::Button) == color)
        return; // a palette change re-polishes the button: skip it when nothing changes
    palette.setColor(QPalette::Button, color);
    button->setPalette(palette);
}

void PromptPanel::setResting(int row, bool present) {
    resting_[row] = present ? PresentColor : MissingColor;
    setColor(row, resting_[row]);
}

void PromptPanel::restoreRestingColor(int row) {
    setColor(row, resting_[row]);
}

void PromptPanel::reloadAllSamples() {
    const QString folder = browser_.currentFolder();
    if (folder.isEmpty())
        return;
    const core::FolderIndex index(folder);
    // Hidden while the 59 colours change, so the panel repaints once.
    w_.fraSamples->setUpdatesEnabled(false);
    for (int row = 0; row < core::SampleCount; ++row)
        setResting(row, !index.find(core::samples()[row].id).isEmpty());
    w_.fraSamples->setUpdatesEnabled(true);
    emit recoloured();
}

void PromptPanel::showAllMissing() {
    w_.fraSamples->setUpdatesEnabled(false);
    for (int row = 0; row < core::SampleCount; ++row)
        setResting(row, false);
    w_.fraSamples->setUpdatesEnabled(true);
    emit recoloured();
}

void PromptPanel::reloadSample(int row) {
    setResting(row, channel_.reload(core::PromptRow::of(row)));
}

void PromptPanel::showAssignMode(bool on, const QString &suffix) {
    frameBlinkPhase_ = on;
    w_.fraSamples->setTitle(QString::fromUtf8(on ? AssignFrameCaption : ui::NormalFrameCaption));
    QPalette palette = w_.fraSamples->palette();
    palette.setColor(QPalette::Window, on ? QColor::fromRgb(AssignFrameColor) : frameDesignColor_);
    w_.fraSamples->setPalette(palette);
    w_.cmdValider->setVisible(on);
    w_.cmdValider->setEnabled(true);
    if (on)
        w_.tmrFrame->start();
    else
        w_.tmrFrame->stop();
    for (int row = 0; row < core::SampleCount; ++row)
        buttons_[row]->setToolTip(core::samples()[row].id + (on ? suffix : QStringLiteral(".ogg")));
}

void PromptPanel::onFrameTimer() {
    frameBlinkPhase_ = !frameBlinkPhase_;
    QPalette palette = w_.fraSamples->palette();
    palette.setColor(QPalette::Window,
                     frameBlinkPhase_ ? QColor::fromRgb(AssignFrameColor) : frameDesignColor_);
    w_.fraSamples->setPalette(palette);
}

void PromptPanel::setSelected(int row, bool selected) {
    // An exclusive group refuses to clear its checked button; lift the rule for that moment.
    group_->setExclusive(false);
    buttons_[row]->setChecked(selected);
    group_->setExclusive(true);
}

bool PromptPanel::isSelected(int row) const {
    return buttons_[row]->isChecked();
}

} // namespace catalogue
