#include "cli/cli.h"
#include "core/print/sheets.h"
#include "core/report/racetexts.h"
#include "core/report/raceview.h"
#include "core/report/session.h"
#include "core/store/racecard.h"
#include "render/replay.h"

#include <QFileInfo>

namespace velmora::cli {
namespace {

int WritePage(const Page &page, const QString &path)
{
    QString error;
    if (!render::WritePdf(page, QFileInfo(path).absoluteFilePath(), QString::fromStdString(page.caption), &error)) {
        PrintError(error);
        return kExitFailed;
    }
    Print(QStringLiteral("PDFを書き出しました: %1").arg(path));
    return kExitOk;
}

} // namespace

int PrintRace(const Arguments &args)
{
    const auto pdf = args.option("--pdf");
    if (args.positional.size() != 2 || !pdf)
        return Usage();
    Session session;
    if (const auto failed = LoadComputedSession(args, CourseDayArgument(args), session))
        return *failed;
    bool isNumber = false;
    const int race = args.positional.at(1).toInt(&isNumber);
    if (!isNumber || race < 1 || race > session.card.RaceCount) {
        PrintError(QStringLiteral("レース番号は 1 から %1 で指定してください: %2")
                       .arg(session.card.RaceCount)
                       .arg(args.positional.at(1)));
        return kExitUsage;
    }
    const std::optional<Page> page = RaceSheet(RaceSheetSourceOf(session, RaceView(session, race), race));
    if (!page) {
        PrintError(QString::fromUtf8(kCannotPrint));
        return kExitFailed;
    }
    return WritePage(*page, *pdf);
}

int PrintAllRaces(const Arguments &args)
{
    const auto pdf = args.option("--pdf");
    if (args.positional.size() != 1 || !pdf)
        return Usage();
    Session session;
    if (const auto failed = LoadComputedSession(args, CourseDayArgument(args), session))
        return *failed;
    RefreshAllRaces(session);
    return WritePage(AllRacesSheet(session, session.card.RaceCount, DateLine(session.card.RaceRecords[1])), *pdf);
}

} // namespace velmora::cli
