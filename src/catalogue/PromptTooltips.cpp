#include "catalogue/PromptTooltips.h"

#include "catalogue/PromptPanel.h"
#include "core/BrowserView.h"
#include "core/Modes.h"
#include "core/Paths.h"
#include "core/SampleLookup.h"
#include "core/SampleTable.h"
#include "playback/PeakCache.h"
#include "ui/PromptButton.h"
#include "ui/WaveformPainter.h"

#include <QBuffer>
#include <QHelpEvent>
#include <QToolTip>

namespace catalogue {

namespace {

// Prompts are short: their picture is worth this wait the first time.
constexpr double PromptSeconds = 10;
constexpr int MaxWaitMs = 200;

// The name, and the picture under it; empty if the picture could not be made.
QString tooltipHtml(const QString &text, const core::Peaks &peaks) {
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) ||
        !ui::waveformPicture(peaks,
                             QSize(PromptTooltips::PictureWidth, PromptTooltips::PictureHeight))
             .save(&buffer, "PNG"))
        return QString();
    return QStringLiteral(
               "<p style=\"white-space:pre\">%1<br><img src=\"data:image/png;base64,%2\"></p>")
        .arg(text.toHtmlEscaped(), QString::fromLatin1(png.toBase64()));
}

} // namespace

PromptTooltips::PromptTooltips(const PromptPanel &panel, const core::BrowserView &browser,
                               const core::Modes &modes, playback::PeakCache &cache,
                               QObject *parent)
    : QObject(parent), browser_(browser), modes_(modes), cache_(cache) {
    for (int row = 0; row < core::SampleCount; ++row)
        if (ui::PromptButton *button = panel.button(row))
            button->installEventFilter(this);
    connect(&cache_, &playback::PeakCache::grew, this, &PromptTooltips::grew);
}

bool PromptTooltips::eventFilter(QObject *watched, QEvent *event) {
    auto *button = qobject_cast<ui::PromptButton *>(watched);
    if (event->type() == QEvent::Leave && button == waiting_)
        waiting_ = nullptr;
    if (event->type() != QEvent::ToolTip || !button || modes_.assign())
        return false;
    const QString name =
        core::findSampleFile(browser_.currentFolder(), core::samples()[button->row()].id);
    if (name.isEmpty())
        return false;
    const QString path = core::filePath(browser_.currentFolder(), name);
    const QPoint at = static_cast<QHelpEvent *>(event)->globalPos();
    if (!cache_.request(path)->complete)
        cache_.waitIfShort(path, PromptSeconds, MaxWaitMs);
    if (showPicture(button, path, at))
        return true;
    waiting_ = button;
    waitingPath_ = path;
    waitingAt_ = at;
    return false; // the text alone, for now
}

bool PromptTooltips::showPicture(ui::PromptButton *button, const QString &path, const QPoint &at) {
    const auto peaks = cache_.request(path);
    if (!peaks->complete || peaks->blocks() == 0)
        return false;
    const QString html = tooltipHtml(button->toolTip(), *peaks);
    if (html.isEmpty())
        return false;
    QToolTip::showText(at, html, button);
    return true;
}

void PromptTooltips::grew(const QString &path) {
    if (!waiting_ || path != waitingPath_ || !QToolTip::isVisible())
        return;
    if (showPicture(waiting_, path, waitingAt_))
        waiting_ = nullptr;
}

} // namespace catalogue
