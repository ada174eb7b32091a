#pragma once

#include <QString>
#include <QVector>

// A sentence is held twice: the text the user sees (one-line labels joined by " ; ") and its code,
// the catalogue rows written on two digits, each followed by ";" (00;05;11;). A code read from a
// file has no final ";" and may hold anything a hand edit put there; every rule here takes both.
namespace sentence {

inline QString separator() {
    return QStringLiteral(" ; ");
}

// "03;10;" + 55 -> "03;10;55;"; a code without its final ";" gets one first.
QString appendRow(const QString &code, int row);

// Backspace on the code: a code longer than 3 characters loses its last element. Shorter ones are
// left alone; the text change empties them when the text has become empty.
QString dropLastElement(const QString &code);

// Backspace on the text: what stands before the last " ; ", or nothing.
QString dropLastLabel(const QString &text);

struct Element {
    int row;    // meaningful only when valid
    bool valid; // a whole number naming a catalogue row (0..58)
};

// The elements to play: one per piece between ";", an empty last piece dropped.
QVector<Element> parseElements(const QString &code);

// The sentence text a code stands for: the labels of its catalogue rows joined by " ; ". Pieces
// naming no row add nothing to the text (they keep their place in the code).
QString textForCode(const QString &code);

} // namespace sentence
