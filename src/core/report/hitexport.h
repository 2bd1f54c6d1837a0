#pragma once

#include "core/store/courseday.h"

#include <string>
#include <vector>

#include <QDate>
#include <QString>

namespace velmora {

/** Which hits an export keeps: every paid bet ("的中") or the high payouts only ("穴的中"). */
enum class HitThreshold
{
    Hit,
    Longshot
};

/** What an export did. */
struct HitExportResult
{
    std::vector<std::string> lines; ///< the export's lines (CP932), heading first
    bool written = false;           ///< more than two lines: the files were written
    QString exportPath;             ///< appFolder + "/HPupload/TK<yyyy><mmdd><cc>.txt", when there was one to write
    QString archivePath;            ///< appFolder + "/HPupload/Manbaken.txt"
    CourseDay lastCourseDay;        ///< the course-day processed last (the window shows it after)
    struct Skipped
    {
        QString name;   ///< the course-day (CourseDay::fileBase())
        QString reason; ///< why it cannot be computed
    };
    std::vector<Skipped> skipped; ///< course-days of the date that could not be computed: they add nothing
    int computed = 0;             ///< course-days of the date that were computed
    QString error;                ///< a file error, or empty
    /** The export's text as the clipboard takes it: every line followed by CR LF. */
    QString clipboardText() const;
};

/**
 * Exports the hits of every course-day among `courseDays` (data list order) whose
 * date is `date`: each paid quinella, wide and
 * bracket-quinella bet above the threshold becomes a coloured HTML line. Writes the
 * export file and the growing, sorted archive into `appFolder`/HPupload when there
 * are at least two hits. Record texts written into the HTML are escaped. A course-day
 * that cannot be computed adds nothing (it is listed in `skipped`); the export file is
 * named after race 1 of the last course-day that was computed. The archive is read
 * from its file at each call, so exporting a date again adds no line twice.
 */
HitExportResult ExportHits(const QString &dataDir, const QString &appFolder, const std::vector<CourseDay> &courseDays,
                           QDate date, HitThreshold threshold);

} // namespace velmora
