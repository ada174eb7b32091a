#include "sentence/SentenceCode.h"

#include <QStringList>

#include "core/PromptRow.h"

namespace sentence {

namespace {

// A piece names a row only when it is a whole number within the catalogue. Hand-edited files may
// bring anything else, which must neither crash nor shift the other pieces.
Element elementOf(const QString &piece) {
    bool ok = false;
    const qlonglong value = piece.trimmed().toLongLong(&ok);
    const core::PromptRow row = ok ? core::PromptRow::of(value) : core::PromptRow();
    if (!row)
        return {0, false};
    return {row.index(), true};
}

} // namespace

QString appendRow(const QString &code, int row) {
    QString result = code;
    if (!result.isEmpty() && !result.endsWith(u';'))
        result += u';';
    result += QStringLiteral("%1;").arg(row, 2, 10, QLatin1Char('0'));
    return result;
}

QString dropLastElement(const QString &code) {
    if (code.size() <= 3)
        return code;
    QString result = code;
    if (!result.endsWith(u';'))
        result += u';';
    result.chop(3);
    return result;
}

QString dropLastLabel(const QString &text) {
    const qsizetype at = text.lastIndexOf(separator());
    return at < 0 ? QString() : text.left(at);
}

QVector<Element> parseElements(const QString &code) {
    QStringList pieces = code.split(u';');
    if (pieces.last().isEmpty())
        pieces.removeLast();
    QVector<Element> elements;
    elements.reserve(pieces.size());
    for (const QString &piece : pieces)
        elements.append(elementOf(piece));
    return elements;
}

QString textForCode(const QString &code) {
    if (code.isEmpty())
        return {};
    QString text;
    for (const QString &piece : code.split(u';')) {
        const Element e = elementOf(piece);
        if (e.valid)
            text += core::samples()[e.row].label + separator();
    }
    if (text.endsWith(separator()))
        text.chop(3);
    return text;
}

} // namespace sentence
