#pragma once

#include "core/store/racedayfiles.h"

#include <string>
#include <string_view>

#include <QDate>
#include <QMetaType>
#include <QString>

namespace velmora {

/**
 * One racecourse's races of one meeting day as the data folder keeps them: three
 * files whose common base name is the date written yyyy年mm月dd日 followed by the
 * racecourse name ("2026年11月29日東京"). Made from a listed file or from a record;
 * the name is read once here, so that no caller cuts it apart.
 *
 * A file renamed by hand keeps its name as it stands: its date is invalid unless the
 * name begins with one, and its racecourse is what follows the date.
 */
class CourseDay
{
  public:
    /** No course-day: an empty name. */
    CourseDay() = default;
    /** The course-day whose files are `fileBase` + ".jvRA", ".jvSEr" and ".jvHR". */
    explicit CourseDay(QString fileBase);
    /**
     * A listed course-day whose file name is not valid UTF-8, which no path of the
     * program reaches: it is shown by `visibleName` (each stray byte as \xNN) and named
     * as left out, never loaded.
     */
    static CourseDay Unreadable(QString visibleName);
    /** The course-day a record belongs to, named as the store names its files (RaceDayFileName). */
    static CourseDay OfRecord(std::string_view record);

    bool isNull() const { return m_name.isEmpty(); }
    /** False for a name that is not valid UTF-8: its files cannot be opened. */
    bool readable() const { return m_readable; }
    /** The base name of its three files; for an unreadable day the visible form, which names no file. */
    const QString &fileBase() const { return m_name; }
    /** The name as lists and messages show it, line breaks and control characters escaped. */
    QString displayName() const;
    /** The meeting date; invalid when the name does not begin with a date yyyy年mm月dd日. */
    QDate date() const { return m_date; }
    /** The racecourse name that follows the date ("東京"); empty when the name has no date. */
    QString courseName() const;
    /**
     * The racecourse code ("05"): the record's for a day made from one, otherwise the
     * first code of the code table with the course name; empty when none has it.
     */
    std::string courseCode() const;
    /**
     * Whether the data is from 2005 or later, when a field of 8 runners or fewer sells
     * no bracket quinella: the number the name begins with, read as FieldValue reads it.
     */
    bool isYear2005OrLater() const { return m_nameYear >= 2005; }
    /** The path of its file of `kind` in the data folder `dataDir`. */
    QString filePath(const QString &dataDir, FileKind kind) const;

    bool operator==(const CourseDay &other) const { return m_name == other.m_name && m_readable == other.m_readable; }

  private:
    QString m_name;
    bool m_readable = true;
    QDate m_date;
    std::string m_courseCode;
    int m_nameYear = 0;
};

/** A date as course-day names write it: "2026年11月29日". */
QString CourseDayDateText(QDate date);

} // namespace velmora

Q_DECLARE_METATYPE(velmora::CourseDay)
