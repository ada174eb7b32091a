#pragma once

#include "ui/Dialogs.h"

class QWidget;

namespace ui {

// The real dialogs, modal on the main window.
class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget *parent = nullptr) : parent_(parent) {}
    void setParent(QWidget *parent) { parent_ = parent; }

    Answer message(const QString &text, const QString &title, Icon icon, Buttons buttons,
                   const QString &details = QString()) override;
    QString input(const QString &prompt, const QString &title, const QString &defaultAnswer,
                  bool *cancelled) override;
    QString fileDialog(const FileDialogRequest &request) override;

private:
    QWidget *parent_;
    QString lastFolder_; // the file dialog shows what it last held
};

// "Text files (*.txt)|*.txt|All (*.*)|*.*" -> Qt's "Text files (*.txt);;All (*.*)".
QString toQtFilter(const QString &pipeFilter);

} // namespace ui
