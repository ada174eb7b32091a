#pragma once

#include <QListWidget>

namespace ui {

// The file list: names of the regular, non-hidden files of `path()` (links to regular files
// included; folders, devices, FIFOs and links to them never) that match `pattern()` (masks joined
// by ";", matched without regard to case, "*.*" taking every name), sorted by name without regard
// to case. The focused entry is the current row; -1 when there is none.
//
// A name that is not valid UTF-8 is shown greyed, with U+FFFD for its bad bytes, and can be
// neither focused nor selected: the program could not reach the file by the name it shows, and
// hiding it would let the user believe the folder holds less than it does.
class FileList : public QListWidget {
    Q_OBJECT
public:
    explicit FileList(QWidget *parent = nullptr);

    // Each of these re-reads the list and leaves no entry focused or selected.
    void setPath(const QString &folder);
    void setPattern(const QString &pattern);
    QString path() const { return path_; }
    QString pattern() const { return pattern_; }

    // Re-reads the list from disk, keeping the focused and selected entries by name.
    // Does nothing when the names are unchanged.
    void refresh();

    // The name at `row`; empty when there is no such row.
    QString fileName(int row) const;
    QStringList fileNames() const;

    struct Listed {
        QString name;
        bool usable; // false for a name that is not valid UTF-8
    };
    // The files of `folder` that match `pattern`, in the list's order.
    static QList<Listed> listFiles(const QString &folder, const QString &pattern);

signals:
    // An entry became the focused one by a left click (also when it already was) or by a key
    // that moved the focus. `ctrlHeld`: the click or key was made with Ctrl held.
    void entryChosen(bool ctrlHeld);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

private:
    void fill(const QList<Listed> &files);

    QString path_;
    QString pattern_;
};

} // namespace ui
