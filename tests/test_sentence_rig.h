#pragma once

// The sentence composer on its real controls, prompt panel and engine (rendered by hand), with a
// voice-pack folder of its own.
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <vector>

#include "app/WindowState.h"
#include "audio/SoundEngine.h"
#include "catalogue/PromptPanel.h"
#include "fixtures/ScriptedDialogs.h"
#include "sentence/SentenceComposer.h"
#include "ui/MainLayout.h"

struct SentenceRig {
    QWidget window;
    ui::Controls c;
    WindowState state;
    audio::SoundEngine engine{audio::SoundEngine::Options{false}};
    fixtures::ScriptedDialogs dialogs;
    QTemporaryDir pack;
    std::unique_ptr<catalogue::PromptPanel> panel;
    std::unique_ptr<sentence::SentenceComposer> composer;
    int fileStops = 0;
    int promptStops = 0;

    SentenceRig() {
        c = ui::buildLayout(&window);
        state.currentFolder = pack.path();
        panel = std::make_unique<catalogue::PromptPanel>(c, state, engine);
        panel->buildGrid();
        panel->reloadAllSamples();
        composer = std::make_unique<sentence::SentenceComposer>(c, state, engine, *panel, dialogs);
        composer->stopFilePlayback = [this] { ++fileStops; };
        composer->stopButtonSample = [this] { ++promptStops; };
    }
    ~SentenceRig() {
        composer.reset();
        panel.reset();
    }

    QString text() const { return c.txtSentence->toPlainText(); }
    void press(std::initializer_list<int> rows) {
        for (int row : rows)
            composer->append(row);
    }
    // What the mixer plays next, as 44100 Hz stereo frames.
    std::vector<qint16> render(int frames) {
        std::vector<qint16> out(static_cast<std::size_t>(frames) * 2);
        engine.mixer().render(out.data(), frames);
        return out;
    }
};
