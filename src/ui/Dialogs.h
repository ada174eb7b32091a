#pragma once

#include <QString>
#include <QStringList>

// Every dialog the program shows goes through this seam, so tests can script the answers and
// check each message's exact text, title, icon and buttons.
namespace ui {

enum class Icon { None, Critical, Question, Exclamation, Information };
// OkCancelAll: OK and Cancel, then "Oui pour tous" and "Non pour tous" (YesToAll, NoToAll), for
// one of many like questions. YesNoDefaultNo: Enter answers No.
enum class Buttons { Ok, OkCancel, YesNo, OkCancelAll, YesNoDefaultNo };
enum class Answer { Ok, Cancel, Yes, No, YesToAll, NoToAll };

struct FileDialogRequest {
    bool save = false;
    QString title;
    QString filter;              // "Description|pattern|Description|pattern"
    QString defaultExtension;    // without the dot
    bool mustExist = false;      // open: only an existing file can be chosen
    bool confirmReplace = false; // save: ask before replacing an existing file
    bool programs = false;       // open a program: executable files pass every filter
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual Answer message(const QString &text, const QString &title, Icon icon,
                           Buttons buttons) = 0;
    // Empty when cancelled.
    virtual QString input(const QString &prompt, const QString &title, const QString &defaultAnswer,
                          bool *cancelled) = 0;
    // The chosen full path, or an empty string when the user cancelled.
    virtual QString fileDialog(const FileDialogRequest &request) = 0;
};

} // namespace ui
