#pragma once

#include "core/backtest/backtest.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

#include <QDate>
#include <QString>
#include <QStringList>

namespace velmora {

/** An amount of yen with thousands separators: "12,340", "-1,230". */
QString FormatYen(long long yen);
/** A profit with its sign: "+1,230", "-1,230", "0". */
QString FormatProfit(long long yen);
/** A rate in percent with one decimal: "85.3%"; "-" for none. */
QString FormatRate(std::optional<double> percent);

/** "2016-01-02 〜 2026-11-29", with "最初" and "最後" for open ends; "全期間" when both are open. */
QString RangeText(const BacktestRange &range);

/** The racecourse of a code as a person reads it: "05 東京" (the code alone when unknown). */
QString CourseText(const std::string &code);

/**
 * The heading of a result: the course-days computed and skipped, the settled and
 * pending races, and "（中止）" when the run was cut short.
 */
QString BacktestSummaryText(const BacktestResult &result);

/** The figure columns of a table row, in the order of FigureHeaders(). */
QStringList FigureCells(const KindFigures &figures);
/** "レース数", "点数", "的中数", "購入金額", "払戻金額", "回収率", "的中率", "レース的中率", "収支". */
const QStringList &FigureHeaders();

/** The cumulative profit of each ticket kind after the races of a date. */
struct ProfitPoint
{
    QDate date;
    std::array<long long, kTicketKindCount> profit{};
};

/** One point per date with settled races, oldest first: the line chart of the cumulative profit. */
std::vector<ProfitPoint> CumulativeProfit(const BacktestResult &result);

/** The return rate of each ticket kind within one confidence grade (nothing for a kind without tickets). */
struct GradeRates
{
    QString grade;
    std::array<std::optional<double>, kTicketKindCount> returnRate{};
};

/** Grades "A", "B" and "C", in that order, always all three: the bar chart of the return rate by grade. */
std::vector<GradeRates> GradeReturnRates(const BacktestResult &result);

/**
 * The rows of the tool's --csv file and the window's "CSV保存": a heading, then one
 * row per settled race and ticket kind that has tickets (date, racecourse code and
 * name, race number, grade, kind, tickets, hits, stake, return), CR LF after each.
 * UTF-8 with a byte-order mark, so that spreadsheet programs on Japanese desktops
 * read it as UTF-8.
 */
std::string BacktestCsv(const BacktestResult &result);

/** Writes BacktestCsv to `path` atomically; false with the message to show in `error`. */
bool SaveBacktestCsv(const QString &path, const BacktestResult &result, QString &error);

} // namespace velmora
