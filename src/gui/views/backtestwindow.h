#pragma once

#include "core/backtest/backtest.h"
#include "core/backtest/backtestmodel.h"

#include <functional>
#include <memory>

#include <QWidget>

class QBarSeries;
class QChart;
class QGraphicsSimpleTextItem;
class QDateEdit;
class QLabel;
class QLineSeries;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTableView;

namespace velmora::gui {

class MessageBoxes;

/** Asks where a CSV file shall be written, starting at `suggestion`; empty when the user cancelled. */
using CsvFilePicker = std::function<QString(QWidget *parent, const QString &suggestion)>;

/** The save dialog of the platform, for CSV files. */
CsvFilePicker PlatformCsvFilePicker();

/**
 * The backtest window "成績分析": the hit and return figures of the computed bets
 * over the stored course-days of a date range, by kind, grade, racecourse and month,
 * with a line chart of the cumulative profit per kind and a bar chart of the return
 * rate by grade. The backtest runs on a worker thread; the window shows its figures
 * as they come, a progress bar and a cancel button, and saves the figures per race
 * as CSV where the user chooses. It reads the data folder and writes nothing there.
 */
class BacktestWindow : public QWidget
{
    Q_OBJECT

  public:
    BacktestWindow(const QString &dataDir, MessageBoxes &messages, CsvFilePicker pickCsvFile,
                   QWidget *parent = nullptr);
    ~BacktestWindow() override;

    /** Shows the window over the stored days as they are now and runs the backtest, unless one is running. */
    void showAndRun();

    /** "集計": runs the backtest over the chosen range (a running one is replaced). */
    void run();
    /** "中止": stops the running backtest; the figures so far stay. */
    void cancel();
    /** "CSV保存": asks where, then writes the figures per race of the last complete run. */
    void saveCsv();

    /** Shows the figures of `result` in the summary, the tables and the charts, as a run does as it goes. */
    void showFigures(const BacktestResult &result);

    bool isRunning() const { return m_running; }
    /** The figures shown: the last snapshot or the final result; null before the first. */
    const BacktestResult *result() const { return m_result.get(); }

  protected:
    void closeEvent(QCloseEvent *event) override;

  private:
    void readStoredDays();
    void onUpdate(int run, const BacktestJob::Update &update);
    void showProfitChart(const BacktestResult &result);
    void showGradeChart(const BacktestResult &result);
    void setRunning(bool running);
    /** Puts a "0" over each bar of the grade chart whose rate is 0 % (the chart labels no bar of 0). */
    void placeZeroLabels();

    QString m_dataDir;
    MessageBoxes &m_messages;
    CsvFilePicker m_pickCsvFile;
    BacktestRange m_stored;
    std::unique_ptr<BacktestJob> m_job;
    std::shared_ptr<const BacktestResult> m_result;
    int m_run = 0; ///< the number of the current run: updates of an earlier one are dropped
    bool m_running = false;

    QDateEdit *m_from = nullptr;        // FromDate
    QDateEdit *m_to = nullptr;          // ToDate
    QPushButton *m_runButton = nullptr; // RunBtn
    QPushButton *m_cancel = nullptr;    // CancelBtn
    QPushButton *m_csv = nullptr;       // CsvBtn
    QProgressBar *m_progress = nullptr; // ProgressBar
    QLabel *m_summary = nullptr;        // SummaryLabel
    QTabWidget *m_pages = nullptr;      // TablePages
    QListWidget *m_skipped = nullptr;   // SkippedList
    std::vector<BacktestTableModel *> m_models;
    QChart *m_profitChart = nullptr;
    std::array<QLineSeries *, kTicketKindCount> m_profitLines{};
    QChart *m_gradeChart = nullptr;
    QBarSeries *m_gradeBars = nullptr;
    std::vector<std::pair<int, int>> m_zeroBars;         ///< (grade, ticket kind) of each bar of 0 %
    std::vector<QGraphicsSimpleTextItem *> m_zeroLabels; ///< owned by the chart; hidden when unused
};

} // namespace velmora::gui
