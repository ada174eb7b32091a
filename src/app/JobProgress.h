#pragma once

#include <QDialog>
#include <QMap>
#include <QStringList>

class QLabel;
class QProgressBar;
class QPushButton;

namespace app {

// The progress of a long job, beside the main window: which files are being worked on
// ("Fichier 3 sur 12 : ..." with the share done of each), the whole job on a bar, and "Annuler".
// It does not block the window.
class JobProgress : public QDialog {
    Q_OBJECT
public:
    explicit JobProgress(QWidget *parent = nullptr);

    // A new job, titled `title`, on these files.
    void begin(const QString &title, const QStringList &names);
    void fileStarted(int index);
    void fileProgress(int index, int percent);
    void fileDone(int index);
    // After "Annuler": the button is spent until the next run.
    void cancelling();

    QString fileText() const;

signals:
    void cancelRequested();

protected:
    void reject() override; // Escape and the close box mean "Annuler" too

private:
    void refreshText();

    QStringList names_;
    QMap<int, int> running_; // index -> percent
    int done_ = 0;
    QLabel *label_;
    QProgressBar *bar_;
    QPushButton *cancel_;
};

} // namespace app
