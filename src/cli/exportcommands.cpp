#include "cli/cli.h"
#include "core/report/betstext.h"
#include "core/report/hitexport.h"
#include "core/report/racetexts.h"
#include "core/report/session.h"
#include "core/settings/appfolderlock.h"
#include "core/store/racecard.h"
#include "core/store/regularfile.h"
#include "core/text/sjis.h"

#include <QDate>
#include <QDir>
#include <QRegularExpression>

namespace velmora::cli {
namespace {

/** A date given as yyyy年mm月dd日 or as yyyymmdd; nothing for other texts or no such day. */
std::optional<QDate> DateArgument(const QString &text)
{
    static const QRegularExpression digits(QStringLiteral("^([0-9]{4})([0-9]{2})([0-9]{2})$"));
    static const QRegularExpression written(QStringLiteral("^([0-9]{4})年([0-9]{2})月([0-9]{2})日$"));
    QRegularExpressionMatch match = digits.match(text);
    if (!match.hasMatch())
        match = written.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const QDate date(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
    if (!date.isValid())
        return std::nullopt;
    return date;
}

} // namespace

int SaveBets(const Arguments &args)
{
    if (args.positional.size() != 1)
        return Usage();
    AppFolderLock lock(AppFolder(args));
    if (const auto failed = LockAppFolder(lock))
        return *failed;
    Session session;
    if (const auto failed = LoadComputedSession(args, CourseDayArgument(args), session))
        return *failed;
    RefreshAllRaces(session);
    QString error;
    const QString message =
        SaveBetsText(MakeBetsText(session, DateLine(session.card.RaceRecords[1])), AppFolder(args), &error);
    if (!error.isEmpty()) {
        PrintError(error);
        return kExitFailed;
    }
    Print(message);
    return kExitOk;
}

int ExportHitsCommand(const Arguments &args)
{
    if (args.positional.size() != 1)
        return Usage();
    const std::optional<QDate> date = DateArgument(args.positional.front());
    if (!date) {
        PrintError(QStringLiteral("日付は yyyy年mm月dd日 または yyyymmdd で指定してください: %1")
                       .arg(args.positional.front()));
        return kExitUsage;
    }
    AppFolderLock lock(AppFolder(args));
    if (const auto failed = LockAppFolder(lock))
        return *failed;
    const QString dataDir = DataDir(args);
    const auto skip = [](const QString &name, const QString &reason) {
        PrintError(QStringLiteral("%1 は計算できないため除外しました。%2").arg(VisibleText(name), reason));
    };
    std::vector<CourseDay> days;
    for (CourseDay &day : ListCourseDays(dataDir)) {
        if (day.readable())
            days.push_back(std::move(day));
        else if (day.date() == *date)
            skip(day.fileBase(), UnreadableNameReason());
    }
    const HitExportResult result = ExportHits(dataDir, AppFolder(args), days, *date,
                                              args.has("--longshot") ? HitThreshold::Longshot : HitThreshold::Hit);
    for (const HitExportResult::Skipped &day : result.skipped)
        skip(day.name, day.reason);
    if (!result.error.isEmpty()) {
        PrintError(result.error);
        return kExitFailed;
    }
    if (result.lastCourseDay.isNull()) {
        PrintError(QStringLiteral("%1 の開催データがありません。").arg(CourseDayDateText(*date)));
        return kExitFailed;
    }
    if (result.computed == 0) {
        PrintError(QStringLiteral("%1 の開催データはどれも計算できないため、的中を書き出せません。")
                       .arg(CourseDayDateText(*date)));
        return kExitFailed;
    }
    for (const std::string &line : result.lines)
        Print(FromSjis(line));
    if (result.written) {
        Print(QStringLiteral("書き出しました: %1").arg(QDir::toNativeSeparators(result.exportPath)));
        Print(QStringLiteral("書き出しました: %1").arg(QDir::toNativeSeparators(result.archivePath)));
    } else {
        Print(QStringLiteral("的中が2件未満のため、ファイルは書き出しませんでした。"));
    }
    return kExitOk;
}

} // namespace velmora::cli
