#pragma once

#include <array>
#include <string>
#include <string_view>

namespace velmora {

/**
 * Racing code tables and field formatters.
 *
 * Codes are the record bytes as cut from a field; results are CP932 byte
 * strings sized for fixed-pitch columns, trailing blanks included. Every
 * function is pure and thread-safe; unknown codes yield the table's fallback.
 */

/**
 * The numeric value of a digit field: leading half-width blanks are skipped,
 * then the leading decimal digits are read; no digits gives 0. Values beyond
 * the range of int saturate (no JV-Data field comes near).
 */
int FieldValue(std::string_view field);

/** Racecourse or country name, style 2: 4 bytes; unknown codes give four blanks. */
const std::string &CourseName(std::string_view code, int style = 2);

/** The first code whose CourseName (style 2) is `name` (CP932), or the empty text. */
std::string CourseCodeOf(std::string_view name);

/** Race type name, style 8: 16 bytes; unknown codes give eight full-width blanks. */
const std::string &RaceTypeName(std::string_view code, int style = 8);

/** Day of week, style 1: 2 bytes, by FieldValue; values outside 0..8 give the empty text. */
const std::string &WeekdayName(std::string_view code, int style = 1);

/** Weight rule: "ﾊﾝﾃﾞ", "別定", "馬齢", "定量", or the empty text. */
const std::string &WeightRuleName(std::string_view code);

/** Track, by FieldValue: "芝直", "芝左", "芝右", "ダ左", "ダ右", "ダ直", "障害" or the empty text. */
const std::string &TrackName(std::string_view code);

/** Sex: "牡", "牝", "ｾﾝ" or the empty text. */
const std::string &SexName(std::string_view code);

/** The value right-aligned in the field's width, or as many blanks when it is 0. */
std::string FormatNumberField(std::string_view field);

/** The value in tenths as "%(w+1).1f" of value / 10, or w blanks when it is 0. */
std::string FormatTenthsField(std::string_view field);

/** The value as printf's "%*d" writes it: right-aligned in `width`, never cut. */
std::string RightAligned(long long value, int width);

/** The numbers of a combination field; count 0 when a number is out of range or the length is none of 2, 4, 6. */
struct CombinationNumbers
{
    int count = 0;
    std::array<int, 3> numbers{};
};

/** A bracket pair (2 digits: 1..8 each), horse pair (4: 1..18) or horse triple (6) read from a payout field. */
CombinationNumbers ReadCombination(std::string_view text);

/**
 * A bracket pair (2 digits), horse pair (4) or horse triple (6) as "%2d-%2d"
 * (and "-%2d"); a number out of range gives 5 (pairs) or 8 (triples) blanks.
 * Other lengths give the empty text.
 */
std::string FormatCombination(std::string_view text);

/**
 * The text with piece written over it from the 1-based position: as many bytes
 * as the piece is long are deleted there (stopping at the end), then the piece
 * is inserted (appended when the position lies beyond the end).
 */
std::string OverwriteAt(std::string_view text, std::string_view piece, int position);

} // namespace velmora
