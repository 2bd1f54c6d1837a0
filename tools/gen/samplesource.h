#pragma once

#include "gen/jvdatagen.h"

#include <vector>

#include <QDateTime>
#include <QString>

namespace velmora::gen {

/**
 * The same course-day before its races: data kind "2", created the day before,
 * no finishing positions or popularity ranks, no payouts.
 */
CourseDay CardOf(const CourseDay &day);

/** The same course-day as its results stand on race day: data kind "5", payouts kind "1", created that day. */
CourseDay RaceDayResultsOf(const CourseDay &day);

/** The contents of the sample source laid out on `today`. */
struct SampleSource
{
    std::vector<CourseDay> raceData; ///< what the accumulated "RACE" data holds
    std::vector<CourseDay> results;  ///< what the real-time "0B12" data holds
};

/**
 * The sample for a new user: the latest race weekend, its Saturday run with the
 * results of race day, its Sunday as race cards (SampleRaceDataStage); the real-time
 * results of both days.
 */
SampleSource MakeSampleSource(QDate today);

/**
 * Writes the sample of `now`'s weekend as a JV-Data source folder for the local
 * JV-Link, as the program lays out its own (WriteSampleSource). The folder appears
 * whole or not at all; false on a write error.
 */
bool LayOutSampleSource(const QString &folder, const QDateTime &now);

} // namespace velmora::gen
