#pragma once

#include <string>
#include <string_view>

#include <QString>

namespace velmora {

/**
 * The Japanese wording of a JV-Link result code, as shown after a caller's own
 * prefix such as "JVOpenエラー:".
 *
 * operation is the JV-Link operation's name ("JVOpen", "JVRead", ...), compared
 * case-sensitively. The result is a CP932 byte string: the message for the
 * operation and code, then the code in decimal (with its sign) in half-width
 * brackets, e.g. "正常に実行されました。(0)". JVStatus, JVRead, JVGets and
 * JVMVRead word a positive code as a count or a size. An operation or code
 * without a message gives the bracketed code alone; nothing fails.
 */
std::string JVResultMessage(std::string_view operation, int code);

/** A message followed, on a line of its own, by what is known of its cause (when anything is). */
QString WithDetail(const QString &message, const QString &detail);

/**
 * The message of a failed JV-Link call as the program shows it: the operation,
 * "エラー:", its JVResultMessage, then `detail` on a line of its own when given.
 */
QString JVErrorText(const char *operation, int code, const QString &detail = {});

} // namespace velmora
