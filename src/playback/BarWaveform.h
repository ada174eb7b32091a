#pragma once

#include <QObject>
#include <QString>

struct WindowState;
namespace ui {
class PositionBar;
}

namespace playback {

class FilePlayback;
class PeakCache;

// Puts the waveform of the file the file channel plays across the position bar: whole in the
// first frame for a prompt-length file, growing from the left for a long one.
class BarWaveform : public QObject {
    Q_OBJECT
public:
    // Files up to this long are drawn whole before the bar first shows them playing.
    static constexpr double PromptSeconds = 10;

    BarWaveform(FilePlayback &playback, PeakCache &cache, const WindowState &state,
                ui::PositionBar *bar, QObject *parent = nullptr);

private:
    void show(const QString &name);
    void grew(const QString &path);

    PeakCache &cache_;
    const WindowState &state_;
    ui::PositionBar *bar_;
    QString path_; // the file shown
};

} // namespace playback
