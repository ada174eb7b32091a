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
        const QByteArray ext = asciiLower(QByteArrayView(name).last(4));
        Kind kind;
        if (ext == ".ogg")
            kind = Ogg;
        else if (ext.startsWith(".mp"))
            kind = Mp;
        else if (ext == ".wav")
            kind = Wav;
        else
            continue;
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
        if (names.empty())
            continue;
        const auto exact = std::find_if(names.begin(), names.end(), [&](const QByteArray &n) {
            return QByteArrayView(n).first(n.size() - 4) == id;
        });
        const QByteArray &best =
            exact != names.end() ? *exact : *std::min_element(names.begin(), names.end());
        return QFile::decodeName(best);
    }
    return QString();
}

bool hasPromptExtension(const QString &name) {
    if (name.size() < 5)
        return false;
    const QByteArray ext = asciiLower(name.right(4).toUtf8());
    return ext == ".ogg" || ext == ".wav" || ext.startsWith(".mp");
}

QString findSampleFile(const QString &folder, const QString &sampleId) {
    return FolderIndex(folder, sampleId).find(sampleId);
}

} // namespace core
