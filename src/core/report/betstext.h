#pragma once

#include "core/report/session.h"

#include <string>
#include <vector>

#include <QString>

namespace velmora {

/** The all-races bets as a text file: its lines (CP932), its title and its file name. */
struct BetsText
{
    std::vector<std::string> lines;
    std::string title;    ///< CP932: the course-day and its meeting (MeetingDayTitle of race 1)
    std::string fileName; ///< CP932: the title + "_U.TXT"
};

/**
 * The text save of the all-races window, whose title (the date line) is `heading`:
 * the first line. The file is named after race 1's record.
 */
BetsText MakeBetsText(const Session &session, const std::string &heading);

/**
 * Writes the text into the folder "TXT" of the application folder (made when
 * missing), CP932 with CR LF, replacing a file of the same name atomically.
 * Returns the confirmation message, or an error message in `error`.
 */
QString SaveBetsText(const BetsText &text, const QString &appFolder, QString *error);

} // namespace velmora
