#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>

struct WindowState;
namespace playback {
class PeakCache;
}
namespace ui {
class PromptButton;
}

namespace catalogue {

class PromptPanel;

// A prompt button's tooltip, outside assign mode, shows under its text a small picture of the
// prompt's file, worked out when first asked for. A file whose peaks are still being computed
// gets its text at once and the picture when they are there.
class PromptTooltips : public QObject {
    Q_OBJECT
public:
    static constexpr int PictureWidth = 160;
    static constexpr int PictureHeight = 32;

    // Watches the buttons of a built grid.
    PromptTooltips(const PromptPanel &panel, const WindowState &state, playback::PeakCache &cache,
                   QObject *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // True when the tooltip with the picture was shown.
    bool showPicture(ui::PromptButton *button, const QString &path, const QPoint &at);
    void grew(const QString &path);

    const WindowState &state_;
    playback::PeakCache &cache_;
    // The tooltip shown without its picture yet.
    QPointer<ui::PromptButton> waiting_;
    QString waitingPath_;
    QPoint waitingAt_;
};

} // namespace catalogue
