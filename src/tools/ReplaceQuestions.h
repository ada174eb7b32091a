#pragma once

#include <QString>

#include "ui/Dialogs.h"

namespace tools {

// The "replace?" questions of one run. With several files to replace, each question also offers
// "Oui pour tous" and "Non pour tous", and once either is chosen the rest are not asked; a single
// file gets the plain OK/Cancel question.
class ReplaceQuestions {
public:
    ReplaceQuestions(ui::Dialogs &dialogs, int count) : dialogs_(dialogs), many_(count > 1) {}

    // Whether the file the question names is to be replaced.
    bool replace(const QString &question, const QString &title) {
        if (forAll_ != ui::Answer::Cancel)
            return forAll_ == ui::Answer::YesToAll;
        const ui::Answer answer =
            dialogs_.message(question, title, ui::Icon::Exclamation,
                             many_ ? ui::Buttons::OkCancelAll : ui::Buttons::OkCancel);
        if (answer == ui::Answer::YesToAll || answer == ui::Answer::NoToAll)
            forAll_ = answer;
        return answer == ui::Answer::Ok || answer == ui::Answer::YesToAll;
    }

private:
    ui::Dialogs &dialogs_;
    bool many_;
    ui::Answer forAll_ = ui::Answer::Cancel; // Cancel: nothing chosen for all yet
};

} // namespace tools
