#include "ui/Elide.h"

#include <QAbstractButton>
#include <QPainter>
#include <QStyleOptionButton>

namespace ui {

namespace {

const QChar Ellipsis(0x2026);

QString cutMiddle(const QString &run, int longest) {
    const int head = (longest - 1) / 2;
    const int tail = longest - 1 - head;
    return run.left(head) + Ellipsis + run.right(tail);
}

} // namespace

QString elideLongRuns(const QString &text, int longest) {
    QString out;
    out.reserve(text.size());
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && !text[end].isSpace())
            ++end;
        const QString run = text.mid(start, end - start);
        out += run.size() > longest ? cutMiddle(run, longest) : run;
        qsizetype next = end;
        while (next < text.size() && text[next].isSpace())
            ++next;
        out += text.mid(end, next - end);
        start = next;
    }
    return out;
}

void setFittingCaption(QAbstractButton *button, const QString &caption) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.rect = button->rect();
    const QRect contents =
        button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    // A few pixels of air, as the style leaves around a caption that fits.
    const int room = contents.width() - 4;
    const QString shown = button->fontMetrics().elidedText(caption, Qt::ElideMiddle, room);
    button->setText(shown);
    button->setToolTip(shown == caption ? QString() : caption);
}

QString ElidingLabel::shownText() const {
    const int room = contentsRect().width() - 2 * margin() - 2 * indent();
    return fontMetrics().elidedText(text(), Qt::ElideMiddle, std::max(room, 0));
}

void ElidingLabel::paintEvent(QPaintEvent *) {
    const QString shown = shownText();
    // Kept in step with what is drawn: the tooltip is there exactly when the text is cut.
    const QString tip = shown == text() ? QString() : text();
    if (toolTip() != tip)
        setToolTip(tip);
    QPainter painter(this);
    style()->drawItemText(
        &painter, contentsRect().adjusted(margin(), margin(), -margin(), -margin()),
        static_cast<int>(alignment()), palette(), isEnabled(), shown, foregroundRole());
}

} // namespace ui
