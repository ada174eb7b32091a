#include "ui/QtDialogs.h"

#include "ui/Elide.h"
#include "ui/FileFilterProxy.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace ui {

namespace {

// Lines of text a message box shows; with the details button it stays well within any screen.
constexpr qsizetype MaxShownLines = 20;

} // namespace

QString toQtFilter(const QString &pipeFilter) {
    const QStringList parts = pipeFilter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        // Qt reads the patterns from the parentheses; add them when the description lacks them.
        if (!description.contains(u'('))
            description += QStringLiteral(" (") + parts[i + 1] + u')';
        filters << description;
    }
    return filters.join(QStringLiteral(";;"));
}

Answer QtDialogs::message(const QString &text, const QString &title, Icon icon, Buttons buttons,
                          const QString &details) {
    QMessageBox box(parent_);
    QAbstractButton *yesToAll = nullptr;
    QAbstractButton *noToAll = nullptr;
    box.setWindowTitle(title);
    QString whole = text;
    whole.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    // A long name cannot be wrapped: cut in its middle, and whole in the details. A text of
    // many lines would make a box taller than the screen, its buttons out of reach: its first
    // lines only, and the whole in the details too.
    QString shown = elideLongRuns(whole);
    if (const QStringList lines = shown.split(u'\n'); lines.size() > MaxShownLines)
        shown = lines.first(MaxShownLines - 1).join(u'\n') + QStringLiteral("\n…");
    box.setText(shown);
    QStringList more;
    if (shown != whole)
        more.append(whole);
    if (!details.isEmpty())
        more.append(details);
    if (!more.isEmpty())
        box.setDetailedText(more.join(QStringLiteral("\n\n")));
    switch (icon) {
    case Icon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case Icon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::None:
        break;
    }
    switch (buttons) {
    case Buttons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Buttons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok); // Enter confirms, as in every OK/Cancel question
        break;
    case Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case Buttons::YesNoDefaultNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
        break;
    case Buttons::OkCancelAll:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        yesToAll = box.addButton(QStringLiteral("Oui pour tous"), QMessageBox::YesRole);
        noToAll = box.addButton(QStringLiteral("Non pour tous"), QMessageBox::NoRole);
        break;
    }
    const int result = box.exec();
    if (box.clickedButton() != nullptr && box.clickedButton() == yesToAll)
        return Answer::YesToAll;
    if (box.clickedButton() != nullptr && box.clickedButton() == noToAll)
        return Answer::NoToAll;
    switch (result) {
    case QMessageBox::Cancel:
        return Answer::Cancel;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return (buttons == Buttons::OkCancel || buttons == Buttons::OkCancelAll) &&
                       box.clickedButton() == nullptr
                   ? Answer::Cancel
                   : Answer::Ok;
    }
}

QString QtDialogs::input(const QString &prompt, const QString &title, const QString &defaultAnswer,
                         bool *cancelled) {
    bool ok = false;
    QString shown = prompt;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QString answer =
        QInputDialog::getText(parent_, title, shown, QLineEdit::Normal, defaultAnswer, &ok);
    if (cancelled)
        *cancelled = !ok;
    return ok ? answer : QString();
}

QString QtDialogs::fileDialog(const FileDialogRequest &request) {
    QFileDialog dialog(parent_, request.title, lastFolder_, toQtFilter(request.filter));
    // Qt's own dialog, so that the filters can be decided here (see FileFilterProxy): the texts
    // stay as written while "*.*" takes every file and a program can be picked without ".exe".
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    auto *proxy = new FileFilterProxy(request.programs, &dialog);
    dialog.setProxyModel(proxy);
    if (auto *model = qobject_cast<QFileSystemModel *>(proxy->sourceModel()))
        model->setNameFilterDisables(true);
    QObject::connect(&dialog, &QFileDialog::filterSelected, proxy, &FileFilterProxy::refilter);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save || !request.mustExist ? QFileDialog::AnyFile
                                                          : QFileDialog::ExistingFile);
    if (request.folder) {
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
    }
    dialog.setDefaultSuffix(request.defaultExtension);
    if (request.save && !request.confirmReplace)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    const QString chosen = dialog.selectedFiles().constFirst();
    lastFolder_ = request.folder ? chosen : QFileInfo(chosen).absolutePath();
    return chosen;
}

} // namespace ui
