#pragma once

namespace app {

// What the window's keys trigger, one method per action of the key table: the table sees this
// and nothing else of the controllers. A new key adds a method here, its row and case in the
// table, and its body in WindowActions.
class KeyActions {
public:
    virtual ~KeyActions() = default;
    virtual void listen() = 0;        // Enter at the sink: plays the sentence in sentence mode
    virtual void escapeAtSink() = 0;  // stops the running job, else leaves a mode, else a sound
    virtual void escapeInFiles() = 0; // leaves assign mode, else stops the file channel
    virtual void leaveAssign() = 0;   // leaves assign mode, if on
    virtual void startAssign() = 0;   // F2
    virtual void refresh() = 0;       // F5
    virtual void openSentence() = 0;  // Ctrl+O
    virtual void saveSentence() = 0;  // Ctrl+S
    // Enter in the file list: plays the focused file, unless Ctrl is held.
    virtual void previewFocused(bool ctrlHeld) = 0;
    virtual void deleteFile() = 0;
    virtual void undoDelete() = 0;
    virtual void openFolder() = 0; // Enter in the folder list
};

} // namespace app
