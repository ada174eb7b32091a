#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QPushButton;
class QWidget;
struct WindowState;
namespace playback {
class FilePlayback;
}
namespace files {
class FileBrowser;
}
namespace ui {
class Dialogs;
class FileList;
} // namespace ui

namespace tools {

class ConversionProgress;
class Converter;

// "Convertir en .ogg": every selected file of the file list, in list order, becomes an Ogg
// Vorbis file beside it. The "replace?" questions are all asked first; then the files are
// converted in parallel off the UI thread while a progress display offers "Annuler"; failures
// are told in one message at the end, and the file list is refreshed.
class ConvertController : public QObject {
    Q_OBJECT
public:
    struct Widgets {
        QPushButton *cmdConvert = nullptr;
        ui::FileList *File1 = nullptr; // whose selected files are converted
        QWidget *cmdDummy = nullptr;   // takes the focus back
    };

    // `programFolder` is searched first for the encoder.
    ConvertController(const QString &programFolder, const Widgets &widgets, WindowState &state,
                      ui::Dialogs &dialogs, files::FileBrowser &browser,
                      playback::FilePlayback &playback, QObject *parent = nullptr);
    ~ConvertController() override;

    // The button's click (and Alt+C).
    void convert();
    bool isRunning() const;
    // "Annuler" and Escape: the encoders stop, the temporary files go, the sources stay.
    void cancelRun();
    // Cancels a running conversion and waits for it, with no message and no refresh: the
    // window is closing.
    void shutdown();

    ConversionProgress &progressDisplay() { return *progress_; }
    // The current or last run; null before the first.
    Converter *converter() { return converter_.get(); }

signals:
    void runFinished();

private:
    void finish();
    void tellFailures();

    QString programFolder_;
    Widgets w_;
    WindowState &state_;
    ui::Dialogs &dialogs_;
    files::FileBrowser &browser_;
    playback::FilePlayback &playback_;
    ConversionProgress *progress_;
    std::unique_ptr<Converter> converter_;
    bool closing_ = false;
};

} // namespace tools
