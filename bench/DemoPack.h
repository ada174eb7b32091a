#pragma once

#include <QDir>
#include <QString>
#include <cstdio>

// The demo voice pack the benchmarks run on, named by PARLOTTE_DEMO_PACK; empty, after saying
// so, when that names no folder.
inline QString demoPack() {
    const QString demo = qEnvironmentVariable("PARLOTTE_DEMO_PACK");
    if (demo.isEmpty() || !QDir(demo).exists()) {
        std::printf("PARLOTTE_DEMO_PACK does not name the demo pack (run make demo)\n");
        return QString();
    }
    return demo;
}
