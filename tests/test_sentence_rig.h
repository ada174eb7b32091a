#pragma once

// The sentence composer on its real controls, prompt panel and engine (rendered by hand), with a
// voice-pack folder of its own.
#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <vector>

#include "app/ControllerWidgets.h"
#include "audio/SoundEngine.h"
#include "catalogue/PromptPanel.h"
#include "core/WindowState.h"
#include "fixtures/ScriptedDialogs.h"
#include "fixtures/WindowFixture.h"
#include "playback/FilePlayback.h"
#include "playback/PromptChannel.h"
#include "sentence/SentenceComposer.h"
#include "ui/MainLayout.h"

struct SentenceRig {
    QWidget window;
    ui::Controls c;
    WindowState state;
    fixtures::TestEngine engine; // forwards to engine.real, rendered by hand
    fixtures::ScriptedDialogs dialogs;
    QTemporaryDir pack;
    // Declared in build order, so that they go in reverse before the widgets and the engine.
    std::unique_ptr<playback::PromptChannel> promptChannel;
    std::unique_ptr<playback::FilePlayback> filePlayback;
    std::unique_ptr<catalogue::PromptPanel> panel;
    std::unique_ptr<sentence::SentenceComposer> composer;

    SentenceRig() {
        engine.real.init(-1, 44100);
        c = ui::buildLayout(&window);
        state.currentFolder = pack.path();
        promptChannel = std::make_unique<playback::PromptChannel>(state, engine);
        filePlayback =
            std::make_unique<playback::FilePlayback>(engine, state, app::fileChannelWidgets(c));
        panel =
            std::make_unique<catalogue::PromptPanel>(app::panelWidgets(c), state, *promptChannel);
        panel->buildGrid();
        panel->reloadAllSamples();
        composer = std::make_unique<sentence::SentenceComposer>(
            app::composerWidgets(c), state, engine, *panel, *promptChannel, *filePlayback, dialogs);
    }

    QString text() const { return c.txtSentence->toPlainText(); }
    // Both channels look busy: the file channel's timer runs and prompt 3 is pressed.
    void playingBoth() {
        c.tmrPlaySample->start();
        state.currentPromptIndex = 3;
        panel->setSelected(3, true);
    }
    bool bothStopped() const { return !c.tmrPlaySample->isActive() && !panel->isSelected(3); }
    void press(std::initializer_list<int> rows) {
        for (int row : rows)
            composer->append(row);
    }
    // Lets the composer open the rest of the sentence's files, as the event loop would.
    void settle() {
        while (composer->isPreparing())
            QCoreApplication::processEvents();
    }
    // The slot lit now is over: fires the sentence timer at once instead of waiting for it.
    bool tick() {
        if (!c.tmrPlaySentence->isActive())
            return false;
        c.tmrPlaySentence->stop();
        return QMetaObject::invokeMethod(c.tmrPlaySentence, "timeout");
    }
    // What the mixer plays next, as 44100 Hz stereo frames.
    std::vector<qint16> render(int frames) {
        std::vector<qint16> out(static_cast<std::size_t>(frames) * 2);
        engine.output.render(out.data(), frames);
        return out;
    }
};
