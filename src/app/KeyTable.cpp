#include "app/KeyTable.h"

#include <QKeyEvent>
#include <QPushButton>

#include "app/KeyActions.h"
#include "ui/DirList.h"
#include "ui/FileList.h"
#include "ui/MainLayout.h"

namespace app {

namespace {

struct KeyBinding {
    KeyPlace place;
    int key;
    bool needsCtrl; // other bindings take the key whatever the modifiers
    KeyAction action;
};

using enum KeyPlace;
using enum KeyAction;

constexpr KeyBinding Bindings[] = {
    {Sink, Qt::Key_Return, false, Listen},
    {Sink, Qt::Key_Enter, false, Listen},
    {Sink, Qt::Key_Escape, false, EscapeAtSink},
    {Sink, Qt::Key_F2, false, StartAssign},
    {Sink, Qt::Key_F5, false, Refresh},
    {Sink, Qt::Key_O, true, OpenSentence},
    {Sink, Qt::Key_S, true, SaveSentence},
    {FileList, Qt::Key_Return, false, PreviewFocused},
    {FileList, Qt::Key_Enter, false, PreviewFocused},
    {FileList, Qt::Key_Escape, false, EscapeInFiles},
    {FileList, Qt::Key_F2, false, StartAssign},
    {FileList, Qt::Key_F5, false, Refresh},
    {FileList, Qt::Key_Delete, false, DeleteFile},
    {FolderList, Qt::Key_Return, false, OpenFolder},
    {FolderList, Qt::Key_Enter, false, OpenFolder},
    {FolderList, Qt::Key_Escape, false, LeaveAssign},
    {FolderList, Qt::Key_F2, false, StartAssign},
    {FolderList, Qt::Key_F5, false, Refresh},
    {Sink, Qt::Key_R, true, Record},
    {FileList, Qt::Key_R, true, Record},
    {FolderList, Qt::Key_R, true, Record},
    {Sink, Qt::Key_Z, true, UndoDelete},
    {FileList, Qt::Key_Z, true, UndoDelete},
    {FolderList, Qt::Key_Z, true, UndoDelete},
};

} // namespace

std::optional<KeyAction> keyAction(KeyPlace place, int key, Qt::KeyboardModifiers modifiers) {
    for (const KeyBinding &binding : Bindings) {
        if (binding.place == place && binding.key == key &&
            (!binding.needsCtrl || modifiers.testFlag(Qt::ControlModifier)))
            return binding.action;
    }
    return std::nullopt;
}

KeyTable::KeyTable(const ui::Controls &controls, KeyActions &actions, QObject *parent)
    : QObject(parent), sink_(controls.cmdDummy), fileList_(controls.File1),
      folderList_(controls.Dir1), a_(actions) {
    for (QObject *place : {sink_, fileList_, folderList_})
        place->installEventFilter(this);
}

bool KeyTable::press(KeyPlace place, int key, Qt::KeyboardModifiers modifiers) {
    const std::optional<KeyAction> action = keyAction(place, key, modifiers);
    if (action)
        run(*action, modifiers);
    return action.has_value();
}

bool KeyTable::eventFilter(QObject *watched, QEvent *event) {
    const bool keyPress = event->type() == QEvent::KeyPress;
    if (!keyPress && event->type() != QEvent::KeyRelease)
        return QObject::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    if (watched == sink_) {
        // Every key at the focus sink is the window's, and nowhere else's: the sink must not be
        // "pressed" by Space or Enter.
        if (keyPress)
            press(Sink, key->key(), key->modifiers());
        return true;
    }
    if (keyPress && (watched == fileList_ || watched == folderList_))
        return press(watched == fileList_ ? FileList : FolderList, key->key(), key->modifiers());
    return QObject::eventFilter(watched, event);
}

void KeyTable::run(KeyAction action, Qt::KeyboardModifiers modifiers) {
    switch (action) {
    case Listen:
        a_.listen();
        break;
    case EscapeAtSink:
        a_.escapeAtSink();
        break;
    case EscapeInFiles:
        a_.escapeInFiles();
        break;
    case LeaveAssign:
        a_.leaveAssign();
        break;
    case StartAssign:
        a_.startAssign();
        break;
    case Refresh:
        a_.refresh();
        break;
    case OpenSentence:
        a_.openSentence();
        break;
    case SaveSentence:
        a_.saveSentence();
        break;
    case PreviewFocused:
        a_.previewFocused(modifiers.testFlag(Qt::ControlModifier));
        break;
    case DeleteFile:
        a_.deleteFile();
        break;
    case UndoDelete:
        a_.undoDelete();
        break;
    case OpenFolder:
        a_.openFolder();
        break;
    case Record:
        emit recordRequested();
        break;
    }
}

} // namespace app
