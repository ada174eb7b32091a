// A sentence code as a hand edit may leave it: every rule takes it without failing, and the
// rules keep their promises.
#include <QString>
#include <cstdint>

#include "FuzzCheck.h"
#include "core/PromptRow.h"
#include "core/SampleTable.h"
#include "sentence/SentenceCode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size == 0)
        return 0;
    const int row = data[0] % core::SampleCount;
    const QString code = QString::fromUtf8(reinterpret_cast<const char *>(data) + 1,
                                           static_cast<qsizetype>(size - 1));

    for (const sentence::Element &e : sentence::parseElements(code))
        check(!e.valid || core::PromptRow::of(e.row));
    const QString text = sentence::textForCode(code);
    check(!text.endsWith(sentence::separator()));
    sentence::dropLastLabel(text);

    // A pressed prompt always ends the code as its own two-digit element.
    const QString grown = sentence::appendRow(code, row);
    const QVector<sentence::Element> elements = sentence::parseElements(grown);
    check(!elements.isEmpty() && elements.last().valid && elements.last().row == row);
    check(grown.endsWith(QStringLiteral("%1;").arg(row, 2, 10, QLatin1Char('0'))));
    if (grown.size() > 3)
        check(sentence::dropLastElement(grown) == grown.left(grown.size() - 3));
    return 0;
}
