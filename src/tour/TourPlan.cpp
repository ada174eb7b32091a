#include "tour/TourPlan.h"

#include "core/SampleLookup.h"

namespace tour {

PromptFiles promptFiles(const QString &folder) {
    const core::FolderIndex index(folder);
    PromptFiles present{};
    for (int row = 0; row < core::SampleCount; ++row)
        present[row] = !index.find(core::samples()[row].id).isEmpty();
    return present;
}

TourPlan planTour(const PromptFiles &present, const QVector<Instruction> &table) {
    const auto sayable = [&](const Instruction &instruction) {
        for (core::PromptRow p : instruction.prompts) {
            if (!p || !present[p.index()])
                return false;
        }
        return true;
    };
    std::array<bool, core::SampleCount> heard{};
    for (const Instruction &instruction : table) {
        if (sayable(instruction)) {
            for (core::PromptRow p : instruction.prompts)
                heard[p.index()] = true;
        }
    }
    TourPlan plan;
    std::array<bool, core::SampleCount> missing{};
    for (const Instruction &instruction : table) {
        if (sayable(instruction)) {
            plan.steps.push_back({instruction.text, instruction.prompts});
            continue;
        }
        ++plan.skipped;
        for (core::PromptRow p : instruction.prompts) {
            if (!p)
                continue;
            if (!present[p.index()]) {
                missing[p.index()] = true;
            } else if (!heard[p.index()]) {
                heard[p.index()] = true;
                plan.steps.push_back(
                    {core::samples()[p.index()].label + QStringLiteral(" (seul)"), {p}});
            }
        }
    }
    for (int row = 0; row < core::SampleCount; ++row) {
        if (missing[row])
            plan.missing.push_back(core::PromptRow::of(row));
    }
    return plan;
}

Schedule scheduleFrom(const TourPlan &plan, int from) {
    Schedule schedule;
    for (int step = std::max(from, 0); step < plan.steps.size(); ++step) {
        if (!schedule.elements.isEmpty()) {
            schedule.elements.push_back({0, false});
            schedule.stepOf.push_back(-1);
        }
        for (core::PromptRow p : plan.steps[step].prompts) {
            schedule.elements.push_back({p.index(), true});
            schedule.stepOf.push_back(step);
        }
    }
    return schedule;
}

QString missingList(const TourPlan &plan) {
    QStringList names;
    for (core::PromptRow p : plan.missing) {
        const core::SampleEntry &entry = core::samples()[p.index()];
        names << (entry.label == entry.id ? entry.id
                                          : entry.id + QStringLiteral(" (") + entry.label + u')');
    }
    return names.join(QStringLiteral(", "));
}

QString skippedLead(const TourPlan &plan) {
    return (plan.skipped == 1
                ? QStringLiteral("1 consigne ne peut pas être dite")
                : QStringLiteral("%1 consignes ne peuvent pas être dites").arg(plan.skipped)) +
           QStringLiteral(", faute de fichier pour");
}

} // namespace tour
