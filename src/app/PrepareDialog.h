#pragma once

#include <QDialog>
#include <QString>
#include <functional>

#include "pack/PromptPreparation.h"

class QCheckBox;
class QLineEdit;

namespace app {

// The preparation's settings as the dialog shows them, before they are read as numbers.
struct PrepareFields {
    QString destination;
    QString loudness = QStringLiteral("-16");
    QString peak = QStringLiteral("-1");
    QString margin = QStringLiteral("50");
    bool limiter = true;
};

// A new folder beside the pack, named after it: "<pack> - prêt".
QString defaultDestination(const QString &packFolder);

// The fields read as a destination and options; the reason in French when one is not valid.
struct PrepareRequest {
    QString destination;
    pack::PrepareOptions options;
    QString error;
};
PrepareRequest readFields(const PrepareFields &fields);

// "Préparer le pack": one dialog with the destination, the loudness, the ceiling, the margin
// and the limiter; Enter starts with what is shown. "Parcourir..." asks `chooseFolder`.
class PrepareDialog : public QDialog {
    Q_OBJECT
public:
    PrepareDialog(const PrepareFields &shown, std::function<QString()> chooseFolder,
                  QWidget *parent = nullptr);
    PrepareFields fields() const;

private:
    QLineEdit *destination_;
    QLineEdit *loudness_;
    QLineEdit *peak_;
    QLineEdit *margin_;
    QCheckBox *limiter_;
};

} // namespace app
