#pragma once

#include <string>
#include <string_view>

#include <QString>

namespace velmora {

/**
 * Conversions between CP932 (Windows Shift-JIS) byte strings and Unicode.
 *
 * Inside the core every record and display text is a CP932 byte string held in
 * a std::string; positions and widths are byte counts. These functions are the
 * only place where bytes become text and back. Decoding uses a stateless
 * decoder, so every call stands alone (a field cut in the middle of a
 * double-byte character is reported, not carried into the next call).
 */

/** True when Qt's CP932 codec is present and maps the CP932-specific characters. */
bool Cp932Available();

/**
 * Decodes CP932 bytes. Invalid or cut sequences become U+FFFD; *ok, when given,
 * tells whether the bytes were valid CP932.
 */
QString FromSjis(std::string_view bytes, bool *ok = nullptr);

/** True when the bytes are valid CP932 throughout (FromSjis decodes them without a replacement). */
bool IsValidSjis(std::string_view bytes);

/**
 * Encodes text as CP932. Characters without a CP932 form become "?" (as the
 * Windows ANSI conversion does); *ok, when given, tells whether all converted.
 */
std::string ToSjis(const QString &text, bool *ok = nullptr);

/** CP932 bytes to UTF-8 (for terminals, JSON and file names on disk). */
std::string SjisToUtf8(std::string_view bytes);

/** UTF-8 to CP932. */
std::string Utf8ToSjis(std::string_view utf8);

/**
 * The CP932 bytes of a UTF-8 literal of the source code, converted once and
 * kept for the life of the program. Use for the system's own fixed texts.
 */
const std::string &Sj(const char *utf8Literal);

/** Byte strings trimmed of half-width blanks (byte 32) at both ends / at the end. */
std::string_view TrimBlanks(std::string_view text);
std::string_view TrimTrailingBlanks(std::string_view text);

/**
 * Byte order with ASCII letters compared without case ("a" sorts as "A"); every
 * other byte, CP932 lead and trail bytes included, by its unsigned value. The
 * order of the sorted store and export files; two texts are the same line under
 * it when neither is less than the other.
 */
bool LessIgnoringAsciiCase(std::string_view a, std::string_view b);

/** printf-style formatting into a byte string (for the "%2d"-style texts of the system). */
std::string Format(const char *format, ...) __attribute__((format(printf, 1, 2)));

} // namespace velmora
