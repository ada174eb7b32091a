#include "catalogue/PromptPanel.h"

#include <QButtonGroup>
#include <QDir>
#include <QGroupBox>
#include <QTimer>

#include "app/WindowState.h"
#include "audio/Engine.h"
#include "audio/SampleLookup.h"
#include "ui/PromptButton.h"
#include "ui/Twips.h"

namespace catalogue {

const char *const AssignFrameCaption =
    " Cliquez sur le son à affecter puis sur « Valider » (Échap : annuler)";

QColor fromBgr(unsigned bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

unsigned toBgr(const QColor &color) {
    return static_cast<unsigned>(color.red()) | static_cast<unsigned>(color.green()) << 8 |
           static_cast<unsigned>(color.blue()) << 16;
}

namespace {

// The designed geometry of button 0 and of the free cell's buttons, in twips within the frame.
constexpr double FirstLeft = 120, FirstTop = 360, FirstWidth = 2175, FirstHeight = 555;
constexpr double FreeCellLeft = 11115, FreeCellWidth = 1935;

} // namespace

PromptPanel::PromptPanel(const ui::Controls &controls, WindowState &state, audio::Engine &engine,
                         QObject *parent)
    : QObject(parent), controls_(controls), state_(state), engine_(engine),
      group_(new QButtonGroup(this)) {
    frameDesignColor_ = controls_.fraSamples->palette().color(QPalette::Window);
    connect(controls_.tmrFrame, &QTimer::timeout, this, &PromptPanel::onFrameTimer);
}

void PromptPanel::buildGrid() {
    ui::PromptButton *first = controls_.optSample0;
    setColor(0, MissingColor);
    buttonWidth_ = static_cast<float>(FirstWidth);
    buttonHeight_ = static_cast<float>(FirstHeight);
    group_->setExclusive(true);
    for (int row = 0; row < SampleCount; ++row) {
        ui::PromptButton *button = first;
        if (row >= 1) {
            button = new ui::PromptButton(row, controls_.fraSamples);
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
        QString caption = samples()[row].caption;
        button->setText(caption.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    }
    // Buttons 1..58 were created after button 0; keep the free cell's buttons above them.
    const double freeTop = 9 * double(buttonHeight_) + FirstTop;
    for (QPushButton *cell : {controls_.cmdBackspace, controls_.cmdValider}) {
        cell->setGeometry(ui::twipsRect(FreeCellLeft, freeTop, FreeCellWidth, buttonHeight_));
        cell->raise();
    }
}

QString PromptPanel::tag(int row) const {
    return buttons_[row]->property("tag").toString();
}

unsigned PromptPanel::colorOf(int row) const {
    return toBgr(buttons_[row]->palette().color(QPalette::Button));
}

void PromptPanel::setColor(int row, unsigned bgr) {
    QPushButton *button = row == 0 && !buttons_[0] ? controls_.optSample0 : buttons_[row];
    QPalette palette = button->palette();
    const QColor color = fromBgr(bgr);
    if (palette.color(QPalette::Button) == color)
        return; // a palette change re-polishes the button: skip it when nothing changes
    palette.setColor(QPalette::Button, color);
    button->setPalette(palette);
}

void PromptPanel::setResting(int row, bool present) {
    setColor(row, present ? PresentColor : MissingColor);
    buttons_[row]->setProperty("tag", QString::number(colorOf(row)));
}

void PromptPanel::restoreRestingColor(int row) {
    bool ok = false;
    const unsigned bgr = tag(row).toUInt(&ok);
    setColor(row, ok ? bgr : MissingColor);
}

void PromptPanel::reloadAllSamples() {
    if (state_.currentFolder.isEmpty())
        return;
    const audio::FolderIndex index(state_.currentFolder);
    // Hidden while the 59 colours change, so the panel repaints once.
    controls_.fraSamples->setUpdatesEnabled(false);
    for (int row = 0; row < SampleCount; ++row)
        setResting(row, !index.find(samples()[row].id).isEmpty());
    controls_.fraSamples->setUpdatesEnabled(true);
}

void PromptPanel::reloadSample(int row) {
    const QString found = audio::findSampleFile(state_.currentFolder, samples()[row].id);
    state_.foundSampleName = found;
    bool present = false;
    if (!found.isEmpty()) {
        engine_.streamFree(state_.promptStream);
        state_.promptStream = engine_.streamCreateFile(
            state_.currentFolder + QDir::separator() + found, audio::AutoFree);
        present = audio::isUsable(state_.promptStream);
    }
    setResting(row, present);
}

void PromptPanel::setAssignMode(bool on) {
    state_.assignMode = on;
    state_.frameBlinkPhase = on;
    controls_.fraSamples->setTitle(
        QString::fromUtf8(on ? AssignFrameCaption : ui::NormalFrameCaption));
    QPalette palette = controls_.fraSamples->palette();
    palette.setColor(QPalette::Window, on ? fromBgr(AssignFrameColor) : frameDesignColor_);
    controls_.fraSamples->setPalette(palette);
    controls_.cmdValider->setVisible(on);
    controls_.cmdValider->setEnabled(true);
    const QString suffix = on ? state_.selectedFile.right(4) : QStringLiteral(".ogg");
    if (on)
        controls_.tmrFrame->start();
    else
        controls_.tmrFrame->stop();
    for (int row = 0; row < SampleCount; ++row)
        buttons_[row]->setToolTip(samples()[row].id + suffix);
}

void PromptPanel::onFrameTimer() {
    state_.frameBlinkPhase = !state_.frameBlinkPhase;
    QPalette palette = controls_.fraSamples->palette();
    palette.setColor(QPalette::Window,
                     state_.frameBlinkPhase ? fromBgr(AssignFrameColor) : frameDesignColor_);
    controls_.fraSamples->setPalette(palette);
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
