#pragma once

#include <map>
#include <optional>

#include <QString>
#include <QStringList>

namespace velmora {
class AppFolderLock;
class CourseDay;
struct RaceCard;
struct Prediction;
struct Session;
} // namespace velmora

namespace velmora::cli {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

/**
 * A parsed command line: the command, its options with values (a flag option has an
 * empty value), and its plain arguments.
 */
struct Arguments
{
    QString command;
    std::map<QString, QString> options;
    QStringList positional;

    /** The value of an option, or nothing. */
    std::optional<QString> option(const char *name) const;
    /** Whether an option (with a value or a flag without one) was given. */
    bool has(const char *name) const;
};

/** Prints a line (UTF-8) to standard output or standard error. */
void Print(const QString &text);
void PrintError(const QString &text);
/** Prints the usage to standard error and returns the usage exit status. */
int Usage();

/** The data folder: --data, or the Data folder of the program's application folder. */
QString DataDir(const Arguments &args);
/** The application folder: the folder that holds the data folder. */
QString AppFolder(const Arguments &args);

/**
 * Takes the writers' lock of the application folder. Returns the exit status when
 * another process holds it or it cannot be made, after saying why.
 */
std::optional<int> LockAppFolder(AppFolderLock &lock);

/** The course-day named by the first plain argument (its file base name). */
CourseDay CourseDayArgument(const Arguments &args);

/**
 * Loads course-day NAME (the one plain argument) and computes it. Returns the exit
 * status when it cannot, after printing why; a day of fewer than 10 races is an
 * error only when `needRaces`.
 */
std::optional<int> LoadAndCompute(const Arguments &args, RaceCard &card, Prediction &prediction, bool needRaces);

/**
 * Loads course-day `day` into a computed session. Returns the exit status when it
 * cannot, after printing why (a day of fewer than 10 races gives the no-data message).
 */
std::optional<int> LoadComputedSession(const Arguments &args, const CourseDay &day, Session &session);

int List(const Arguments &args);
int Predict(const Arguments &args);
int Hits(const Arguments &args);
int Import(const Arguments &args);
int Results(const Arguments &args);
int SaveBets(const Arguments &args);
int ExportHitsCommand(const Arguments &args);
int PrintRace(const Arguments &args);
int PrintAllRaces(const Arguments &args);
int BacktestCommand(const Arguments &args);

} // namespace velmora::cli
