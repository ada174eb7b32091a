#include "app/PressRouter.h"

#include "catalogue/PromptPanel.h"
#include "core/Modes.h"
#include "core/PromptRow.h"
#include "files/Assignment.h"
#include "playback/PromptChannel.h"
#include "sentence/SentenceComposer.h"

namespace app {

PressRouter::PressRouter(const Targets &targets, QObject *parent) : QObject(parent), t_(targets) {
    connect(&t_.panel, &catalogue::PromptPanel::pressed, this, &PressRouter::press);
    connect(&t_.panel, &catalogue::PromptPanel::doubleClicked, this, &PressRouter::doubleClick);
}

void PressRouter::press(int row, Qt::MouseButton button) {
    const core::PromptRow prompt = core::PromptRow::of(row);
    if (button == Qt::LeftButton) {
        if (t_.modes.assign()) {
            t_.assignment.setTarget(prompt);
        } else if (t_.modes.sentence()) {
            t_.composer.append(prompt);
            t_.promptChannel.updateCurrentIndex(prompt);
        } else {
            t_.promptChannel.press(prompt);
        }
    } else if (button == Qt::RightButton && !t_.modes.assign()) {
        t_.panel.reloadSample(row);
    }
}

void PressRouter::doubleClick(int row) {
    if (t_.modes.assign())
        t_.assignment.setTarget(core::PromptRow::of(row));
    else
        t_.composer.doubleClicked(core::PromptRow::of(row));
}

} // namespace app
