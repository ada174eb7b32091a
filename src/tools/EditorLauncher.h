#pragma once

#include <QObject>
#include <QString>

class QMenu;
class QPoint;
class QPushButton;
namespace core {
class BrowserView;
}
namespace playback {
class FilePlayback;
class PromptChannel;
} // namespace playback
namespace ui {
class Dialogs;
class FileList;
} // namespace ui

namespace pipeline {
class ProcessRunner;
}

namespace tools {

// The part after the last separator; the whole text when there is none.
QString fileNameOfPath(const QString &path);
// The part before the last "."; the whole text when there is none.
QString stripExtension(const QString &name);

// The "Ouvrir avec" button: opens the file focused in the file list in the user's audio editor,
// asking for the editor first while none is known. It owns the editor's name and path, from
// which the button's caption is made.
class EditorLauncher : public QObject {
    Q_OBJECT
public:
    struct Widgets {
        QPushButton *cmdOpenSample = nullptr;
        ui::FileList *File1 = nullptr;
    };

    // Listens to the button's clicks by itself; opens files of the folder `browser` shows.
    EditorLauncher(const Widgets &widgets, const core::BrowserView &browser,
                   playback::FilePlayback &filePlayback, playback::PromptChannel &promptChannel,
                   ui::Dialogs &dialogs, pipeline::ProcessRunner &runner,
                   QObject *parent = nullptr);

    void click();
    // "Choisir un autre éditeur..." in the button's context menu (right click): the steps of
    // the first click again, the file opening aside; Cancel keeps the editor there was.
    void chooseAnother();

    QString editorName() const { return editorName_; }
    QString editorPath() const { return editorPath_; }
    // The editor remembered from an earlier run (both empty: none), shown on the button.
    void setEditor(const QString &name, const QString &path);

signals:
    // A click chose the focused file; it opens once an editor is known.
    void fileChosen(const QString &name);

private:
    bool chooseEditor();
    void launch(const QString &name);
    void forget();
    void showCaption();
    void showMenu(const QPoint &at);

    Widgets w_;
    const core::BrowserView &browser_;
    playback::FilePlayback &filePlayback_;
    playback::PromptChannel &promptChannel_;
    ui::Dialogs &dialogs_;
    pipeline::ProcessRunner &runner_;
    QString editorName_;
    QString editorPath_;
    QMenu *menu_ = nullptr;
    bool cancelled_ = false; // the last choice of an editor was cancelled
};

} // namespace tools
