#pragma once

#include "core/store/courseday.h"

#include <string>
#include <vector>

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace velmora::test {

/** A file's bytes, or "<missing>" when it cannot be read. */
inline std::string ReadFileBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    const QByteArray bytes = file.readAll();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

/** The file base names of course-days, in their order. */
inline QStringList Names(const std::vector<CourseDay> &days)
{
    QStringList names;
    for (const CourseDay &day : days)
        names.append(day.fileBase());
    return names;
}

/** The text of a PDF as pdftotext reads it back, or empty when it cannot. */
inline QString PdfText(const QString &path)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

/** How a program run by a test ended: its exit status and what it printed. */
struct ProcessRun
{
    int exitCode = -1;
    QString out;
    QString err;
    bool finished = false; ///< false when it was killed for taking too long
};

/** Waits for a started program, killing it after `timeoutMs`. */
inline ProcessRun Finish(QProcess &process, int timeoutMs = 60000)
{
    ProcessRun run;
    run.finished = process.waitForFinished(timeoutMs);
    if (!run.finished) {
        process.kill();
        process.waitForFinished();
    }
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

inline ProcessRun RunProgram(const QString &program, const QStringList &args, int timeoutMs = 60000)
{
    QProcess process;
    process.start(program, args);
    return Finish(process, timeoutMs);
}

#ifdef VELMORA_CLI
/** Runs the built velmora-cli. */
inline ProcessRun RunCli(const QStringList &args, int timeoutMs = 60000)
{
    return RunProgram(QStringLiteral(VELMORA_CLI), args, timeoutMs);
}
#endif

} // namespace velmora::test
