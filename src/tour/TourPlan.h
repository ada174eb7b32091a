#pragma once

#include <QString>
#include <QVector>
#include <array>

#include "core/PromptRow.h"
#include "core/SampleTable.h"
#include "sentence/SentenceCode.h"
#include "tour/TourTable.h"

// Which instructions of the tour a pack can say, and the sentence the engine plays for them.
// No widgets: the window and `parlotte --tour` plan alike, so they play the same thing.
namespace tour {

// The silence between two instructions.
constexpr int GapMs = 800;

struct Step {
    QString text;
    QVector<core::PromptRow> prompts;
};

struct TourPlan {
    QVector<Step> steps; // what is heard, in order
    int skipped = 0;     // instructions of the table left out
    // The prompts without a file that kept instructions out, in catalogue order.
    QVector<core::PromptRow> missing;
};

using PromptFiles = std::array<bool, core::SampleCount>;

// Whether `folder` has a file for each prompt, by the rule a prompt press follows.
PromptFiles promptFiles(const QString &folder);

// Keeps the instructions whose every prompt has a file. An instruction is never said with a
// hole: one that lacks a prompt is left out, and those of its prompts that no kept instruction
// says are heard alone in its place, so every prompt with a file is still heard.
TourPlan planTour(const PromptFiles &present, const QVector<Instruction> &table = tourTable());

// The elements of one engine sentence playing the steps from `from` on, a silence (an element
// naming no prompt) between two steps; and for each element its step, -1 for a silence.
struct Schedule {
    QVector<sentence::Element> elements;
    QVector<int> stepOf;
};
Schedule scheduleFrom(const TourPlan &plan, int from);

// "After (Après), 800": each missing prompt by its id, and its label when it says more.
QString missingList(const TourPlan &plan);
// "3 consignes ne peuvent pas être dites, faute de fichier pour" (then the prompts).
QString skippedLead(const TourPlan &plan);

} // namespace tour
