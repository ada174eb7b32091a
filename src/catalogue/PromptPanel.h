#pragma once

#include <QColor>
#include <QObject>
#include <QString>
#include <array>

#include "catalogue/SampleTable.h"
#include "ui/MainLayout.h"

class QButtonGroup;
struct WindowState;

namespace audio {
class Engine;
}

namespace catalogue {

// Colours are kept as 24-bit 0x00BBGGRR values: a button's tag holds its resting colour so.
constexpr unsigned PresentColor = 0x80FF80;     // light green
constexpr unsigned MissingColor = 0xD0D0D0;     // grey
constexpr unsigned AssignFrameColor = 0x60A0FF; // orange
constexpr unsigned HighlightColor = 0xFFC0C0;   // light blue, the prompt a sentence is playing

QColor fromBgr(unsigned bgr);
unsigned toBgr(const QColor &color);

extern const char *const AssignFrameCaption;

// The frame of 59 prompt buttons: grid, colours and tags, tooltips, and the assign-mode look.
class PromptPanel : public QObject {
    Q_OBJECT
public:
    PromptPanel(const ui::Controls &controls, WindowState &state, audio::Engine &engine,
                QObject *parent = nullptr);

    // Creates buttons 1 to 58 as copies of button 0 and places the free cell's two buttons.
    void buildGrid();
    void reloadAllSamples();
    void reloadSample(int row);
    void setAssignMode(bool on);

    ui::PromptButton *button(int row) const { return buttons_[row]; }
    QString tag(int row) const;
    unsigned colorOf(int row) const;
    void setColor(int row, unsigned bgr);
    // Sentence playback lights a button, then gives it back the colour in its tag.
    void restoreRestingColor(int row);
    void setSelected(int row, bool selected);
    bool isSelected(int row) const;

    double buttonWidth() const { return buttonWidth_; }
    double buttonHeight() const { return buttonHeight_; }
    QColor frameDesignColor() const { return frameDesignColor_; }

private:
    void onFrameTimer();
    void setResting(int row, bool present);

    const ui::Controls &controls_;
    WindowState &state_;
    audio::Engine &engine_;
    QButtonGroup *group_;
    std::array<ui::PromptButton *, SampleCount> buttons_{};
    float buttonWidth_ = 0;
    float buttonHeight_ = 0;
    QColor frameDesignColor_;
};

} // namespace catalogue
