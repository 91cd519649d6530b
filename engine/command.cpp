#include "command.h"

#include "paths.h"
#include "taskchoice.h"

#include <QHash>
#include <QMutex>
#include <QRegularExpression>

#include <csignal>
#include <unistd.h>
#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

namespace {

QString ToolPath(const QString& appFolder, const QString& name)
{
    QString path = appFolder + QLatin1Char('/') + name;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return path;
}

// A piece of a file name that must stay one piece: no folder separators, no quotes.
QString NamePiece(QString text)
{
    text.remove(QLatin1Char('"'));
    text.replace(QLatin1Char('/'), QLatin1Char('_'));
    text.remove(QChar(0));
    return text;
}

struct ExtractorChoice
{
    QString program;
    QStringList options;
};

QMutex g_choiceMutex;
QHash<QString, ExtractorChoice> g_choices; // by application folder

} // namespace

void SetExtractorChoice(const QString& appFolder, const QString& program,
                        const QStringList& options)
{
    QMutexLocker lock(&g_choiceMutex);
    if (program.isEmpty() && options.isEmpty())
        g_choices.remove(appFolder);
    else
        g_choices.insert(appFolder, {program, options});
}

QStringList ExtractorRunOptions(const QString& appFolder)
{
    QMutexLocker lock(&g_choiceMutex);
    return g_choices.value(appFolder).options;
}

QString ExtractorPath(const QString& appFolder)
{
    {
        QMutexLocker lock(&g_choiceMutex);
        const QString program = g_choices.value(appFolder).program;
        if (!program.isEmpty())
            return program;
    }
    return ToolPath(appFolder, QStringLiteral("Pelmora"));
}

QString ConverterPath(const QString& appFolder)
{
    return ToolPath(appFolder, QStringLiteral("virarurov"));
}

QString AudioExtFor(const QString& ext)
{
    return ext == QLatin1String("webm") ? QStringLiteral("webm") : QStringLiteral("m4a");
}

QString DownloadOutputFile(const _VIDEO_FILE_INFO_& info)
{
    // Quotes leave the name only: the output folder is the user's and stays as it is.
    QString title = info.QstrTitle;
    title.remove(QLatin1Char('"'));
    return info.QstrOutputDir + SafeTitlePath(title) + QLatin1Char('-') +
           NamePiece(info.QstrTaskKey) + QLatin1Char('.') + NamePiece(info.QstrExt);
}

QString DownloadOutputFolder(const _VIDEO_FILE_INFO_& info)
{
    const QString file = DownloadOutputFile(info);
    return file.left(file.lastIndexOf(QLatin1Char('/')) + 1);
}

QStringList BuildDownloadArgs(const _VIDEO_FILE_INFO_& info, const QString& appFolder)
{
    // The extractor reads -o as a template: "%%" stands for a literal "%".
    QString output = DownloadOutputFile(info);
    output.replace(QLatin1Char('%'), QLatin1String("%%"));
    const TaskChoice choice = ReadTaskChoice(info.QstrFormatId);
    QStringList args{QStringLiteral("--ffmpeg-location"), ConverterPath(appFolder),
                     QStringLiteral("--add-metadata")};
    const QString merge = MergeFormat(choice, info.QstrExt);
    if (!merge.isEmpty())
        args << QStringLiteral("--merge-output-format") << merge;
    args << QStringLiteral("-o") << output;
    return args + TaskChoiceArgs(choice, info.QstrExt) + ExtractorRunOptions(appFolder) +
           QStringList{QStringLiteral("--"), info.QstrUrl};
}

QStringList OutputPathVariables(const QString& path)
{
    // The forms a POSIX shell-style expansion recognises: $NAME and ${NAME}.
    static const QRegularExpression re(QStringLiteral(R"(\$(\w+|\{[^}]*\}))"));
    QStringList names;
    for (auto it = re.globalMatch(path); it.hasNext();) {
        QString name = it.next().captured(1);
        if (name.startsWith(QLatin1Char('{')))
            name = name.mid(1, name.size() - 2);
        if (!names.contains(name))
            names << name;
    }
    return names;
}

QProcessEnvironment DownloadEnvironment(const _VIDEO_FILE_INFO_& info,
                                        const QProcessEnvironment& base)
{
    QProcessEnvironment env = base;
    for (const QString& name : OutputPathVariables(DownloadOutputFile(info)))
        env.remove(name);
    return env;
}

void BindToProgram(QProcess& process, bool ownGroup)
{
    const pid_t program = ::getpid();
    process.setChildProcessModifier([program, ownGroup] {
        if (ownGroup)
            ::setpgid(0, 0);
#ifdef Q_OS_LINUX
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        // The program died before the signal was asked for: the child has another parent.
        if (::getppid() != program)
            ::_exit(127);
#endif
    });
}

void ConnectRunEnd(QProcess& process, QObject* receiver, const std::function<void()>& ended)
{
    QObject::connect(&process, &QProcess::finished, receiver, [ended] { ended(); });
    QObject::connect(&process, &QProcess::errorOccurred, receiver,
                     [ended](QProcess::ProcessError e) {
                         if (e == QProcess::FailedToStart)
                             ended();
                     });
}
