#pragma once

#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>
#include <memory>

class QPushButton;
class QWidget;
namespace core {
class BrowserView;
class JobHost;
} // namespace core
namespace playback {
class FilePlayback;
}
namespace ui {
class Dialogs;
class FileList;
} // namespace ui

namespace tools {

class Converter;

// The message that ends a run with failures: one summary line naming the file, or the number of
// files and their most frequent causes, so that the box stays small however many failed.
// `causes` holds each reason and the number of files it stopped, in the order first met.
QString failureSummary(const QStringList &failed, QList<QPair<QString, int>> causes, int converted);

// "Convertir en .ogg": every selected file of the file list, in list order, becomes an Ogg
// Vorbis file beside it. The "replace?" questions are all asked first; then the files are
// converted in parallel off the UI thread, as the window's job (progress, "Annuler"); failures
// are told in one message at the end, and `runFinished` is told (the file list is refreshed on
// it).
class ConvertController : public QObject {
    Q_OBJECT
public:
    struct Widgets {
        QPushButton *cmdConvert = nullptr;
        ui::FileList *File1 = nullptr; // whose selected files are converted
        QWidget *cmdDummy = nullptr;   // takes the focus back
    };

    // `programFolder` is searched first for the encoder; the files are those of the folder
    // `browser` shows.
    ConvertController(const QString &programFolder, const Widgets &widgets,
                      const core::BrowserView &browser, ui::Dialogs &dialogs,
                      playback::FilePlayback &playback, core::JobHost &jobs,
                      QObject *parent = nullptr);
    ~ConvertController() override;

    // The button's click (and Alt+C).
    void convert();
    bool isRunning() const;
    // The current or last run; null before the first.
    Converter *converter() { return converter_.get(); }

signals:
    void runFinished();

private:
    void finish();
    void tellFailures();

    QString programFolder_;
    Widgets w_;
    const core::BrowserView &browser_;
    ui::Dialogs &dialogs_;
    playback::FilePlayback &playback_;
    core::JobHost &jobs_;
    std::unique_ptr<Converter> converter_;
};

} // namespace tools
