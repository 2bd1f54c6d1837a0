#pragma once

#include "core/jvlink/localjvlink.h"

#include <string>
#include <vector>

#include <QDate>
#include <QDateTime>
#include <QString>

namespace velmora {

/** The Saturday of the latest race weekend on `today`: today when it is Saturday. */
QDate LatestSaturday(QDate today);

/**
 * The folder of the sample course-day files that come with the program: "sample"
 * beside the program (a build or a portable copy), else "share/velmora/sample"
 * under the installation prefix (the program in "<prefix>/bin"). Empty when neither
 * holds a race-day file.
 */
QString BundledSampleFolder(const QString &programDir);

/** What JV-Link delivers of a race at a time of its week. */
enum class RaceStage
{
    RaceCard,      ///< the race card: data kind "2", made the day before the race, no places or popularity
    RaceDayResult, ///< the results of race day: kind "5" (all places final), payouts kind "1", made that day
};

/**
 * A stored RA, SE or HR record (with its CR LF) as JV-Link delivers it at `stage`:
 * its data kind and creation date, and for a race card its runner's finishing
 * place and popularity "00". Payouts have no race card; the caller leaves them out.
 */
std::string RecordAtStage(std::string record, RaceStage stage);

/** A course-day of the sample as JV-Link delivers it after its races: its records, each with its CR LF. */
struct SampleCourseDay
{
    QDate date;
    QString course; ///< the two-digit course code
    std::vector<std::string> raceRecords;
    std::vector<std::string> runnerRecords;
    std::vector<std::string> payoutRecords; ///< none for races not yet run
};

/** How the sample's race data ("RACE") holds a course-day of the weekend of `saturday`: the Saturday as run, the Sunday
 * as race cards. */
RaceStage SampleRaceDataStage(QDate date, QDate saturday);

/**
 * Writes the local JV-Link's source folder `folder` for the course-days `days` of
 * the latest race weekend of `now`: per course-day "RACE_<meeting date>_<stamp>_<course>.jvd"
 * with its race data at SampleRaceDataStage, and "0B12_…" with its results as on race
 * day (the real-time data), stamped `now`; the records of each file in race, runner,
 * payout order. The folder appears whole or not at all: the files go to a folder
 * beside it, renamed into place at the end. False on a write error, leaving nothing.
 */
bool WriteSampleSource(const QString &folder, const std::vector<SampleCourseDay> &days, const QDateTime &now);

/**
 * Lays out the local JV-Link's source folder `folder` from the sample course-days
 * in `sampleDir` (course-day files: each line a stored JV-Data record), re-dated by
 * whole weeks onto the latest race weekend of `now`, as WriteSampleSource writes
 * them. False when the sample cannot be read or the folder cannot be written.
 */
bool LayOutSampleSource(const QString &sampleDir, const QString &folder, const QDateTime &now);

/** The local JV-Link's maker of its default source: the bundled sample of the program in `programDir`. */
LocalJVLink::SourceMaker BundledSampleMaker(const QString &programDir);

} // namespace velmora
