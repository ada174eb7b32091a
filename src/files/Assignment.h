#pragma once

#include <QObject>
#include <QString>

class QPushButton;
class QWidget;
struct WindowState;
namespace catalogue {
class PromptPanel;
}
namespace playback {
class FilePlayback;
}
namespace ui {
class Dialogs;
class FileList;
} // namespace ui

namespace files {

// Giving a file of the current folder the name of a prompt: start with the file list's focused
// entry, pick the prompt in the panel (the panel records the pick), then confirm with "Valider".
class Assignment : public QObject {
    Q_OBJECT
public:
    struct Widgets {
        ui::FileList *File1 = nullptr;
        QPushButton *cmdAssign = nullptr;
        QPushButton *cmdValider = nullptr;
        QWidget *cmdDummy = nullptr;
    };

    // Connects the clicks of "Affecter à..." and "Valider".
    Assignment(const Widgets &widgets, WindowState &state, catalogue::PromptPanel &panel,
               playback::FilePlayback &filePlayback, ui::Dialogs &dialogs,
               QObject *parent = nullptr);

    // "Affecter à..." or F2: takes the focused file and puts the panel in assign mode.
    void start();
    // "Valider": asks, then renames the chosen file after the picked prompt.
    void confirm();

    // The name the chosen file would get.
    QString targetName() const;

private:
    void focusSink();

    Widgets w_;
    WindowState &state_;
    catalogue::PromptPanel &panel_;
    playback::FilePlayback &filePlayback_;
    ui::Dialogs &dialogs_;
    QString folder_; // where the pending assignment started
};

} // namespace files
