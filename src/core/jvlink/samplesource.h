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

/**
 * Lays out the local JV-Link's source folder `folder` from the sample course-days
 * in `sampleDir` (course-day files: each line a stored JV-Data record), re-dated by
 * whole weeks onto the latest race weekend of `now`: the Saturday as run, with the
 * results and payouts of race day; the Sunday as race cards (RaceStage::RaceCard, no
 * payouts); and the results of both days, as on race day, as the real-time data
 * "0B12". One file per course-day and data, "RACE_<meeting date>_<stamp>_<course>.jvd"
 * and "0B12_…", stamped `now`. The folder appears whole or not at all; false when the
 * sample cannot be read or the folder cannot be written.
 */
bool LayOutSampleSource(const QString &sampleDir, const QString &folder, const QDateTime &now);

/** One file of a JV-Data source folder: its name and its records, as JV-Link delivers them. */
struct SourceFile
{
    QString name;
    std::string bytes;
};

/** The name of a source file: "<dataspec>_<meeting date yyyymmdd>_<stamp yyyymmddhhnnss>_<course code>.jvd". */
QString SourceFileName(const char *dataspec, QDate meetingDate, const QDateTime &stamp, const QString &course);

/**
 * Writes a source folder of `files`, whole or not at all: the files go to a folder
 * beside it, renamed into place at the end. False on a write error, leaving nothing.
 */
bool WriteSourceFolder(const QString &folder, const std::vector<SourceFile> &files);

/** The local JV-Link's maker of its default source: the bundled sample of the program in `programDir`. */
LocalJVLink::SourceMaker BundledSampleMaker(const QString &programDir);

} // namespace velmora
