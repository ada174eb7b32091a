#include "recorder/TakeNaming.h"

#include <QRegularExpression>
#include <algorithm>

#include "core/FolderEntries.h"
#include "core/SampleLookup.h"

namespace recorder {

QString takeName(const QString &folder, const QString &id) {
    if (core::findSampleFile(folder, id).isEmpty())
        return id + QStringLiteral(".wav");
    const QRegularExpression taken(QStringLiteral("^") + QRegularExpression::escape(id) +
                                       QStringLiteral(" prise (\\d{1,9})(\\..*)?$"),
                                   QRegularExpression::CaseInsensitiveOption);
    int highest = 0;
    for (const core::FolderEntry &entry : core::listFolder(folder)) {
        const QRegularExpressionMatch match = taken.match(entry.name);
        if (match.hasMatch())
            highest = std::max(highest, match.captured(1).toInt());
    }
    return id + QStringLiteral(" prise %1.wav").arg(highest + 1);
}

} // namespace recorder
