#pragma once

#include "core/backtest/backtest.h"

#include <vector>

#include <QAbstractTableModel>
#include <QDate>
#include <QString>

namespace velmora {

/**
 * A table of backtest figures for a view: one row per group and ticket kind with
 * tickets. Grouped by kind alone (the columns start with the kind), or by grade,
 * racecourse or month (a first column names the group). Cells are display texts
 * (FigureCells); Qt::UserRole gives the number or key that sort() orders by.
 */
class BacktestTableModel : public QAbstractTableModel
{
  public:
    enum class Grouping
    {
        Kind,
        Grade,
        Course,
        Month
    };

    explicit BacktestTableModel(Grouping grouping, QObject *parent = nullptr);

    /** Shows the figures of `result`, keeping the order the view last asked for. */
    void setResult(const BacktestResult &result);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

  private:
    struct Row
    {
        QString group;    ///< the group as shown ("A", "05 東京", "2026年11月"); empty for Grouping::Kind
        QString groupKey; ///< the group as it sorts ("A", "05", "2026-11")
        TicketKind kind = TicketKind::Quinella;
        KindFigures figures;
    };

    /** The columns before the figures: the group (unless grouped by kind) and the kind. */
    int leadingColumns() const { return m_grouping == Grouping::Kind ? 1 : 2; }
    QVariant sortKey(const Row &row, int column) const;
    /** Puts the rows in the order asked for; returns the old row of each new one. */
    std::vector<size_t> applySort();

    Grouping m_grouping;
    std::vector<Row> m_rows;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};

/** How the date axis of the cumulative-profit chart runs, and how its ticks read. */
struct DateAxisScale
{
    QDate from;        ///< the first day on the axis
    QDate to;          ///< the last day, at least a day after `from`
    int tickCount = 2; ///< ticks from `from` to `to`, evenly apart
    QString format;    ///< QDateTime format of a tick's label
};

/**
 * The date axis for points from `first` to `last`: over two months and more the ticks
 * fall at least 31 days apart and read "2026/12", so that no month reads twice; over a
 * shorter range they fall on whole days, at most seven, and read "12/05" (with the year
 * when the range crosses into a new one).
 */
DateAxisScale ProfitDateAxis(const QDate &first, const QDate &last);

} // namespace velmora
