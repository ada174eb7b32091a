#include "ui/PromptButton.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTextLayout>

namespace ui {

namespace {

// A one-letter word ("à") stays with the word after it, as French typesetting wants: the space
// after it turns unbreakable. By hand: a regular expression would start its engine on the first
// paint.
void glueOneLetterWords(QString &text) {
    const auto blank = [&text](qsizetype i) { return text[i].isSpace(); };
    qsizetype i = 0;
    while (i + 1 < text.size()) {
        // A letter at the start, or after a blank, then a plain space.
        const qsizetype letter = i == 0 && !blank(0) ? 0 : i + 1;
        if (letter == i + 1 && !blank(i)) {
            ++i;
            continue;
        }
        const qsizetype width = text[letter].isHighSurrogate() && letter + 1 < text.size() &&
                                        text[letter + 1].isLowSurrogate()
                                    ? 2
                                    : 1;
        const qsizetype space = letter + width;
        if (space < text.size() && !blank(letter) && text[space] == u' ') {
            text[space] = QChar(0xA0);
            i = space + 1;
        } else {
            ++i;
        }
    }
}

// Word-wraps each line of `text` to `width`; `fits` turns false if a word is wider than that.
QStringList wrapLines(const QString &text, const QFont &font, int width, bool &fits) {
    QStringList lines;
    fits = true;
    for (QString paragraph : text.split(u'\n')) {
        glueOneLetterWords(paragraph);
        QTextLayout layout(paragraph, font);
        QTextOption option(Qt::AlignHCenter);
        option.setWrapMode(QTextOption::WordWrap);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            if (line.naturalTextWidth() > width)
                fits = false;
            lines.append(paragraph.mid(line.textStart(), line.textLength())
                             .replace(QChar(0xA0), u' ')
                             .trimmed());
        }
        layout.endLayout();
    }
    return lines;
}

} // namespace

PromptButton::PromptButton(int row, QWidget *parent) : QPushButton(parent), row_(row) {
    setCheckable(true);
    setFocusPolicy(Qt::NoFocus);
}

void PromptButton::mousePressEvent(QMouseEvent *event) {
    // The push button handles the press first (it is drawn down), then the press is told.
    QPushButton::mousePressEvent(event);
    emit mousePressed(row_, event->button(), event->modifiers());
}

void PromptButton::mouseDoubleClickEvent(QMouseEvent *event) {
    // Not forwarded to the press handling: a double click neither plays nor appends twice.
    if (event->button() == Qt::LeftButton)
        emit doubleClicked(row_);
    event->accept();
}

void PromptButton::keyPressEvent(QKeyEvent *event) {
    emit keyPressed(row_);
    event->accept();
}

void PromptButton::paintEvent(QPaintEvent *) {
    // Drawn by hand: a flat face in the button's colour with a one-pixel bevel, raised or sunk
    // while selected or held down, and the caption wrapped at word boundaries so that a long
    // one-line label takes a second line instead of being cut. Cheaper than the style's
    // gradients, which matters with 59 of them on the first paint.
    QPainter p(this);
    const QRect r = rect();
    const QColor face = palette().color(QPalette::Button);
    const bool sunken = isDown() || isChecked();
    p.fillRect(r, sunken ? face.darker(112) : face);
    const QColor light = face.lighter(135);
    const QColor dark = face.darker(160);
    // One-pixel rectangles rather than lines: the same pixels, without the pen's stroking.
    const QColor topLeft = sunken ? dark : light;
    const QColor bottomRight = sunken ? light : dark;
    p.fillRect(QRect(r.left(), r.top(), r.width(), 1), topLeft);
    p.fillRect(QRect(r.left(), r.top(), 1, r.height()), topLeft);
    p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), bottomRight);
    p.fillRect(QRect(r.right(), r.top(), 1, r.height()), bottomRight);
    p.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    const int shift = sunken ? 1 : 0;
    const QRect area = r.adjusted(3 + shift, 2 + shift, -3 + shift, -2 + shift);
    const Caption &c = caption(area);
    p.setFont(c.font);
    int top = area.top() + (area.height() - c.lineHeight * int(c.lines.size())) / 2;
    for (const QString &line : c.lines) {
        p.drawText(QRect(area.left(), top, area.width(), c.lineHeight), Qt::AlignCenter, line);
        top += c.lineHeight;
    }
}

const PromptButton::Caption &PromptButton::caption(const QRect &area) {
    if (caption_.text == text() && caption_.size == area.size() && caption_.baseFont == font())
        return caption_;
    caption_.text = text();
    caption_.size = area.size();
    caption_.baseFont = font();
    // Lines spaced by the glyphs' full height (some faces declare a line spacing smaller than
    // their glyphs, which makes two lines touch), and a caption that would need more lines than
    // the button holds gets a smaller font rather than a clipped last line.
    QFont f = font();
    for (;;) {
        const QFontMetrics metrics(f);
        caption_.lineHeight = std::max(metrics.lineSpacing(), metrics.height()) + 1;
        bool fits = false;
        caption_.lines = wrapLines(caption_.text, f, area.width(), fits);
        if ((fits && caption_.lines.size() * caption_.lineHeight <= area.height()) ||
            f.pointSizeF() <= 6)
            break;
        f.setPointSizeF(f.pointSizeF() - 0.5);
    }
    caption_.font = f;
    return caption_;
}

} // namespace ui
