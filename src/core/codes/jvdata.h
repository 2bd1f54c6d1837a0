#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace velmora {

/** A field of a JV-Data record: 1-based byte position and length in bytes. */
struct FieldPos
{
    int pos;
    int len;
};

/**
 * The bytes of a field of a record; the part of the field that lies beyond the
 * end of the record is cut off (a short record yields a short or empty field).
 */
constexpr std::string_view Field(std::string_view record, FieldPos field)
{
    const auto start = static_cast<size_t>(field.pos - 1);
    if (field.pos < 1 || start >= record.size())
        return {};
    return record.substr(start, static_cast<size_t>(field.len));
}

/**
 * Writes `bytes` over a field of a record, cut or padded with half-width blanks to
 * the field's length. The write stops at the record's end, and before the CR LF that
 * ends a whole record: a field that reaches past them is cut there, one that lies
 * beyond them changes nothing. The record's length never changes.
 */
inline void SetField(std::string &record, FieldPos field, std::string_view bytes)
{
    const size_t body = record.ends_with("\r\n") ? record.size() - 2 : record.size();
    if (field.pos < 1 || field.len < 1 || static_cast<size_t>(field.pos - 1) >= body)
        return;
    const auto start = static_cast<size_t>(field.pos - 1);
    const size_t length = std::min(static_cast<size_t>(field.len), body - start);
    for (size_t i = 0; i < length; ++i)
        record[start + i] = i < bytes.size() ? bytes[i] : ' ';
}

/** Record lengths in bytes as JV-Link delivers them, CR LF included. */
constexpr int kRaceRecordLength = 1272;
constexpr int kRunnerRecordLength = 555;
constexpr int kPayoutRecordLength = 719;

/** Fields that place a record in the course-day files (all three kinds). */
namespace common {
constexpr FieldPos RecordType{1, 2};
constexpr FieldPos DataKind{3, 1};
constexpr FieldPos KindAndCreated{3, 9};
constexpr FieldPos Created{4, 8}; ///< the record's creation date, yyyymmdd
constexpr FieldPos MeetingDate{12, 8};
constexpr FieldPos Year{12, 4};
constexpr FieldPos Month{16, 2};
constexpr FieldPos Day{18, 2};
constexpr FieldPos MonthDay{16, 4};
constexpr FieldPos Course{20, 2};
constexpr FieldPos Meeting{22, 2};
constexpr FieldPos MeetingDay{24, 2};
constexpr FieldPos RaceKey{12, 16};
constexpr FieldPos RaceNumber{26, 2};
} // namespace common

/** RA: race details. */
namespace ra {
using namespace common;
constexpr FieldPos Weekday{28, 1};
constexpr FieldPos RaceName{33, 60}; ///< full-width; all blanks for an ordinary race
constexpr FieldPos ShortName10{573, 20};
constexpr FieldPos ShortName6{593, 12};
constexpr FieldPos ShortName3{605, 6};
constexpr FieldPos Grade{615, 1}; ///< blank for an ordinary race
constexpr FieldPos RaceType{617, 2};
constexpr FieldPos WeightRule{622, 1};
constexpr FieldPos Condition2{623, 3};
constexpr FieldPos Condition3{626, 3};
constexpr FieldPos Condition4{629, 3};
constexpr FieldPos Condition5{632, 3};
constexpr FieldPos ConditionYoungest{635, 3};
constexpr FieldPos Distance{698, 4};
constexpr FieldPos Track{706, 2};
constexpr FieldPos Registered{882, 2};
} // namespace ra

/** SE: one runner of one race. */
namespace se {
using namespace common;
constexpr FieldPos Bracket{28, 1};
constexpr FieldPos HorseNumber{29, 2};
constexpr FieldPos HorseName{41, 36};
constexpr FieldPos Sex{79, 1};
constexpr FieldPos Age{83, 2};
constexpr FieldPos Weight{289, 3};
constexpr FieldPos Finish{335, 2};
constexpr FieldPos Popularity{364, 2};
} // namespace se

/** HR: payouts of one race. Entry i (1-based) of a bet kind starts at first + step x (i - 1). */
namespace hr {
using namespace common;
struct PayoutTable
{
    int first;       ///< position of entry 1
    int step;        ///< bytes from one entry to the next
    int entries;     ///< number of entries
    int combination; ///< bytes of the combination; the 9 payout digits follow it
};
constexpr int kPayoutDigits = 9;
constexpr PayoutTable BracketQuinella{207, 13, 3, 2};
constexpr PayoutTable Quinella{246, 16, 3, 4};
constexpr PayoutTable Wide{294, 16, 7, 4};

constexpr FieldPos EntryCombination(const PayoutTable &table, int entry)
{
    return {table.first + table.step * (entry - 1), table.combination};
}
constexpr FieldPos EntryPayout(const PayoutTable &table, int entry)
{
    return {table.first + table.step * (entry - 1) + table.combination, kPayoutDigits};
}
} // namespace hr

} // namespace velmora
