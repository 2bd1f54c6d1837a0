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

/**
 * Lays out the local JV-Link's source folder `folder` from the sample course-days
 * in `sampleDir` (course-day files: each line a stored JV-Data record), re-dated by
 * whole weeks onto the latest race weekend of `now`: the Saturday as run, with its
 * results and payouts; the Sunday as race cards before its races (data kind "2",
 * created two days before, no finishing places, no popularity, no payouts); and the
 * results of both days as the real-time data "0B12". One file per course-day and
 * data,"RACE_<meeting date>_<stamp>_<course>.jvd" and "0B12_…", stamped `now`.
 * The folder appears whole or not at all; false when the sample cannot be read or
 * the folder cannot be written.
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
