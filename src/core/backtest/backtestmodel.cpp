#include "core/backtest/backtestmodel.h"

#include "core/backtest/backtestreport.h"

#include <algorithm>

namespace velmora {
namespace {

QString GroupHeader(BacktestTableModel::Grouping grouping)
{
    switch (grouping) {
    case BacktestTableModel::Grouping::Grade:
        return QStringLiteral("勝負度");
    case BacktestTableModel::Grouping::Course:
        return QStringLiteral("競馬場");
    case BacktestTableModel::Grouping::Month:
        return QStringLiteral("月");
    case BacktestTableModel::Grouping::Kind:
        break;
    }
    return {};
}

/** The group as shown: a grade as it is, a racecourse with its name, "2026-11" as "2026年11月". */
QString GroupText(BacktestTableModel::Grouping grouping, const std::string &key)
{
    if (grouping == BacktestTableModel::Grouping::Course)
        return CourseText(key);
    const QString text = QString::fromStdString(key);
    if (grouping == BacktestTableModel::Grouping::Month && text.size() == 7)
        return QStringLiteral("%1年%2月").arg(text.left(4), text.mid(5, 2));
    return text;
}

const std::map<std::string, GroupFigures> &GroupsOf(const BacktestResult &result, BacktestTableModel::Grouping grouping)
{
    switch (grouping) {
    case BacktestTableModel::Grouping::Grade:
        return result.byGrade;
    case BacktestTableModel::Grouping::Course:
        return result.byCourse;
    case BacktestTableModel::Grouping::Month:
    case BacktestTableModel::Grouping::Kind:
        break;
    }
    return result.byMonth;
}

} // namespace

BacktestTableModel::BacktestTableModel(Grouping grouping, QObject *parent)
    : QAbstractTableModel(parent)
    , m_grouping(grouping)
{}

void BacktestTableModel::setResult(const BacktestResult &result)
{
    beginResetModel();
    m_rows.clear();
    auto addRows = [this](const QString &group, const QString &key, const GroupFigures &figures) {
        for (const TicketKind kind : kTicketKinds) {
            if (figures[kind].tickets > 0)
                m_rows.push_back({group, key, kind, figures[kind]});
        }
    };
    if (m_grouping == Grouping::Kind) {
        addRows({}, {}, result.total);
    } else {
        for (const auto &[key, figures] : GroupsOf(result, m_grouping))
            addRows(GroupText(m_grouping, key), QString::fromStdString(key), figures);
    }
    applySort();
    endResetModel();
}

int BacktestTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int BacktestTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : leadingColumns() + static_cast<int>(FigureHeaders().size());
}

QVariant BacktestTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    const Row &row = m_rows[static_cast<size_t>(index.row())];
    const int figure = index.column() - leadingColumns();
    switch (role) {
    case Qt::DisplayRole:
        if (figure >= 0)
            return FigureCells(row.figures).at(figure);
        return index.column() == leadingColumns() - 1 ? TicketKindName(row.kind) : row.group;
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(
            static_cast<int>(figure >= 0 ? Qt::AlignRight | Qt::AlignVCenter : Qt::AlignLeft | Qt::AlignVCenter));
    case Qt::UserRole:
        return sortKey(row, index.column());
    default:
        return {};
    }
}

QVariant BacktestTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    const int figure = section - leadingColumns();
    if (figure >= 0)
        return FigureHeaders().at(figure);
    return section == leadingColumns() - 1 ? QStringLiteral("券種") : GroupHeader(m_grouping);
}

QVariant BacktestTableModel::sortKey(const Row &row, int column) const
{
    // A rate that does not exist sorts below every rate.
    auto rate = [](std::optional<double> value) { return value.value_or(-1.0); };
    const KindFigures &f = row.figures;
    switch (column - leadingColumns()) {
    case -2:
        return row.groupKey;
    case -1:
        return static_cast<int>(row.kind);
    case 0:
        return f.races;
    case 1:
        return f.tickets;
    case 2:
        return f.hits;
    case 3:
        return f.stake;
    case 4:
        return f.payback;
    case 5:
        return rate(f.returnRate());
    case 6:
        return rate(f.hitRate());
    case 7:
        return rate(f.raceHitRate());
    case 8:
        return f.profit();
    default:
        return {};
    }
}

void BacktestTableModel::sort(int column, Qt::SortOrder order)
{
    m_sortColumn = column;
    m_sortOrder = order;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const std::vector<size_t> from = applySort();
    // Selections and other persistent indexes follow their rows.
    std::vector<int> to(from.size());
    for (size_t i = 0; i < from.size(); ++i)
        to[from[i]] = static_cast<int>(i);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    for (const QModelIndex &index : before)
        after.append(this->index(to[static_cast<size_t>(index.row())], index.column()));
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

std::vector<size_t> BacktestTableModel::applySort()
{
    std::vector<size_t> order(m_rows.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    if (m_sortColumn < 0 || m_sortColumn >= columnCount())
        return order;
    // Rows of equal keys stand in the order of their groups and kinds.
    auto compare = [this](const Row &a, const Row &b) {
        const QVariant x = sortKey(a, m_sortColumn), y = sortKey(b, m_sortColumn);
        if (x.typeId() == QMetaType::QString)
            return x.toString().compare(y.toString());
        return x.toDouble() < y.toDouble() ? -1 : y.toDouble() < x.toDouble() ? 1 : 0;
    };
    std::sort(order.begin(), order.end(), [&](size_t i, size_t j) {
        const Row &a = m_rows[i], &b = m_rows[j];
        const int byKey = compare(a, b);
        if (byKey != 0)
            return m_sortOrder == Qt::AscendingOrder ? byKey < 0 : byKey > 0;
        return std::tie(a.groupKey, a.kind) < std::tie(b.groupKey, b.kind);
    });
    std::vector<Row> sorted;
    sorted.reserve(m_rows.size());
    for (const size_t i : order)
        sorted.push_back(m_rows[i]);
    m_rows = std::move(sorted);
    return order;
}

DateAxisScale ProfitDateAxis(const QDate &first, const QDate &last)
{
    // Under 62 days two ticks a month apart could both fall in one month.
    constexpr qint64 kDaysForMonths = 62;
    constexpr qint64 kMostIntervals = 6;
    const qint64 span = std::max<qint64>(first.daysTo(last), 0);
    DateAxisScale scale;
    scale.from = first;
    if (span >= kDaysForMonths) {
        scale.to = last;
        scale.tickCount = static_cast<int>(std::min(span / 31, kMostIntervals)) + 1;
        scale.format = QStringLiteral("yyyy/MM");
        return scale;
    }
    const qint64 step = std::max<qint64>(1, (span + kMostIntervals - 1) / kMostIntervals);
    const qint64 intervals = std::max<qint64>(1, (span + step - 1) / step);
    scale.to = first.addDays(intervals * step);
    scale.tickCount = static_cast<int>(intervals) + 1;
    scale.format = first.year() == scale.to.year() ? QStringLiteral("MM/dd") : QStringLiteral("yyyy/MM/dd");
    return scale;
}

} // namespace velmora
