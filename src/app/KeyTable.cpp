#include "app/KeyTable.h"

#include <QKeyEvent>
#include <QPushButton>

#include "app/Controllers.h"
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

KeyTable::KeyTable(const ui::Controls &controls, Controllers &controllers, QObject *parent)
    : QObject(parent), sink_(controls.cmdDummy), fileList_(controls.File1),
      folderList_(controls.Dir1), c_(controllers) {
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

void KeyTable::escapeAtSink() {
    if (c_.modes.assign()) // leaving it costs nothing; a cancelled conversion is work lost
        c_.modes.setAssign(false);
    else if (c_.convert.isRunning())
        c_.convert.cancelRun(); // as "Annuler" does
    else if (c_.modes.sentence() && c_.modes.listening())
        c_.composer.setListening(false);
    else if (c_.modes.sentence())
        c_.composer.setSentenceMode(false);
    else if (c_.filePlayback.isPlaying())
        c_.filePlayback.stopFilePlayback();
    else
        c_.promptChannel.stopButtonSample(c_.promptChannel.current());
}

void KeyTable::run(KeyAction action, Qt::KeyboardModifiers modifiers) {
    switch (action) {
    case Listen:
        if (c_.modes.sentence())
            c_.composer.setListening(true);
        break;
    case EscapeAtSink:
        escapeAtSink();
        break;
    case EscapeInFiles:
        if (c_.modes.assign())
            c_.modes.setAssign(false);
        else
            c_.filePlayback.stopFilePlayback();
        break;
    case LeaveAssign:
        if (c_.modes.assign())
            c_.modes.setAssign(false);
        break;
    case StartAssign:
        c_.assignment.start();
        break;
    case Refresh:
        c_.browser.refreshFiles();
        break;
    case OpenSentence:
        c_.composer.openSentence();
        break;
    case SaveSentence:
        c_.composer.saveSentence();
        break;
    case PreviewFocused:
        c_.preview.enterPressed(modifiers.testFlag(Qt::ControlModifier));
        break;
    case DeleteFile:
        c_.deletion.deleteSelected();
        break;
    case OpenFolder:
        c_.browser.openHighlightedFolder();
        break;
    case Record:
        emit recordRequested();
        break;
    }
}

} // namespace app
