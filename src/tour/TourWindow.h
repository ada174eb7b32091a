#pragma once

#include <QWidget>

class QLabel;
class QListWidget;
class QPushButton;

namespace tour {

// The small window of the tour: the instruction being said, "N / M", the controls and the
// prompts that kept instructions from being heard. A view: it tells what the user asks.
class TourWindow : public QWidget {
    Q_OBJECT
public:
    explicit TourWindow(QWidget *parent = nullptr);

    QLabel *instruction() const { return lblInstruction_; }
    QLabel *counter() const { return lblCounter_; }
    QPushButton *pauseButton() const { return cmdPause_; }
    QPushButton *nextButton() const { return cmdNext_; }
    QPushButton *stopButton() const { return cmdStop_; }
    QPushButton *saveButton() const { return cmdSave_; }
    QLabel *missingTitle() const { return lblMissing_; }
    QListWidget *missingList() const { return lstMissing_; }
    QLabel *status() const { return lblStatus_; }

signals:
    void pauseRequested();
    void nextRequested();
    void stopRequested(); // Arrêter, Escape or the window's close
    void saveRequested();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QLabel *lblInstruction_;
    QLabel *lblCounter_;
    QPushButton *cmdPause_;
    QPushButton *cmdNext_;
    QPushButton *cmdStop_;
    QPushButton *cmdSave_;
    QLabel *lblMissing_;
    QListWidget *lstMissing_;
    QLabel *lblStatus_;
};

} // namespace tour
