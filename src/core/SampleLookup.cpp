#include "core/SampleLookup.h"

#include "core/Paths.h"

#include <QFile>
#include <algorithm>
#include <filesystem>
#include <system_error>

namespace core {

namespace {

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

QByteArray asciiLower(QByteArrayView bytes) {
    QByteArray out(bytes.data(), bytes.size());
    for (char &c : out)
        c = asciiLower(c);
    return out;
}

QByteArray nameBytes(const std::filesystem::path &name) {
#ifdef Q_OS_WIN
    return QString::fromStdWString(name.wstring()).toUtf8();
#else
    return QByteArray::fromStdString(name.string());
#endif
}

// The kind's place in the lookup order (.ogg, .mp?, .wav), or -1 for another extension.
int kindOf(QByteArrayView name) {
    if (name.size() < 5)
        return -1;
    const QByteArray ext = asciiLower(name.last(4));
    return ext == ".ogg" ? 0 : ext.startsWith(".mp") ? 1 : ext == ".wav" ? 2 : -1;
}

// Among names of one kind: the exact spelling of the id, else the smallest in byte order.
const QByteArray &bestOfKind(const std::vector<QByteArray> &names, const QByteArray &id) {
    const auto exact = std::find_if(names.begin(), names.end(), [&](const QByteArray &n) {
        return QByteArrayView(n).first(n.size() - 4) == id;
    });
    return exact != names.end() ? *exact : *std::min_element(names.begin(), names.end());
}

} // namespace

FolderIndex::FolderIndex(const QString &folder, const QString &onlyId) : folder_(folder) {
    if (folder.isEmpty())
        return;
    const QByteArray wanted = asciiLower(onlyId.toUtf8());
    std::error_code ec;
    std::filesystem::directory_iterator it(core::fsPath(folder), ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        const QByteArray name = nameBytes(it->path().filename());
        if (name.size() < 5 || name.startsWith('.'))
            continue;
        const int kindIndex = kindOf(name);
        if (kindIndex < 0)
            continue;
        const auto kind = static_cast<Kind>(kindIndex);
        const QByteArray key = asciiLower(QByteArrayView(name).first(name.size() - 4));
        if (!onlyId.isEmpty() && key != wanted)
            continue;
        // Follows links: a link counts when it leads to a regular file.
        std::error_code typeError;
        if (!it->is_regular_file(typeError) || typeError)
            continue;
        names_[key][kind].push_back(name);
    }
}

QString FolderIndex::find(const QString &sampleId) const {
    const QByteArray id = sampleId.toUtf8();
    const auto it = names_.constFind(asciiLower(id));
    if (it == names_.constEnd())
        return QString();
    for (const std::vector<QByteArray> &names : *it) {
        if (!names.empty())
            return QFile::decodeName(bestOfKind(names, id));
    }
    return QString();
}

bool hasPromptExtension(const QString &name) {
    if (name.size() < 5)
        return false;
    const QByteArray ext = asciiLower(name.right(4).toUtf8());
    return ext == ".ogg" || ext == ".wav" || ext.startsWith(".mp");
}

QString pickSampleFile(const QString &sampleId, const QStringList &names) {
    const QByteArray id = sampleId.toUtf8();
    std::array<std::vector<QByteArray>, 3> kinds;
    for (const QString &name : names) {
        const QByteArray bytes = QFile::encodeName(name);
        const int kind = kindOf(bytes);
        if (kind >= 0 &&
            asciiLower(QByteArrayView(bytes).first(bytes.size() - 4)) == asciiLower(id))
            kinds[static_cast<std::size_t>(kind)].push_back(bytes);
    }
    for (const std::vector<QByteArray> &ofKind : kinds)
        if (!ofKind.empty())
            return QFile::decodeName(bestOfKind(ofKind, id));
    return QString();
}

QString findSampleFile(const QString &folder, const QString &sampleId) {
    return FolderIndex(folder, sampleId).find(sampleId);
}

} // namespace core
