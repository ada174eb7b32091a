#pragma once

#include <QObject>
#include <QString>

#include "core/PromptRow.h"

class QPushButton;
class QWidget;
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

namespace core {
class Modes;
}

namespace files {

class FileBrowser;
struct FileOutcome;

// Giving a file of the current folder the name of a prompt: start with the file list's focused
// entry, pick the prompt (a press in the panel in assign mode sets the target), then confirm
// with "Valider".
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
    Assignment(const Widgets &widgets, FileBrowser &browser, core::Modes &modes,
               catalogue::PromptPanel &panel, playback::FilePlayback &filePlayback,
               ui::Dialogs &dialogs, QObject *parent = nullptr);

    // "Affecter à..." or F2: chooses the focused file in the browser and switches assign mode on.
    void start();
    // "Valider": asks, then renames the chosen file after the picked prompt.
    void confirm();

    // The prompt the chosen file would be named after: the first one until another is picked.
    void setTarget(core::PromptRow row);
    core::PromptRow target() const { return target_; }
    // The name the chosen file would get.
    QString targetName() const;

private:
    void focusSink();
    // The question asked before renaming `source` to `target`.
    QString confirmationText(const QString &source, const QString &target) const;
    // Tells why the rename cannot be made; assign mode stays on.
    void refuse(const QString &source, const QString &target, const FileOutcome &outcome);

    Widgets w_;
    FileBrowser &browser_;
    core::Modes &modes_;
    catalogue::PromptPanel &panel_;
    playback::FilePlayback &filePlayback_;
    ui::Dialogs &dialogs_;
    QString folder_; // where the pending assignment started
    core::PromptRow target_ = core::PromptRow::of(0);
};

} // namespace files
