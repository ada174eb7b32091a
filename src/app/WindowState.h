#pragma once

#include <QString>
#include <cstdint>

#include "audio/Engine.h"

// The window-level state that the subsystems share. The window owns the one instance; the
// subsystems get a reference to it, never to the window's widgets.
struct WindowState {
    QString programFolder; // without a trailing separator
    QString currentFolder; // as the folder list reports it
    QString selectedFile;  // name without folder
    std::int16_t currentPromptIndex = -1;
    std::int16_t lastPreviewIndex = -1;
    bool assignMode = false;
    std::int16_t assignTarget = -1; // the prompt a pending assignment will name the file after
    bool frameBlinkPhase = false;
    bool sentenceMode = false;
    bool listening = false;
    bool ctrlDown = false;
    QString sentenceCode;
    QString lastSentence;
    QString audioEditorName;
    bool exitMessage = true;
    QString foundSampleName;
    audio::Handle promptStream = 0;
    audio::Handle fileStream = 0;
};
