#pragma once

#include <QPushButton>
#include <QStringList>

namespace ui {

// A prompt button: a checkable push button in the panel's exclusive group, so that the prompt
// pressed last stays down. The press itself (left or right) is told as mousePressed, and the
// second press of a double click only as doubleClicked.
class PromptButton : public QPushButton {
    Q_OBJECT
public:
    PromptButton(int row, QWidget *parent);
    int row() const { return row_; }

signals:
    void mousePressed(int row, Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
    void doubleClicked(int row);
    void keyPressed(int row);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    // The caption's lines and the font that makes them fit, worked out again only when the
    // caption, size or font change.
    struct Caption {
        QString text;
        QSize size;
        QFont baseFont;
        QFont font;
        QStringList lines;
        int lineHeight = 0;
    };
    const Caption &caption(const QRect &area);

    int row_;
    Caption caption_;
};

} // namespace ui
