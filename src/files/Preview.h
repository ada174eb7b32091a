#pragma once

#include <QObject>
#include <QString>
#include <functional>

#include "ui/MainLayout.h"

struct WindowState;

namespace files {

// Selecting an entry of the file list plays the file on the file channel; selecting the same
// position again stops it. LastPreviewIndex is a list position, not a name.
class Preview : public QObject {
    Q_OBJECT
public:
    // Listens to the file list's clicks and focus moves by itself.
    Preview(const ui::Controls &controls, WindowState &state, QObject *parent = nullptr);

    std::function<void(const QString &name)> startFilePlayback;
    std::function<void()> stopFilePlayback;

    // The file list's click handling for its focused entry.
    void fileClicked();
    // Enter in the file list.
    void enterPressed();

private:
    void click(bool ctrlHeld);

    ui::Controls controls_;
    WindowState &state_;
};

} // namespace files
