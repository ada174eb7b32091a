#pragma once

#include <QObject>
#include <optional>

namespace ui {
struct Controls;
}

namespace app {

class KeyActions;

// Where a key is pressed: at the focus sink (the window's own keys), in the file list or in the
// folder list.
enum class KeyPlace { Sink, FileList, FolderList };

enum class KeyAction {
    Listen,         // plays the sentence in sentence mode
    EscapeAtSink,   // leaves the innermost mode, else stops what sounds
    EscapeInFiles,  // leaves assign mode, else stops the file channel
    LeaveAssign,    // leaves assign mode, if on
    StartAssign,    // F2
    Refresh,        // F5
    OpenSentence,   // Ctrl+O
    SaveSentence,   // Ctrl+S
    PreviewFocused, // plays the focused file, unless Ctrl is held
    DeleteFile,
    UndoDelete, // Ctrl+Z: the last deleted files back from the trash
    OpenFolder,
    Record, // Ctrl+R: the recorder
};

// The action the keyboard table binds to `key` at `place`; nullopt when it binds none, and the
// key then goes on to the control (at the sink: nowhere).
std::optional<KeyAction> keyAction(KeyPlace place, int key, Qt::KeyboardModifiers modifiers);

// The window's keys, in one table for the focus sink, the file list and the folder list: it
// watches the three controls' key events and triggers the bound action.
class KeyTable : public QObject {
    Q_OBJECT
public:
    KeyTable(const ui::Controls &controls, KeyActions &actions, QObject *parent = nullptr);

    // Runs what `key` does at `place`; false when the table binds nothing there.
    bool press(KeyPlace place, int key, Qt::KeyboardModifiers modifiers);

signals:
    // Ctrl+R: the recorder lives beside the controllers, in the window.
    void recordRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void run(KeyAction action, Qt::KeyboardModifiers modifiers);

    QObject *sink_;
    QObject *fileList_;
    QObject *folderList_;
    KeyActions &a_;
};

} // namespace app
