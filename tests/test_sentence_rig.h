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

#include "app/Controllers.h"
#include "audio/SoundEngine.h"
#include "fixtures/ScriptedDialogs.h"
#include "fixtures/WindowFixture.h"
#include "pipeline/ProcessRunner.h"
#include "ui/MainLayout.h"

struct SentenceRig {
    QWidget window;
    ui::Controls c;
    fixtures::TestEngine engine; // forwards to engine.real, rendered by hand
    fixtures::ScriptedDialogs dialogs;
    QTemporaryDir pack;
    pipeline::QtProcessRunner runner;
    // Built after the widgets and the engine, so that it goes before them.
    std::unique_ptr<app::Controllers> controllers;
    core::Modes *modes = nullptr;
    playback::PromptChannel *promptChannel = nullptr;
    catalogue::PromptPanel *panel = nullptr;
    sentence::SentenceComposer *composer = nullptr;

    SentenceRig() {
        engine.real.init(-1, 44100);
        c = ui::buildLayout(&window);
        controllers = std::make_unique<app::Controllers>(c, QString(), engine, dialogs, runner);
        modes = &controllers->modes;
        promptChannel = &controllers->promptChannel;
        panel = &controllers->panel;
        composer = &controllers->composer;
        panel->buildGrid();
        controllers->browser.pointAt(pack.path()); // not watched: no re-reading between turns
    }

    QString text() const { return c.txtSentence->toPlainText(); }
    // Both channels look busy: the file channel's timer runs and prompt 3 is pressed.
    void playingBoth() {
        c.tmrPlaySample->start();
        promptChannel->setCurrent(core::PromptRow::of(3));
        panel->setSelected(3, true);
    }
    bool bothStopped() const { return !c.tmrPlaySample->isActive() && !panel->isSelected(3); }
    void press(std::initializer_list<int> rows) {
        for (int row : rows)
            composer->append(core::PromptRow::of(row));
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
