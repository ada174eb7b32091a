// `parlotte --check` on the demo pack and on a folder of 10 000 files, against decoding the same
// prompt files with sox to null, measured in the same run. The check decodes each file once and
// measures loudness in that pass, so it should cost no more than sox's decoding alone.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "DemoPack.h"
#include "Median.h"
#include "Tool.h"
#include "check/PackCheck.h"

namespace {

// Returns false if a measurement could not be made.
bool compare(const char *what, const QString &folder) {
    const check::PackReport report = check::checkPack(folder);
    QStringList files;
    for (const check::FileFinding &f : report.files)
        files.append(QDir(folder).filePath(f.name));

    constexpr int Runs = 3;
    bool ok = true;
    const double checkMs = medianMs(Runs, [&] {
        int code = -1;
        ok = runQuiet(QStringLiteral("./parlotte"), {QStringLiteral("--check"), folder}, &code) &&
             (code == 0 || code == 1) && ok;
    });
    const double soxMs = medianMs(Runs, [&] {
        for (const QString &f : files)
            runQuiet(QStringLiteral("sox"), {QStringLiteral("-q"), f, QStringLiteral("-n")});
    });
    if (!ok) {
        std::printf("%s: parlotte --check failed\n", what);
        return false;
    }
    std::printf("%s (%lld files in the folder, %lld prompt files decoded):\n"
                "  parlotte --check     %8.1f ms\n"
                "  sox FILE -n, each    %8.1f ms\n"
                "  ratio                %8.2fx (target: at most 1x)\n",
                what, static_cast<long long>(QDir(folder).entryList(QDir::Files).size()),
                static_cast<long long>(files.size()), checkMs, soxMs, checkMs / soxMs);
    return true;
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QString demo = demoPack();
    if (demo.isEmpty())
        return 1;
    if (!compare("Demo pack", demo))
        return 1;

    // The demo pack's files among 10 000 others that are no prompt (listed, not decoded).
    QTemporaryDir big;
    for (const QString &name : QDir(demo).entryList(QDir::Files))
        if (!QFile::copy(QDir(demo).filePath(name), big.filePath(name)))
            return 1;
    const int extra = 10000 - static_cast<int>(QDir(big.path()).entryList(QDir::Files).size());
    for (int i = 0; i < extra; ++i) {
        QFile file(big.filePath(QStringLiteral("take-%1.wav").arg(i, 5, 10, QLatin1Char('0'))));
        if (!file.open(QIODevice::WriteOnly))
            return 1;
    }
    return compare("Folder of 10 000 files", big.path()) ? 0 : 1;
}
