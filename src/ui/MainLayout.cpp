#include "ui/MainLayout.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include "ui/DirList.h"
#include "ui/DriveList.h"
#include "ui/Elide.h"
#include "ui/FileList.h"
#include "ui/GroupFrameStyle.h"
#include "ui/Pictures.h"
#include "ui/PositionBar.h"
#include "ui/PromptButton.h"
#include "ui/Twips.h"

namespace ui {

const char *const NormalFrameCaption =
    " Clic gauche : écouter le son (ou ajouter à la phrase)  -  Clic droit : recharger le fichier ";

namespace {

// Places a control and records its designed Tab index.
template <typename W> W *place(W *widget, const char *name, int tab, QRect geometry) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    widget->setProperty("tabIndex", tab);
    return widget;
}

QPushButton *makeButton(QWidget *parent, const QString &caption) {
    auto *button = new QPushButton(caption, parent);
    button->setFocusPolicy(Qt::NoFocus); // buttons are no Tab stops; the focus rests on cmdDummy
    button->setAutoDefault(false);
    return button;
}

QPushButton *makeToggle(QWidget *parent, const QString &caption) {
    QPushButton *toggle = makeButton(parent, caption);
    toggle->setCheckable(true);
    return toggle;
}

QTimer *makeTimer(QWidget *parent, const char *name, int interval) {
    auto *timer = new QTimer(parent);
    timer->setObjectName(QString::fromLatin1(name));
    timer->setInterval(interval);
    timer->setTimerType(Qt::PreciseTimer);
    return timer;
}

} // namespace

void installDefaultFont() {
    // Tahoma where installed (Debian's fonts-wine ships a compatible one outside fontconfig's
    // folders); otherwise the closest sans-serif faces, narrow ones first so that every caption
    // fits its button.
    // (Registering it again where Tahoma is already known is harmless, and cheaper than
    // listing every family to find out.)
    // Only the regular face: Wine's "tahomabd.ttf" is a wider regular, not a bold (see boldFont).
    const QString tahoma = QStringLiteral("/usr/share/wine/fonts/tahoma.ttf");
    if (QFile::exists(tahoma))
        QFontDatabase::addApplicationFont(tahoma);
    QFont::insertSubstitutions(QStringLiteral("Tahoma"),
                               {QStringLiteral("DejaVu Sans Condensed"),
                                QStringLiteral("Liberation Sans Narrow"),
                                QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSizeF(9);
    QApplication::setFont(font);
}

QFont boldFont(const QFont &base) {
    QFont bold = base;
    bold.setBold(true);
    // A face that is truly bold: Tahoma's own where installed, else DejaVu Sans Bold, which every
    // machine has (an emboldened regular face is cramped and hard to read).
    if (!QFontDatabase::styles(base.family()).contains(QStringLiteral("Bold")))
        bold.setFamily(QStringLiteral("DejaVu Sans"));
    return bold;
}

Controls buildLayout(QWidget *window) {
    Controls c;
    // Weight marked as set, so that the prompt buttons inside the bold frame stay regular.
    QFont windowFont = QApplication::font();
    windowFont.setWeight(QFont::Normal);

    c.Drive1 = place(new DriveList(window), "Drive1", 0, twipsRect(60, 30, 5415, 330));
    c.Dir1 = place(new DirList(window), "Dir1", 1, twipsRect(60, 390, 5415, 2490));

    c.lblDirPath = place(new ElidingLabel(window), "lblDirPath", 2, twipsRect(60, 2955, 5415, 255));
    c.lblDirPath->setAutoFillBackground(true);
    QPalette labelPalette = c.lblDirPath->palette();
    labelPalette.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    c.lblDirPath->setPalette(labelPalette);
    c.lblDirPath->setTextInteractionFlags(Qt::NoTextInteraction);

    c.File1 = place(new FileList(window), "File1", 3, twipsRect(5580, 75, 5415, 2820));
    c.File1->setSelectionMode(QAbstractItemView::ExtendedSelection);

    c.picSamplePos =
        place(new PositionBar(window), "picSamplePos", 4, twipsRect(5595, 2910, 4695, 300));
    c.lblSampleTime = place(new QLabel(QStringLiteral("--:--"), window), "lblSampleTime", 5,
                            twipsRect(10335, 2910, 645, 300));
    c.lblSampleTime->setAlignment(Qt::AlignCenter);

    const char *filterNames[4] = {"chkFLBFilter_0", "chkFLBFilter_1", "chkFLBFilter_2",
                                  "chkFLBFilter_3"};
    const QString filterCaptions[4] = {QStringLiteral("Tous les fichiers"),
                                       QStringLiteral("MP1 / MP2 / MP3"), QStringLiteral("OGG"),
                                       QStringLiteral("WAV")};
    const QString filterTags[4] = {QStringLiteral("*.*;"), QStringLiteral("*.mp?;"),
                                   QStringLiteral("*.ogg;"), QStringLiteral("*.wav;")};
    const int filterTops[4] = {30, 360, 690, 1020};
    for (int i = 0; i < 4; ++i) {
        c.chkFLBFilter[i] = place(makeToggle(window, filterCaptions[i]), filterNames[i], 6 + i,
                                  twipsRect(11340, filterTops[i], 1815, 345));
        c.chkFLBFilter[i]->setProperty("tag", filterTags[i]);
    }

    c.cmdOpenSample = place(makeButton(window, QStringLiteral("Ouvrir avec...")), "cmdOpenSample",
                            10, twipsRect(11100, 1695, 2295, 405));
    c.cmdAssign = place(makeButton(window, QStringLiteral("Affecter à... [F2]")), "cmdAssign", 11,
                        twipsRect(11100, 2085, 2295, 405));
    c.cmdReloadAll = place(makeButton(window, QStringLiteral("Recharger tous les sons")),
                           "cmdReloadAll", 12, twipsRect(11100, 2475, 2295, 405));
    c.cmdConvert = place(makeButton(window, QStringLiteral("&Convertir en .ogg [Ctrl]")),
                         "cmdConvert", 13, twipsRect(11100, 2865, 2295, 405));

    c.fraSamples = place(new QGroupBox(QString::fromUtf8(NormalFrameCaption), window), "fraSamples",
                         14, twipsRect(60, 3300, 13335, 6015));
    c.fraSamples->setFont(boldFont(windowFont));
    c.fraSamples->setAutoFillBackground(true);
    c.fraSamples->setFocusPolicy(Qt::NoFocus);
    c.fraSamples->setStyle(new GroupFrameStyle(c.fraSamples));

    c.optSample0 =
        place(new PromptButton(0, c.fraSamples), "optSample_0", 15, twipsRect(120, 360, 2175, 555));
    c.optSample0->setFont(windowFont);
    QPalette grey = c.optSample0->palette();
    grey.setColor(QPalette::Button, QColor(0xD0, 0xD0, 0xD0));
    c.optSample0->setPalette(grey);

    c.cmdBackspace = place(makeButton(c.fraSamples, QString()), "cmdBackspace", 16,
                           twipsRect(11115, 5295, 1935, 615));
    c.cmdBackspace->setFont(windowFont);
    c.cmdBackspace->setIcon(QIcon(arrowLeftPicture()));
    c.cmdBackspace->setIconSize(QSize(110, 19));
    c.cmdBackspace->setToolTip(QStringLiteral("Effacer le dernier élément"));
    c.cmdBackspace->setVisible(false);

    c.cmdValider = place(makeButton(c.fraSamples, QStringLiteral("Valider")), "cmdValider", 17,
                         twipsRect(11160, 4560, 1935, 615));
    QFont validerFont = boldFont(windowFont);
    validerFont.setPointSizeF(11.25);
    c.cmdValider->setFont(validerFont);
    c.cmdValider->setVisible(false);

    c.chkSentence = place(makeToggle(window, QStringLiteral("&Phrase")), "chkSentence", 18,
                          twipsRect(60, 9360, 885, 330));
    c.txtSentence =
        place(new QPlainTextEdit(window), "txtSentence", 19, twipsRect(1020, 9360, 12375, 960));
    c.txtSentence->setReadOnly(true);
    c.txtSentence->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    c.chkListen = place(makeToggle(window, QStringLiteral("&Ecouter")), "chkListen", 20,
                        twipsRect(60, 9675, 885, 330));
    c.chkListen->setEnabled(false);

    c.cmdOpenSentence =
        place(makeButton(window, QString()), "cmdOpenSentence", 21, twipsRect(60, 9990, 450, 330));
    c.cmdOpenSentence->setIcon(QIcon(openFolderPicture()));
    c.cmdOpenSentence->setIconSize(QSize(16, 15));
    c.cmdOpenSentence->setToolTip(QStringLiteral("Ouvrir un fichier \"phrase\" [Ctrl+O]"));
    c.cmdSaveSentence =
        place(makeButton(window, QString()), "cmdSaveSentence", 22, twipsRect(495, 9990, 450, 330));
    c.cmdSaveSentence->setIcon(QIcon(diskettePicture()));
    c.cmdSaveSentence->setIconSize(QSize(16, 15));
    c.cmdSaveSentence->setToolTip(QStringLiteral("Enregistrer la phrase sous... [Ctrl+S]"));

    // Off-screen focus sink: visible and enabled so that it can hold the focus.
    c.cmdDummy =
        place(makeButton(window, QString()), "cmdDummy", 23, twipsRect(-420, -90, 195, 255));

    // The Tab key runs through the controls that can take it, in designed order.
    QWidget *tabOrder[] = {c.Drive1, c.Dir1, c.File1, c.txtSentence};
    for (size_t i = 1; i < std::size(tabOrder); ++i)
        QWidget::setTabOrder(tabOrder[i - 1], tabOrder[i]);

    c.tmrPlaySample = makeTimer(window, "tmrPlaySample", 10);
    c.tmrPlaySentence = makeTimer(window, "tmrPlaySentence", 10);
    c.tmrFrame = makeTimer(window, "tmrFrame", 450);
    return c;
}

} // namespace ui
