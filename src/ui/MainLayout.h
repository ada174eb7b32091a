#pragma once

#include <QString>
#include <array>

class QFont;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class QWidget;

namespace ui {

class DirList;
class DriveList;
class FileList;
class PositionBar;
class PromptButton;

// Every control of the main window at its designed place. Names are the controls' objectNames;
// indexed controls are named like "chkFLBFilter_2".
struct Controls {
    DriveList *Drive1 = nullptr;
    DirList *Dir1 = nullptr;
    QLabel *lblDirPath = nullptr;
    FileList *File1 = nullptr;
    PositionBar *picSamplePos = nullptr;
    QLabel *lblSampleTime = nullptr;
    std::array<QPushButton *, 4> chkFLBFilter{};
    QPushButton *cmdOpenSample = nullptr;
    QPushButton *cmdAssign = nullptr;
    QPushButton *cmdReloadAll = nullptr;
    QPushButton *cmdConvert = nullptr;
    QGroupBox *fraSamples = nullptr;
    PromptButton *optSample0 = nullptr;
    QPushButton *cmdBackspace = nullptr;
    QPushButton *cmdValider = nullptr;
    QPushButton *chkSentence = nullptr;
    QPlainTextEdit *txtSentence = nullptr;
    QPushButton *chkListen = nullptr;
    QPushButton *cmdOpenSentence = nullptr;
    QPushButton *cmdSaveSentence = nullptr;
    QPushButton *cmdDummy = nullptr;
    QTimer *tmrPlaySample = nullptr;
    QTimer *tmrPlaySentence = nullptr;
    QTimer *tmrFrame = nullptr;
};

constexpr int ClientWidthTwips = 13455;
constexpr int ClientHeightTwips = 10350;
extern const char *const NormalFrameCaption;

// Creates the controls on `window` with their design values and Tab order.
Controls buildLayout(QWidget *window);

// The window's font: Tahoma 9 pt, or the closest sans-serif installed.
void installDefaultFont();
// `base` in bold, from a face that has a real bold.
QFont boldFont(const QFont &base);

} // namespace ui
