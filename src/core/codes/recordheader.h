#pragma once

#include <string_view>

#include <QDate>

namespace velmora {

/** The calendar date of eight digits yyyymmdd; invalid for anything else. */
QDate DateOfDigits(std::string_view digits);

/**
 * The fields at the head of a JV-Data record (positions 1-30), read once. The
 * views point into the record's bytes, which must outlive the header; fields
 * beyond the end of a short record are empty or 0.
 */
struct RecordHeader
{
    std::string_view type;        ///< positions 1-2: "RA", "SE", "HR", …
    std::string_view dataKind;    ///< position 3: "A" and "B" are local and overseas racing
    int createdDate = 0;          ///< positions 4-11 as yyyymmdd; 0 unless they are a calendar date
    std::string_view meetingDate; ///< positions 12-19, yyyymmdd as they stand
    std::string_view course;      ///< positions 20-21, the racecourse code
    std::string_view raceKey;     ///< positions 12-27: meeting date, course, meeting, day, race number
    int raceNumber = 0;           ///< positions 26-27 by FieldValue
    int horseNumber = 0;          ///< positions 29-30 by FieldValue: the horse number of a runner record

    /** Local or overseas racing (data kind "A" or "B"), which the program keeps no races or runners of. */
    bool isLocalOrOverseas() const { return dataKind == "A" || dataKind == "B"; }
    /** Whether the meeting date is eight digits of a calendar date. */
    bool hasMeetingDate() const { return DateOfDigits(meetingDate).isValid(); }
    /** The meeting date as the number yyyymmdd (FieldValue: its leading digits), for date windows. */
    int meetingDateNumber() const;
};

RecordHeader ReadRecordHeader(std::string_view record);

} // namespace velmora
