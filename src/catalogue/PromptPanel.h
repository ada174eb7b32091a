#pragma once

#include <QColor>
#include <QObject>
#include <QString>
#include <array>

#include "core/SampleTable.h"

class QButtonGroup;
class QGroupBox;
class QPushButton;
class QTimer;

namespace core {
class BrowserView;
}
namespace playback {
class PromptChannel;
}
namespace ui {
class PromptButton;
}

namespace catalogue {

constexpr QRgb PresentColor = qRgb(0x80, 0xFF, 0x80);     // light green: the pack has the file
constexpr QRgb MissingColor = qRgb(0xD0, 0xD0, 0xD0);     // grey
constexpr QRgb AssignFrameColor = qRgb(0xFF, 0xA0, 0x60); // orange
constexpr QRgb HighlightColor = qRgb(0xC0, 0xC0, 0xFF);   // light blue: a sentence plays it

extern const char *const AssignFrameCaption;

// The frame of 59 prompt buttons: grid, colours, tooltips and the assign-mode look. A view: it
// tells the presses on its buttons, and what a press does in each mode is decided above it.
class PromptPanel : public QObject {
    Q_OBJECT
public:
    struct Widgets {
        QGroupBox *fraSamples = nullptr;
        ui::PromptButton *optSample0 = nullptr;
        QPushButton *cmdBackspace = nullptr;
        QPushButton *cmdValider = nullptr;
        QTimer *tmrFrame = nullptr;
        QWidget *cmdDummy = nullptr; // the focus sink a press hands the focus back to
    };

    // Colours the buttons after the files of the folder `browser` shows.
    PromptPanel(const Widgets &widgets, const core::BrowserView &browser,
                playback::PromptChannel &channel, QObject *parent = nullptr);

    // Creates buttons 1 to 58 as copies of button 0, places the free cell's two buttons and
    // connects the buttons' presses.
    void buildGrid();
    void reloadAllSamples();
    // The shown folder went away: every prompt is without its file.
    void showAllMissing();
    void reloadSample(int row);
    // The assign-mode look: frame caption and blinking, "Valider", and tooltips naming the
    // file each prompt would give, with `suffix` (the chosen file's extension) in assign mode.
    void showAssignMode(bool on, const QString &suffix);

    ui::PromptButton *button(int row) const { return buttons_[row]; }
    QRgb restingColor(int row) const { return resting_[row]; }
    QRgb colorOf(int row) const;
    void setColor(int row, QRgb color);
    // Sentence playback lights a button, then gives it back its resting colour.
    void restoreRestingColor(int row);
    void setSelected(int row, bool selected);
    bool isSelected(int row) const;

    double buttonWidth() const { return buttonWidth_; }
    double buttonHeight() const { return buttonHeight_; }
    QColor frameDesignColor() const { return frameDesignColor_; }

signals:
    // A mouse press on button `row`, then the second press of a double click. A left press and
    // a double click hand the focus to the sink after they are told.
    void pressed(int row, Qt::MouseButton button);
    void doubleClicked(int row);
    // The colours were set anew from the folder.
    void recoloured();

private:
    void onPressed(int row, Qt::MouseButton button);
    void onFrameTimer();
    void setResting(int row, bool present);
    void focusSink();

    Widgets w_;
    const core::BrowserView &browser_;
    playback::PromptChannel &channel_;
    QButtonGroup *group_;
    std::array<ui::PromptButton *, core::SampleCount> buttons_{};
    std::array<QRgb, core::SampleCount> resting_{};
    float buttonWidth_ = 0;
    float buttonHeight_ = 0;
    QColor frameDesignColor_;
    bool frameBlinkPhase_ = false;
};

} // namespace catalogue
