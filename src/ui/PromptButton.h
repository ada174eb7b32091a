#pragma once

#include <QPushButton>

namespace ui {

// A prompt button: an option button drawn as a push button. The window reacts to the press
// itself (left or right), and the second press of a double click arrives only as doubleClicked.
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
    int row_;
};

} // namespace ui
