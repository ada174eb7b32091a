#pragma once

#include <QLabel>
#include <QString>

class QAbstractButton;

// Long names shown in the middle-elided form ("début…fin"), so both the start and the extension
// stay readable, with the whole name kept where the user can still read it.
namespace ui {

// A run of characters with no space longer than this cannot be wrapped by a message box.
inline constexpr int LongestUnbrokenRun = 60;

// Every run of non-space characters longer than `longest` cut in its middle; the rest as it is.
QString elideLongRuns(const QString &text, int longest = LongestUnbrokenRun);

// The caption, elided in the middle to the button's room; the whole caption in its tooltip when
// it had to be cut.
void setFittingCaption(QAbstractButton *button, const QString &caption);

// A one-line label that draws its text elided in the middle when the text is wider than the
// label; text() stays whole, and the tooltip then shows it.
class ElidingLabel : public QLabel {
public:
    using QLabel::QLabel;
    // What is drawn now.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace ui
