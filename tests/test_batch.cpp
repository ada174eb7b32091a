// The batch runner alone: tasks N at a time, each let go by the test in an order of its choosing;
// results and their events in list order whatever the order the tasks end in; a failing task and
// a throwing one among good ones; and a cancel mid-run of real conversions, where the tasks not
// yet started never start and nothing partial or hidden is left.
#include <QSemaphore>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QtTest>
#include <array>
#include <stdexcept>

#include "core/BatchRunner.h"
#include "fixtures/Bytes.h"
#include "fixtures/SoundFiles.h"
#include "tools/Converter.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int Tasks = 6;

// Tasks that hold until the test lets each go, counting how many run at once.
struct Gates {
    std::array<QSemaphore, Tasks> gate;
    std::atomic<int> running{0}, most{0};

    QList<core::BatchRunner::Task> tasks() {
        QList<core::BatchRunner::Task> out;
        for (int i = 0; i < Tasks; ++i)
            out << [this, i](const core::BatchRunner::Context &context) -> std::any {
                const int now = ++running;
                int seen = most.load();
                while (now > seen && !most.compare_exchange_weak(seen, now)) {
                }
                context.progress(50);
                context.progress(50); // a repeat, dropped
                gate[i].acquire();
                --running;
                if (i == 3)
                    return QStringLiteral("échec");
                if (i == 4)
                    throw std::runtime_error("no result");
                return i * 10;
            };
        return out;
    }
};

QList<int> indexes(const QSignalSpy &spy) {
    QList<int> out;
    for (const QList<QVariant> &args : spy)
        out << args[0].toInt();
    return out;
}

} // namespace

class TestBatch : public QObject {
    Q_OBJECT
private slots:
    void runsNAtATimeAndReportsInListOrder() {
        Gates g;
        core::BatchRunner runner(3); // not this machine's core count, which the default takes
        // Should a check fail, the tasks still held are let go, so that the runner can end.
        const struct Release {
            Gates &g;
            ~Release() {
                for (QSemaphore &gate : g.gate)
                    gate.release(1);
            }
        } release{g};
        QSignalSpy started(&runner, &core::BatchRunner::taskStarted);
        QSignalSpy progress(&runner, &core::BatchRunner::taskProgress);
        QSignalSpy ended(&runner, &core::BatchRunner::taskEnded);
        QSignalSpy ready(&runner, &core::BatchRunner::resultReady);
        QSignalSpy finished(&runner, &core::BatchRunner::finished);
        QVERIFY(runner.start(g.tasks()));
        QVERIFY(!runner.start(g.tasks())); // one run at a time
        // The first three start together, in whichever order their threads get going.
        QTRY_COMPARE(started.size(), 3);
        QList<int> first = indexes(started);
        std::sort(first.begin(), first.end());
        QCOMPARE(first, (QList<int>{0, 1, 2}));
        // Task 1 ends first: it is told at once for the progress, its result only after task 0's.
        g.gate[1].release();
        QTRY_COMPARE(indexes(ended), QList<int>{1});
        QCOMPARE(indexes(ready), QList<int>());
        QTRY_COMPARE(started.size(), 4);
        QCOMPARE(indexes(started).last(), 3); // the next in list order, into the free slot
        // Every other task ends while task 0 still runs: no result is ready before its own.
        for (int i : {5, 4, 3, 2})
            g.gate[i].release();
        QTRY_COMPARE(ended.size(), Tasks - 1);
        QCOMPARE(indexes(ready), QList<int>());
        g.gate[0].release();
        QTRY_COMPARE(finished.size(), 1);
        QCOMPARE(g.most.load(), 3);
        QCOMPARE(indexes(ended).last(), 0);
        QCOMPARE(indexes(ready), (QList<int>{0, 1, 2, 3, 4, 5}));
        QCOMPARE(progress.size(), Tasks);
        for (const QList<QVariant> &args : progress)
            QCOMPARE(args[1].toInt(), 50);
        // The failing task and the throwing one stop no other; each result sits at its index.
        for (int i : {0, 1, 2, 5})
            QCOMPARE(std::any_cast<int>(runner.result(i)), i * 10);
        QCOMPARE(std::any_cast<QString>(runner.result(3)), u"échec"_s);
        QVERIFY(runner.ran(4) && !runner.result(4).has_value());
        QVERIFY(!runner.isRunning() && !runner.wasCancelled());
        QVERIFY(runner.start({}));
        QCOMPARE(finished.size(), 2); // nothing to do ends at once
    }

    // Four real conversions one at a time, the encoder hanging once it has written half a file:
    // cancelled while the first runs, the other three never start, and the folder is left as it
    // was, with nothing partial or hidden.
    void cancelMidRunLeavesNothing() {
        QTemporaryDir pack, aside;
        const QString encoder = fixtures::writeProgram(
            aside.filePath(u"oggenc"_s),
            "#!/bin/sh\nfor a in \"$@\"; do [ \"$p\" = -o ] && o=$a; p=$a; done\n"
            "head -c 700 /dev/urandom > \"$o\"\ntouch \"$0.started.$$\"\nexec sleep 600\n");
        QList<pipeline::ConversionTask> tasks;
        for (const QString &name : {u"a.wav"_s, u"b.wav"_s, u"c.wav"_s, u"d.mp3"_s}) {
            QVERIFY(!(name.endsWith(u".mp3") ? fixtures::makeMp3(pack.path(), name, 0.5)
                                             : fixtures::makeWav(pack.path(), name, 11025))
                         .isEmpty());
            tasks << pipeline::planTask(pack.path(), name);
        }
        const QStringList before = QDir(pack.path()).entryList(QDir::Files | QDir::Hidden);
        const auto markers = [&] {
            return QDir(aside.path()).entryList({u"*.started.*"_s}, QDir::Files).size();
        };
        tools::Converter converter(encoder, 1);
        QSignalSpy finished(&converter.runner(), &core::BatchRunner::finished);
        QVERIFY(converter.start(tasks));
        QTRY_VERIFY_WITH_TIMEOUT(markers() == 1, 30000);
        converter.cancel();
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 30000);
        QCOMPARE(markers(), 1);
        QVERIFY(converter.wasCancelled());
        QVERIFY(converter.runner().ran(0));
        for (int i = 0; i < tasks.size(); ++i) {
            QCOMPARE(converter.outcomes()[i].status, pipeline::ConversionOutcome::Status::Cancelled);
            QCOMPARE(converter.runner().ran(i), i == 0);
        }
        QCOMPARE(QDir(pack.path()).entryList(QDir::Files | QDir::Hidden), before);
    }
};

QTEST_MAIN(TestBatch)
#include "test_batch.moc"
