// The cost of reading one burst of progress output: the line buffer takes the bytes of about
// twenty progress lines (each ending in "\r", as the extractor prints them into a pipe) and
// the judgement reads the whole lines, as the download engine does on every read.
//
// The lines are real: the extractor downloads the loopback clip first, and the burst is made
// of the progress lines it printed.

#include "benchsupport.h"
#include "outputparser.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>

namespace {

constexpr int kBurstLines = 20;
constexpr int kIterations = 10000;
constexpr int kRounds = 41; // short rounds: the median is not thrown by a busy moment
constexpr double kTargetMicroseconds = 2.0;

// The last kBurstLines progress lines of the video stream (repeated from the start if the run
// printed fewer), each with its "\r".
QByteArray ProgressBurst(const QByteArray& output, const QString& sizeText)
{
    QList<QByteArray> progress;
    const QByteArray total = sizeText.left(sizeText.size() - 1).toUtf8(); // "3.79M" of "3.79MB"
    for (const QByteArray& line : output.split('\r')) {
        const QByteArray text = line.trimmed();
        if (text.startsWith("[download]") && text.contains("% of") && text.contains(total))
            progress << line;
    }
    if (progress.isEmpty())
        return QByteArray();
    QByteArray burst;
    const qsizetype first = qMax<qsizetype>(0, progress.size() - kBurstLines);
    for (int i = 0; i < kBurstLines; ++i)
        burst += progress[first + (i % (progress.size() - first))] + '\r';
    return burst;
}

} // namespace

int main(int argc, char** argv)
{
    bench::BeginBenchmark();
    QCoreApplication app(argc, argv);
    QTemporaryDir home;
    const QString media = fixture::MakeMedia();
    if (!home.isValid() || media.isEmpty()) {
        std::fprintf(stderr, "no work folder or media\n");
        return 1;
    }
    fixture::IsolateHome(home.path());
    fixture::CMediaServer server;
    if (!server.Start(media, 2 * 1024 * 1024)) {
        std::fprintf(stderr, "the loopback site did not start\n");
        return 1;
    }
    const _VIDEO_FILE_INFO_ task =
        bench::ClipTask(server, media, home.path() + "/out", QStringLiteral("2024-01-01-00-00-00"));
    QByteArray output;
    if (bench::RunBareDownload(task, &output) < 0) {
        std::fprintf(stderr, "the extractor run failed\n");
        return 1;
    }
    server.Stop();
    const QByteArray burst = ProgressBurst(output, task.QstrSize);
    if (burst.isEmpty()) {
        std::fprintf(stderr, "no progress lines in the extractor's output\n");
        return 1;
    }
    std::printf("burst of %d lines, %lld bytes, e.g. %s\n", kBurstLines,
                static_cast<long long>(burst.size()),
                burst.left(burst.indexOf('\r')).trimmed().constData());

    TaskOutputState initial;
    initial.QstrExt = task.QstrExt;
    initial.QstrSize = task.QstrSize;
    initial.QstrFormatId = task.QstrFormatId;
    int sink = 0;
    QList<double> perRead;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kIterations; ++i) {
            CLineBuffer buffer;
            TaskOutputState state = initial;
            const ChunkOutcome outcome = JudgeOutput(buffer.AppendRaw(burst), state);
            sink += int(outcome.reports.size());
        }
        const std::chrono::duration<double, std::micro> spent =
            std::chrono::steady_clock::now() - start;
        perRead << spent.count() / kIterations;
    }
    const double median = bench::Median(perRead);
    std::printf("per read: %s us (rounds: %s); %d reports\n", qPrintable(bench::Num(median, 2)),
                qPrintable(bench::Num(*std::min_element(perRead.begin(), perRead.end()), 2) +
                           QStringLiteral("..") +
                           bench::Num(*std::max_element(perRead.begin(), perRead.end()), 2)),
                sink);
    bench::Report(QStringLiteral("output parsing, one read of a 20-line progress burst"),
                  QStringLiteral("%1 us").arg(bench::Num(median, 2)),
                  QStringLiteral("<= %1 us").arg(kTargetMicroseconds),
                  median <= kTargetMicroseconds);
    return 0;
}
