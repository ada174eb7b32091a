#pragma once

#include <QString>
#include <cstdint>

// The window-level state that the subsystems share. The window owns the one instance; the
// subsystems get a reference to it, never to the window's widgets. The streams themselves are
// owned by the channels that play them (playback::PromptChannel, playback::FilePlayback).
struct WindowState {
    QString programFolder; // without a trailing separator
    QString currentFolder; // as the folder list reports it
    QString selectedFile;  // name without folder
    std::int16_t currentPromptIndex = -1;
    std::int16_t lastPreviewIndex = -1;
    bool assignMode = false;
    std::int16_t assignTarget = 0; // the prompt a pending assignment will name the file after
    bool frameBlinkPhase = false;
    bool sentenceMode = false;
    bool listening = false;
    bool ctrlDown = false;
    QString sentenceCode;
    QString lastSentence;
    QString audioEditorName;
    QString audioEditorPath;
    bool exitMessage = true;
};
