#include "core/backtest/backtestreport.h"

#include "core/codes/keibafunc.h"
#include "core/store/atomicfile.h"
#include "core/text/sjis.h"

#include <QDir>

namespace velmora {
namespace {

QString DateText(QDate date)
{
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

/** A CSV field: quoted, with its quotes doubled, when it holds a separator, a quote or a line end. */
std::string CsvField(const QString &text)
{
    std::string field = text.toStdString();
    if (field.find_first_of(",\"\r\n") == std::string::npos)
        return field;
    std::string quoted = "\"";
    for (const char c : field) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return quoted + '"';
}

} // namespace

QString FormatYen(long long yen)
{
    QString digits = QString::number(yen).remove(QLatin1Char('-'));
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, QLatin1Char(','));
    return yen < 0 ? QLatin1Char('-') + digits : digits;
}

QString FormatProfit(long long yen)
{
    return yen > 0 ? QLatin1Char('+') + FormatYen(yen) : FormatYen(yen);
}

QString FormatRate(std::optional<double> percent)
{
    return percent ? QString::number(*percent, 'f', 1) + QLatin1Char('%') : QStringLiteral("-");
}

QString RangeText(const BacktestRange &range)
{
    if (!range.bounded())
        return QStringLiteral("全期間");
    return QStringLiteral("%1 〜 %2")
        .arg(range.from.isValid() ? DateText(range.from) : QStringLiteral("最初"),
             range.to.isValid() ? DateText(range.to) : QStringLiteral("最後"));
}

QString CourseText(const std::string &code)
{
    const QString name = QString::fromStdString(SjisToUtf8(TrimBlanks(CourseName(code))));
    const QString codeText = QString::fromLatin1(code.data(), static_cast<qsizetype>(code.size()));
    return name.isEmpty() ? codeText : codeText + QLatin1Char(' ') + name;
}

QString BacktestSummaryText(const BacktestResult &result)
{
    QString text = QStringLiteral("開催 %1日").arg(FormatYen(result.courseDays));
    if (!result.skipped.empty())
        text += QStringLiteral("（除外 %1日）").arg(FormatYen(static_cast<long long>(result.skipped.size())));
    text += QStringLiteral("　確定 %1レース　未確定 %2レース")
                .arg(FormatYen(result.settledRaces), FormatYen(result.pendingRaces));
    if (!result.complete)
        text += QStringLiteral("（%1/%2日まで）").arg(result.doneCourseDays).arg(result.totalCourseDays);
    return text;
}

QStringList FigureCells(const KindFigures &figures)
{
    return {FormatYen(figures.races),      FormatYen(figures.tickets),        FormatYen(figures.hits),
            FormatYen(figures.stake),      FormatYen(figures.payback),        FormatRate(figures.returnRate()),
            FormatRate(figures.hitRate()), FormatRate(figures.raceHitRate()), FormatProfit(figures.profit())};
}

const QStringList &FigureHeaders()
{
    static const QStringList headers = {
        QStringLiteral("レース数"), QStringLiteral("点数"),         QStringLiteral("的中数"),
        QStringLiteral("購入金額"), QStringLiteral("払戻金額"),     QStringLiteral("回収率"),
        QStringLiteral("的中率"),   QStringLiteral("レース的中率"), QStringLiteral("収支")};
    return headers;
}

std::vector<ProfitPoint> CumulativeProfit(const BacktestResult &result)
{
    std::vector<ProfitPoint> points;
    for (const RaceFigures &race : result.races) {
        if (points.empty() || points.back().date != race.date) {
            ProfitPoint next = points.empty() ? ProfitPoint{} : points.back();
            next.date = race.date;
            points.push_back(next);
        }
        for (const TicketKind kind : kTicketKinds)
            points.back().profit[static_cast<size_t>(kind)] += race.figures[kind].profit();
    }
    return points;
}

std::vector<GradeRates> GradeReturnRates(const BacktestResult &result)
{
    std::vector<GradeRates> rates;
    for (const Grade grade : {Grade::A, Grade::B, Grade::C}) {
        const std::string &text = GradeText(grade);
        GradeRates row{QString::fromStdString(text), {}};
        const auto found = result.byGrade.find(text);
        if (found != result.byGrade.end()) {
            for (const TicketKind kind : kTicketKinds)
                row.returnRate[static_cast<size_t>(kind)] = found->second[kind].returnRate();
        }
        rates.push_back(row);
    }
    return rates;
}

std::string BacktestCsv(const BacktestResult &result)
{
    std::string csv = "\xEF\xBB\xBF";
    const QStringList heading = {QStringLiteral("日付"),    QStringLiteral("場コード"), QStringLiteral("競馬場"),
                                 QStringLiteral("レース"),  QStringLiteral("勝負度"),   QStringLiteral("券種"),
                                 QStringLiteral("点数"),    QStringLiteral("的中数"),   QStringLiteral("購入金額"),
                                 QStringLiteral("払戻金額")};
    auto addRow = [&csv](const QStringList &cells) {
        for (qsizetype i = 0; i < cells.size(); ++i) {
            if (i > 0)
                csv += ',';
            csv += CsvField(cells.at(i));
        }
        csv += "\r\n";
    };
    addRow(heading);
    for (const RaceFigures &race : result.races) {
        const QString code = QString::fromLatin1(race.course.data(), static_cast<qsizetype>(race.course.size()));
        const QString course = QString::fromStdString(SjisToUtf8(TrimBlanks(CourseName(race.course))));
        for (const TicketKind kind : kTicketKinds) {
            const KindFigures &figures = race.figures[kind];
            if (figures.tickets == 0)
                continue;
            addRow({DateText(race.date), code, course, QString::number(race.race),
                    QString::fromStdString(GradeText(race.grade)), TicketKindName(kind),
                    QString::number(figures.tickets), QString::number(figures.hits), QString::number(figures.stake),
                    QString::number(figures.payback)});
        }
    }
    return csv;
}

bool SaveBacktestCsv(const QString &path, const BacktestResult &result, QString &error)
{
    QString reason;
    if (WriteFileAtomically(path, BacktestCsv(result), &reason))
        return true;
    error = QStringLiteral("ファイル「%1」を保存できませんでした。\n%2").arg(QDir::toNativeSeparators(path), reason);
    return false;
}

} // namespace velmora
