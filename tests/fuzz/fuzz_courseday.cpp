// A course-day's three files (race-day, runner and payout file, separated by "|F|")
// through everything that reads a loaded course-day: the loader and the engine, the
// race views, the hit list, the race and all-races sheets, the bets text and the
// hit-list export.

#include "core/print/sheets.h"
#include "core/report/betstext.h"
#include "core/report/hitexport.h"
#include "core/report/hitlist.h"
#include "core/report/racetexts.h"
#include "core/report/raceview.h"
#include "core/report/session.h"
#include "core/store/atomicfile.h"
#include "workspace.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace velmora;
    fuzz::Workspace workspace;
    const QString name = QStringLiteral("2026年11月28日東京");
    const std::vector<std::string_view> files =
        fuzz::Split(std::string_view(reinterpret_cast<const char *>(data), size), "|F|", 3);
    const char *const extensions[] = {".jvRA", ".jvSEr", ".jvHR"};
    for (size_t i = 0; i < files.size(); ++i)
        WriteFileAtomically(workspace.data() + QLatin1Char('/') + name + QLatin1String(extensions[i]), files[i]);

    Session session;
    const LoadResult load = LoadIntoSession(session, workspace.data(), CourseDay(name));
    LoadedRaceView(session);
    TabCaptions(session.card);
    if (!load.computable())
        return 0;

    RefreshAllRaces(session);
    HitList(session.card, session.prediction);
    for (int race = 1; race <= session.card.RaceCount; ++race)
        RaceSheet(RaceSheetSourceOf(session, RaceView(session, race), race));
    const std::string heading = DateLine(session.card.RaceRecords[1]);
    AllRacesSheet(session, session.card.RaceCount, heading);
    QString error;
    SaveBetsText(MakeBetsText(session, heading), workspace.app(), &error);
    for (HitThreshold threshold : {HitThreshold::Hit, HitThreshold::Longshot})
        ExportHits(workspace.data(), workspace.app(), LoadableCourseDays(workspace.data()), QDate(2026, 11, 28),
                   threshold);
    return 0;
}
