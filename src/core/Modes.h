#pragma once

#include <QObject>

namespace core {

// The window's three modes: assigning a file to a prompt, composing a sentence, listening to it.
// Whoever switches a mode does it here, and the parts that show or depend on it listen.
class Modes : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    bool assign() const { return assign_; }
    bool sentence() const { return sentence_; }
    bool listening() const { return listening_; }

    // Told on every call, not only on a change: starting an assignment again with another file
    // renews the panel's look.
    void setAssign(bool on) {
        assign_ = on;
        emit assignChanged(on);
    }
    void setSentence(bool on) {
        if (sentence_ == on)
            return;
        sentence_ = on;
        emit sentenceChanged(on);
    }
    void setListening(bool on) {
        if (listening_ == on)
            return;
        listening_ = on;
        emit listeningChanged(on);
    }

signals:
    void assignChanged(bool on);
    void sentenceChanged(bool on);
    void listeningChanged(bool on);

private:
    bool assign_ = false;
    bool sentence_ = false;
    bool listening_ = false;
};

} // namespace core
