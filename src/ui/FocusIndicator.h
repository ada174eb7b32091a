#pragma once

#include <QPointer>
#include <QWidget>

namespace ui {

// A ring drawn around whichever control of the window holds the keyboard focus, so that Tab
// shows where it went whatever the control's own style draws. The focus sink gets none: it
// holds the focus while nothing is meant to look focused.
class FocusIndicator : public QWidget {
public:
    FocusIndicator(QWidget *window, QWidget *focusSink);

    // The control the ring is around; null while it is hidden.
    QWidget *target() const { return target_; }

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void follow(QWidget *focused);
    void place();

    QWidget *sink_;
    QPointer<QWidget> target_;
};

} // namespace ui
