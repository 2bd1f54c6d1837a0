#include "gui/views/backtestwindow.h"

#include "core/backtest/backtestreport.h"
#include "core/store/racecard.h"
#include "core/store/regularfile.h"
#include "gui/app/messages.h"

#include <algorithm>
#include <cmath>

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCloseEvent>
#include <QDateEdit>
#include <QDateTimeAxis>
#include <QDir>
#include <QFileDialog>
#include <QGraphicsSimpleTextItem>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineSeries>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <QValueAxis>

namespace velmora::gui {
namespace {

QPushButton *Button(const char *name, const QString &caption, const QString &hint, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(hint);
    button->setStatusTip(hint);
    return button;
}

QDateEdit *DatePicker(const char *name, QWidget *parent)
{
    auto *picker = new QDateEdit(parent);
    picker->setObjectName(QLatin1String(name));
    picker->setCalendarPopup(true);
    picker->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    return picker;
}

/**
 * Sorts a figures table from the keyboard as a click on a heading does: Space or Enter
 * sorts by the column of the current cell (the arrow keys choose it), ascending first,
 * the other way round when it is pressed again on the same column.
 */
class KeyboardSort : public QObject
{
  public:
    explicit KeyboardSort(QTableView *table)
        : QObject(table)
        , m_table(table)
    {
        table->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_table || event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool sortKey = key->key() == Qt::Key_Space || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (!sortKey || key->modifiers() != Qt::NoModifier || !m_table->currentIndex().isValid())
            return false;
        const int column = m_table->currentIndex().column();
        QHeaderView *header = m_table->horizontalHeader();
        Qt::SortOrder order = Qt::AscendingOrder;
        if (header->sortIndicatorSection() == column) {
            order = header->sortIndicatorOrder() == Qt::DescendingOrder ? Qt::AscendingOrder : Qt::DescendingOrder;
        } else if (const QVariant initial =
                       m_table->model()->headerData(column, Qt::Horizontal, Qt::InitialSortOrderRole);
                   initial.isValid()) {
            order = static_cast<Qt::SortOrder>(initial.toInt());
        }
        // The table sorts when the indicator changes, as after a click.
        header->setSortIndicator(column, order);
        m_table->scrollTo(m_table->currentIndex());
        return true;
    }

  private:
    QTableView *m_table;
};

QTableView *FiguresTable(const char *name, BacktestTableModel *model, QWidget *parent)
{
    auto *table = new QTableView(parent);
    table->setObjectName(QLatin1String(name));
    table->setModel(model);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setAlternatingRowColors(true);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    // No order until the user clicks a heading: groups first, kinds in their order.
    table->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    table->setSortingEnabled(true);
    new KeyboardSort(table);
    table->horizontalHeader()->setToolTip(
        QStringLiteral("見出しをクリックすると並べ替えます（キーボードでは列を選んでスペースキー）"));
    return table;
}

QChartView *ChartView(const char *name, QChart *chart, QWidget *parent)
{
    chart->setTheme(QChart::ChartThemeLight);
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setMargins(QMargins(4, 4, 4, 4));
    auto *view = new QChartView(chart, parent);
    view->setObjectName(QLatin1String(name));
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumHeight(240);
    return view;
}

/** A round step for an axis that spans `span`: 1, 2 or 5 times a power of ten, about five ticks. */
double NiceStep(double span)
{
    if (span <= 0)
        return 1;
    const double raw = span / 5;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (raw <= factor * power)
            return factor * power;
    }
    return 10 * power;
}

/** Sets an axis to whole steps around [low, high], zero included. */
void SetNiceRange(QValueAxis *axis, double low, double high)
{
    low = std::min(low, 0.0);
    high = std::max(high, 0.0);
    const double step = NiceStep(high - low);
    axis->setRange(std::floor(low / step) * step, std::ceil(high / step) * step + (high == low ? step : 0));
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0);
    axis->setTickInterval(step);
}

} // namespace

CsvFilePicker PlatformCsvFilePicker()
{
    return [](QWidget *parent, const QString &suggestion) {
        return QFileDialog::getSaveFileName(parent, QStringLiteral("CSV保存"), suggestion,
                                            QStringLiteral("CSV (*.csv)"));
    };
}

BacktestWindow::BacktestWindow(const QString &dataDir, MessageBoxes &messages, CsvFilePicker pickCsvFile,
                               QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_dataDir(dataDir)
    , m_messages(messages)
    , m_pickCsvFile(std::move(pickCsvFile))
{
    setObjectName(QStringLiteral("BacktestForm"));
    setWindowTitle(QStringLiteral("成績分析"));
    resize(1000, 720);

    m_from = DatePicker("FromDate", this);
    m_to = DatePicker("ToDate", this);
    m_runButton =
        Button("RunBtn", QStringLiteral("集計"), QStringLiteral("期間内の開催で買い目の成績を集計します"), this);
    m_cancel = Button("CancelBtn", QStringLiteral("中止"), QStringLiteral("集計を中止します"), this);
    m_csv = Button("CsvBtn", QStringLiteral("CSV保存"), QStringLiteral("ﾚｰｽごとの成績をCSVﾌｧｲﾙに保存します"), this);
    auto *close = Button("CloseBtn", QStringLiteral("閉じる"), QStringLiteral("成績分析を閉じます"), this);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("ProgressBar"));
    m_progress->setFormat(QStringLiteral("%v/%m日"));
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    connect(m_runButton, &QPushButton::clicked, this, &BacktestWindow::run);
    connect(m_cancel, &QPushButton::clicked, this, &BacktestWindow::cancel);
    connect(m_csv, &QPushButton::clicked, this, &BacktestWindow::saveCsv);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);

    auto *controls = new QHBoxLayout;
    controls->addWidget(new QLabel(QStringLiteral("期間"), this));
    controls->addWidget(m_from);
    controls->addWidget(new QLabel(QStringLiteral("〜"), this));
    controls->addWidget(m_to);
    controls->addWidget(m_runButton);
    controls->addWidget(m_cancel);
    controls->addWidget(m_progress, 1);
    controls->addWidget(m_csv);
    controls->addWidget(close);

    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("SummaryLabel"));

    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("TablePages"));
    const std::pair<BacktestTableModel::Grouping, std::pair<const char *, QString>> tables[] = {
        {BacktestTableModel::Grouping::Kind, {"KindTable", QStringLiteral("券種別")}},
        {BacktestTableModel::Grouping::Grade, {"GradeTable", QStringLiteral("勝負度別")}},
        {BacktestTableModel::Grouping::Course, {"CourseTable", QStringLiteral("競馬場別")}},
        {BacktestTableModel::Grouping::Month, {"MonthTable", QStringLiteral("月別")}},
    };
    for (const auto &[grouping, page] : tables) {
        auto *model = new BacktestTableModel(grouping, this);
        m_models.push_back(model);
        m_pages->addTab(FiguresTable(page.first, model, m_pages), page.second);
    }
    m_skipped = new QListWidget(m_pages);
    m_skipped->setObjectName(QStringLiteral("SkippedList"));
    m_pages->addTab(m_skipped, QStringLiteral("除外"));

    m_profitChart = new QChart;
    m_profitChart->setTitle(QStringLiteral("累積収支（万円）"));
    auto *dates = new QDateTimeAxis;
    dates->setFormat(QStringLiteral("yyyy/MM"));
    auto *yen = new QValueAxis;
    yen->setLabelFormat(QStringLiteral("%g"));
    m_profitChart->addAxis(dates, Qt::AlignBottom);
    m_profitChart->addAxis(yen, Qt::AlignLeft);
    for (const TicketKind kind : kTicketKinds) {
        auto *line = new QLineSeries;
        line->setName(TicketKindName(kind));
        m_profitChart->addSeries(line);
        line->attachAxis(dates);
        line->attachAxis(yen);
        m_profitLines[static_cast<size_t>(kind)] = line;
    }

    m_gradeChart = new QChart;
    m_gradeChart->setTitle(QStringLiteral("勝負度別回収率（%）"));
    m_gradeBars = new QBarSeries;
    m_gradeBars->setLabelsVisible(true);
    m_gradeBars->setLabelsPosition(QAbstractBarSeries::LabelsOutsideEnd);
    m_gradeBars->setLabelsFormat(QStringLiteral("@value"));
    QFont labelFont = font();
    labelFont.setPixelSize(10);
    for (const TicketKind kind : kTicketKinds) {
        auto *set = new QBarSet(TicketKindName(kind));
        set->append({0, 0, 0});
        set->setLabelColor(Qt::black);
        set->setLabelFont(labelFont);
        m_gradeBars->append(set);
    }
    m_gradeChart->addSeries(m_gradeBars);
    connect(m_gradeChart, &QChart::plotAreaChanged, this, &BacktestWindow::placeZeroLabels);
    auto *grades = new QBarCategoryAxis;
    grades->append({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    auto *rates = new QValueAxis;
    rates->setLabelFormat(QStringLiteral("%.0f"));
    m_gradeChart->addAxis(grades, Qt::AlignBottom);
    m_gradeChart->addAxis(rates, Qt::AlignLeft);
    m_gradeBars->attachAxis(grades);
    m_gradeBars->attachAxis(rates);

    auto *charts = new QWidget(this);
    auto *chartsLayout = new QHBoxLayout(charts);
    chartsLayout->setContentsMargins(0, 0, 0, 0);
    chartsLayout->addWidget(ChartView("ProfitChart", m_profitChart, charts), 3);
    chartsLayout->addWidget(ChartView("GradeChart", m_gradeChart, charts), 2);

    auto *splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(m_pages);
    splitter->addWidget(charts);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(m_summary);
    layout->addWidget(splitter, 1);

    showFigures(BacktestResult{});
    readStoredDays();
    setRunning(false);
}

BacktestWindow::~BacktestWindow()
{
    // The job's thread ends here, before the widgets its updates would reach.
    m_job.reset();
}

void BacktestWindow::readStoredDays()
{
    m_stored = StoredRange(LoadableCourseDays(m_dataDir));
    const bool any = m_stored.from.isValid();
    for (QDateEdit *picker : {m_from, m_to}) {
        picker->setEnabled(any);
        if (any)
            picker->setDateRange(m_stored.from, m_stored.to);
    }
    if (any) {
        m_from->setDate(m_stored.from);
        m_to->setDate(m_stored.to);
    }
    m_summary->setText(any ? QString()
                           : QStringLiteral("分析する開催データがありません。JVデータを取り込んでください。"));
}

void BacktestWindow::showAndRun()
{
    if (!m_running) {
        readStoredDays();
        run();
    }
    show();
    raise();
    activateWindow();
}

void BacktestWindow::run()
{
    if (!m_stored.from.isValid())
        return;
    if (m_from->date() > m_to->date()) {
        m_messages.beep();
        m_messages.information(this, QStringLiteral("開始日が終了日より後です。期間を選び直してください。"));
        return;
    }
    m_job.reset();
    const int runNumber = ++m_run;
    m_result.reset();
    showFigures(BacktestResult{});
    m_summary->setText(QStringLiteral("集計中…"));
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    setRunning(true);
    // The listener runs on the job's thread; the window takes each update on its own.
    m_job = std::make_unique<BacktestJob>(
        m_dataDir, ChosenRange(m_from->date(), m_to->date(), m_stored), [this, runNumber](const auto &update) {
            QMetaObject::invokeMethod(
                this, [this, runNumber, update] { onUpdate(runNumber, update); }, Qt::QueuedConnection);
        });
}

void BacktestWindow::cancel()
{
    if (m_job)
        m_job->cancel();
}

void BacktestWindow::onUpdate(int run, const BacktestJob::Update &update)
{
    if (run != m_run)
        return;
    m_progress->setRange(0, std::max(update.total, 1));
    m_progress->setValue(update.done);
    if (update.figures) {
        m_result = update.figures;
        showFigures(*m_result);
    }
    if (update.finished)
        setRunning(false);
}

void BacktestWindow::showFigures(const BacktestResult &result)
{
    m_summary->setText(QStringLiteral("期間: %1　%2").arg(RangeText(result.range), BacktestSummaryText(result)));
    for (BacktestTableModel *model : m_models)
        model->setResult(result);
    m_skipped->clear();
    for (const SkippedCourseDay &day : result.skipped)
        m_skipped->addItem(QStringLiteral("%1: %2").arg(VisibleText(day.name), VisibleText(day.reason)));
    m_pages->setTabText(m_pages->indexOf(m_skipped), QStringLiteral("除外 (%1)").arg(result.skipped.size()));
    showProfitChart(result);
    showGradeChart(result);
}

void BacktestWindow::showProfitChart(const BacktestResult &result)
{
    const std::vector<ProfitPoint> points = CumulativeProfit(result);
    double low = 0, high = 0;
    for (const TicketKind kind : kTicketKinds) {
        const auto k = static_cast<size_t>(kind);
        QList<QPointF> line;
        line.reserve(static_cast<qsizetype>(points.size()));
        for (const ProfitPoint &point : points) {
            // In units of 10,000 yen, as amounts of years read best.
            const double profit = static_cast<double>(point.profit[k]) / 10000;
            line.append(QPointF(static_cast<double>(point.date.startOfDay().toMSecsSinceEpoch()), profit));
            low = std::min(low, profit);
            high = std::max(high, profit);
        }
        m_profitLines[k]->replace(line);
    }
    auto *dates = qobject_cast<QDateTimeAxis *>(m_profitChart->axes(Qt::Horizontal).value(0));
    const QDate first = points.empty() ? QDate::currentDate() : points.front().date;
    const QDate last = points.empty() ? first : points.back().date;
    const DateAxisScale scale = ProfitDateAxis(first, last);
    dates->setRange(scale.from.startOfDay(), scale.to.startOfDay());
    dates->setTickCount(scale.tickCount);
    dates->setFormat(scale.format);
    SetNiceRange(qobject_cast<QValueAxis *>(m_profitChart->axes(Qt::Vertical).value(0)), low, high);
}

void BacktestWindow::showGradeChart(const BacktestResult &result)
{
    double high = 100;
    const std::vector<GradeRates> rates = GradeReturnRates(result);
    m_zeroBars.clear();
    for (const TicketKind kind : kTicketKinds) {
        QBarSet *set = m_gradeBars->barSets().at(static_cast<qsizetype>(kind));
        for (size_t g = 0; g < rates.size(); ++g) {
            // Whole percents: three bars share a grade, and the table has the tenths.
            const std::optional<double> exact = rates[g].returnRate[static_cast<size_t>(kind)];
            const double rate = std::round(exact.value_or(0));
            set->replace(static_cast<qsizetype>(g), rate);
            high = std::max(high, rate);
            if (exact && rate == 0)
                m_zeroBars.push_back({static_cast<int>(g), static_cast<int>(kind)});
        }
    }
    SetNiceRange(qobject_cast<QValueAxis *>(m_gradeChart->axes(Qt::Vertical).value(0)), 0, high * 1.1);
    placeZeroLabels();
}

void BacktestWindow::placeZeroLabels()
{
    // The chart draws no label on a bar of 0, yet a grade whose tickets returned nothing
    // is a figure to read, not a missing one: its "0" stands where the label would.
    while (m_zeroLabels.size() < m_zeroBars.size()) {
        auto *label = new QGraphicsSimpleTextItem(QStringLiteral("0"), m_gradeChart);
        label->setFont(m_gradeBars->barSets().front()->labelFont());
        label->setBrush(m_gradeBars->barSets().front()->labelColor());
        label->setZValue(m_gradeBars->barSets().size() + 10.0);
        m_zeroLabels.push_back(label);
    }
    const qreal width = m_gradeBars->barWidth();
    const qreal sets = m_gradeBars->count();
    for (size_t i = 0; i < m_zeroLabels.size(); ++i) {
        QGraphicsSimpleTextItem *label = m_zeroLabels[i];
        label->setVisible(i < m_zeroBars.size());
        if (i >= m_zeroBars.size())
            continue;
        const auto [grade, set] = m_zeroBars[i];
        // Bars of one grade stand side by side across `width` of the category.
        const qreal centre = grade - width / 2 + (set + 0.5) / sets * width;
        const QPointF base = m_gradeChart->mapToPosition(QPointF(centre, 0), m_gradeBars);
        const QRectF box = label->boundingRect();
        label->setPos(base.x() - box.width() / 2, base.y() - box.height() - 2);
    }
}

void BacktestWindow::setRunning(bool running)
{
    m_running = running;
    const bool any = m_stored.from.isValid();
    m_runButton->setEnabled(!running && any);
    m_from->setEnabled(!running && any);
    m_to->setEnabled(!running && any);
    m_cancel->setEnabled(running);
    m_csv->setEnabled(!running && m_result && m_result->complete);
}

void BacktestWindow::saveCsv()
{
    if (!m_result || !m_result->complete || m_running)
        return;
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString suggestion = QDir(folder).filePath(QStringLiteral("成績分析_%1-%2.csv")
                                                         .arg(m_from->date().toString(QStringLiteral("yyyyMMdd")),
                                                              m_to->date().toString(QStringLiteral("yyyyMMdd"))));
    const QString path = m_pickCsvFile(this, suggestion);
    if (path.isEmpty())
        return;
    QString error;
    if (!SaveBacktestCsv(path, *m_result, error)) {
        m_messages.beep();
        m_messages.information(this, error);
        return;
    }
    m_messages.information(this, QStringLiteral("「%1」に保存しました。").arg(QDir::toNativeSeparators(path)));
}

void BacktestWindow::closeEvent(QCloseEvent *event)
{
    cancel();
    QWidget::closeEvent(event);
}

} // namespace velmora::gui
