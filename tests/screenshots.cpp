// Makes the README's pictures: the main window with downloading and finished tasks, and the
// add-video dialog with an analysed video, on a private home and data folder, against the
// loopback video site. Run: bash docs/make-screenshots.sh
// A second argument names a language to show them in (not stored), e.g. German.

#include "dodivezparseui.h"
#include "drui.h"
#include "infofiles.h"
#include "languagesconfig.h"
#include "paths.h"
#include "testsupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMutexLocker>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <cstdio>

namespace {

void WaitUntil(const std::function<bool()>& done, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(20);
    }
}

bool Save(QWidget* widget, const QString& file)
{
    QCoreApplication::processEvents();
    const bool ok = widget->grab().save(file);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(file));
    return ok;
}

// A 1280x720 thumbnail of one of ffmpeg's test patterns.
QString MakeThumb(const QString& folder, const QString& name, const QString& source)
{
    const QString file = folder + QLatin1Char('/') + name + QStringLiteral(".jpg");
    fixture::RunTool(QStringLiteral("ffmpeg"),
                     {QStringLiteral("-y"), QStringLiteral("-loglevel"), QStringLiteral("error"),
                      QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"), source,
                      QStringLiteral("-frames:v"), QStringLiteral("1"), file});
    return file;
}

_VIDEO_FILE_INFO_ Task(const QString& title, const QString& key, const QString& size,
                       const QString& duration, const QString& thumb, const QString& out)
{
    _VIDEO_FILE_INFO_ info;
    info.QstrTitle = title;
    info.QstrTaskKey = key;
    info.QstrFinishTime = key;
    info.QstrFormatId = QStringLiteral("137");
    info.QstrExt = QStringLiteral("mp4");
    info.QstrSize = size;
    info.QstrDuration = duration;
    info.QstrThumbPath = thumb;
    info.QstrOutputDir = out;
    info.QstrUrl = QStringLiteral("http://127.0.0.1:9/watch");
    info.QstrFilePath = out + title + QStringLiteral("-") + key + QStringLiteral(".mp4");
    return info;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: quillane_screenshots OUTPUT_FOLDER [LANGUAGE]\n");
        return 2;
    }
    QTemporaryDir home;
    fixture::IsolateHome(home.path());
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(drui);
    RegisterTaskRowTypes();
    SetAppFolder(QStringLiteral(QUILLANE_APP_DIR));
    if (argc == 3)
        CLanguagesConfig::GetInstance()->InitLanguageType(QString::fromLocal8Bit(argv[2]));
    const QString outDir = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(outDir);

    const QString media = fixture::MakeMedia();
    fixture::CMediaServer server;
    if (media.isEmpty() || !server.Start(media, 150000))
        return 1;

    const QString data = DataFolder();
    const QString out = home.path() + QStringLiteral("/Videos/");
    QDir().mkpath(data + QStringLiteral("downloading"));
    QDir().mkpath(data + QStringLiteral("finished"));
    QDir().mkpath(out);
    const QString thumbs = home.path() + QStringLiteral("/thumbs");
    QDir().mkpath(thumbs);

    struct Row
    {
        const char* title;
        const char* size;
        const char* duration;
        const char* pattern;
        const char* percent;
    };
    const Row downloading[] = {
        {"Harbour Lights at Dusk", "412.60MB", "00:24:13", "testsrc2=size=1280x720", "45.7"},
        {"Slow Bread, Fast Morning", "188.02MB", "00:11:48", "smptehdbars=size=1280x720", "12.4"},
    };
    const Row finished[] = {
        {"Alpine Trail in Four Seasons", "96.44MB", "00:06:02", "mandelbrot=size=1280x720", ""},
        {"Night Train Sketches", "241.90MB", "00:17:35", "rgbtestsrc=size=1280x720", ""},
        {"Workshop Notes: Dovetail Joints", "133.10MB", "00:09:21", "life=size=1280x720:mold=10", ""},
    };
    int n = 0;
    for (const Row& row : downloading) {
        const QString key = QStringLiteral("2026-12-0%1-09-15-0%1").arg(++n);
        _VIDEO_FILE_INFO_ info =
            Task(QString::fromUtf8(row.title), key, QString::fromUtf8(row.size),
                 QString::fromUtf8(row.duration),
                 MakeThumb(thumbs, key, QString::fromUtf8(row.pattern)), out);
        info.QstrPercent = QString::fromUtf8(row.percent);
        WriteInfoFile(data + QStringLiteral("downloading/"), key, DownloadInfoLine(info));
    }
    for (const Row& row : finished) {
        const QString key = QStringLiteral("2026-12-0%1-18-40-1%1").arg(++n);
        const _VIDEO_FILE_INFO_ info =
            Task(QString::fromUtf8(row.title), key, QString::fromUtf8(row.size),
                 QString::fromUtf8(row.duration),
                 MakeThumb(thumbs, key, QString::fromUtf8(row.pattern)), out);
        WriteInfoFile(data + QStringLiteral("finished/"), key, FinishedInfoLine(info));
    }
    QFile path(data + QStringLiteral("OutputPath.txt"));
    if (path.open(QIODevice::WriteOnly))
        path.write(out.toUtf8());
    path.close();

    // The add-video dialog with an analysed video.
    {
        CDodivezParseUI dialog;
        dialog.InitDialog();
        dialog.show();
        dialog.pUrlEdit->setText(server.PageUrl(QStringLiteral("City Lights Over the River")));
        QTimer::singleShot(0, dialog.pParseButton, &QPushButton::click);
        WaitUntil([&] { return dialog.pFormatTable->rowCount() > 0; }, 120000);
        Save(&dialog, outDir + QStringLiteral("/add-video.png"));
    }

    // The add-video dialog with a channel's entries, the gone one ticked off.
    {
        CDodivezParseUI dialog;
        dialog.InitDialog();
        dialog.show();
        dialog.pUrlEdit->setText(server.ChannelUrl());
        QTimer::singleShot(0, dialog.pParseButton, &QPushButton::click);
        WaitUntil([&] { return dialog.IsBatch() && dialog.pBatchTable->rowCount() > 1; }, 120000);
        if (QTableWidgetItem* gone = dialog.pBatchTable->item(1, 0))
            gone->setCheckState(Qt::Unchecked);
        Save(&dialog, outDir + QStringLiteral("/add-video-playlist.png"));
    }

    // The same dialog for a video with subtitles: two languages and a part chosen.
    {
        CDodivezParseUI dialog;
        dialog.InitDialog();
        dialog.show();
        dialog.pUrlEdit->setText(server.PageUrl(QStringLiteral("City Lights Over the River")) +
                                 QStringLiteral("&subs=1"));
        QTimer::singleShot(0, dialog.pParseButton, &QPushButton::click);
        WaitUntil([&] { return dialog.pChoices->pSubtitleMenu->actions().size() > 1; }, 120000);
        for (QAction* language : dialog.pChoices->pSubtitleMenu->actions())
            language->trigger();
        dialog.pChoices->pCompatibleBox->setChecked(true);
        dialog.pChoices->pFromEdit->setText(QStringLiteral("0:02"));
        dialog.pChoices->pToEdit->setText(QStringLiteral("0:06"));
        Save(&dialog, outDir + QStringLiteral("/add-video-choices.png"));
    }

    // The main window: restored tasks, one running download, and the finished page.
    DRUI window;
    window.Init();
    window.show();
    {
        _VIDEO_FILE_INFO_ live = Task(QStringLiteral("City Lights Over the River"),
                                      QStringLiteral("2026-12-09-10-02-33"), QString(),
                                      QStringLiteral("00:00:08"), MakeThumb(thumbs, "live", "testsrc=size=1280x720"),
                                      out);
        const auto formats = fixture::ClipFormats();
        live.QstrFormatId = formats.at(2).id;
        live.QstrSize = fixture::RecordSizeText(QFileInfo(media + QLatin1Char('/') + formats.at(2).file).size());
        live.QstrUrl = server.PageUrl(live.QstrTitle);
        std::vector<_VIDEO_FILE_INFO_> list{live};
        window.RefreshDownloadTable(list, false);
        window.engine.Start(live.QstrTaskKey);
    }
    WaitUntil([&] {
        const CDownloadTask* last = window.engine.At(window.engine.Count() - 1);
        return last && last->Record().QstrPercent.toDouble() > 30;
    }, 120000);
    Save(&window, outDir + QStringLiteral("/main-window.png"));
    window.Finished();
    WaitUntil([] { return false; }, 500); // the rows' pictures follow their first frame
    Save(&window, outDir + QStringLiteral("/finished.png"));
    window.StopAllRuns();
    server.Stop();
    return 0;
}
