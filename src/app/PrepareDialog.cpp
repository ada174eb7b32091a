#include "app/PrepareDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/FrenchNumbers.h"

namespace app {

QString defaultDestination(const QString &packFolder) {
    const QFileInfo pack(QDir::cleanPath(packFolder));
    return QDir(pack.absolutePath()).filePath(pack.fileName() + QStringLiteral(" - prêt"));
}

PrepareRequest readFields(const PrepareFields &fields) {
    PrepareRequest r;
    r.destination = fields.destination.trimmed();
    const auto number = [](const QString &text, double low, double high) {
        const std::optional<double> v = core::parseDecimal(text.trimmed());
        return v && *v >= low && *v <= high ? v : std::nullopt;
    };
    const auto loudness = number(fields.loudness, pack::MinLoudness, pack::MaxLoudness);
    const auto peak = number(fields.peak, -20, 0);
    const auto margin = number(fields.margin, 0, 5000);
    if (r.destination.isEmpty())
        r.error = QStringLiteral("Donnez le dossier où écrire le pack préparé.");
    else if (!loudness)
        r.error = QStringLiteral("Intensité invalide : donnez un nombre entre -70 et 0, "
                                 "par exemple -16.");
    else if (!peak)
        r.error = QStringLiteral("Crête vraie invalide : donnez un nombre entre -20 et 0, "
                                 "par exemple -1.");
    else if (!margin)
        r.error = QStringLiteral("Silence gardé invalide : donnez un nombre de millisecondes "
                                 "entre 0 et 5000, par exemple 50.");
    if (!r.error.isEmpty())
        return r;
    r.options.loudness = *loudness;
    r.options.peak = *peak;
    r.options.marginMs = static_cast<int>(*margin);
    r.options.limiter = fields.limiter;
    return r;
}

PrepareDialog::PrepareDialog(const PrepareFields &shown, std::function<QString()> chooseFolder,
                             QWidget *parent)
    : QDialog(parent), destination_(new QLineEdit(shown.destination, this)),
      loudness_(new QLineEdit(shown.loudness, this)), peak_(new QLineEdit(shown.peak, this)),
      margin_(new QLineEdit(shown.margin, this)),
      limiter_(
          new QCheckBox(QStringLiteral("Limiteur de crête vraie (conseillé pour la voix)"), this)) {
    setObjectName(QStringLiteral("frmPrepareSettings"));
    setWindowTitle(QStringLiteral("Préparer le pack"));
    destination_->setObjectName(QStringLiteral("txtDestination"));
    loudness_->setObjectName(QStringLiteral("txtLoudness"));
    peak_->setObjectName(QStringLiteral("txtPeak"));
    margin_->setObjectName(QStringLiteral("txtMargin"));
    limiter_->setObjectName(QStringLiteral("chkLimiter"));
    limiter_->setChecked(shown.limiter);
    destination_->setMinimumWidth(360);

    auto *browse = new QPushButton(QStringLiteral("Parcourir..."), this);
    browse->setObjectName(QStringLiteral("cmdBrowse"));
    browse->setAutoDefault(false);
    connect(browse, &QPushButton::clicked, this, [this, chooseFolder = std::move(chooseFolder)] {
        const QString folder = chooseFolder();
        if (!folder.isEmpty())
            destination_->setText(QDir::toNativeSeparators(folder));
    });
    auto *where = new QHBoxLayout;
    where->addWidget(destination_, 1);
    where->addWidget(browse);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Dossier de destination :"), where);
    form->addRow(QStringLiteral("Intensité visée (EBU R128, en LUFS) :"), loudness_);
    form->addRow(QStringLiteral("Crête vraie maximale (dBTP) :"), peak_);
    form->addRow(QStringLiteral("Silence gardé à chaque bout (ms) :"), margin_);
    form->addRow(QString(), limiter_);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Préparer"));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annuler"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

PrepareFields PrepareDialog::fields() const {
    return {destination_->text(), loudness_->text(), peak_->text(), margin_->text(),
            limiter_->isChecked()};
}

} // namespace app
