#pragma once

#include <QString>
#include <array>

// The 59 prompts of a voice pack. The row number is a prompt's identity everywhere (its button,
// the elements of stored sentences), so the order is stored data and must never change.
namespace core {

constexpr int SampleCount = 59;

// Each entry is the label (two-line labels hold CR LF), ";", then the SampleId.
const std::array<QString, SampleCount> &sampleTable();

struct SampleEntry {
    QString caption; // the label as the button shows it, line break included
    QString label;   // one-line form, line break replaced by a space
    QString id;      // base name of the prompt's sound file
};

SampleEntry splitEntry(const QString &entryText);

// Derived once from the table: each row's caption, label and file base name.
const std::array<SampleEntry, SampleCount> &samples();

} // namespace core
