#include "gui/views/confidencegraphwindow.h"

#include "core/report/confidencegraph.h"
#include "gui/app/guicontext.h"
#include "gui/app/windowplace.h"
#include "render/fonts.h"

#include <algorithm>
#include <array>
#include <vector>

#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QHBoxLayout>
#include <QLinearGradient>
#include <QPushButton>
#include <QScatterSeries>
#include <QVBoxLayout>
#include <QValueAxis>

namespace velmora::gui {
namespace {

constexpr int kHighestBar = 3;

void StyleAxis(QAbstractAxis *axis, const QString &title)
{
    axis->setTitleText(title);
    axis->setTitleFont(render::PixelFont(render::kGothic, 12));
    axis->setTitleBrush(Qt::black);
    axis->setLabelsFont(render::PixelFont(render::kPMincho, 12));
    axis->setLabelsBrush(Qt::black);
}

/**
 * The vertical axis is labelled with the texts of the points at their heights: each
 * height takes the first nonempty label of a point standing that high.
 */
QCategoryAxis *GradeAxis(const std::vector<GraphPoint> &points)
{
    std::array<QString, kHighestBar + 1> labels;
    for (const GraphPoint &point : points) {
        if (point.value >= 1 && point.value <= kHighestBar && labels[static_cast<size_t>(point.value)].isEmpty())
            labels[static_cast<size_t>(point.value)] = Qs(point.label);
    }
    auto *axis = new QCategoryAxis;
    axis->setRange(0, 3.5);
    axis->setStartValue(0);
    axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    for (int height = 1; height <= kHighestBar; ++height) {
        if (!labels[static_cast<size_t>(height)].isEmpty())
            axis->append(labels[static_cast<size_t>(height)], height);
    }
    return axis;
}

/**
 * The bar series draws no per-bar text, so each grade's texts ride on an invisible
 * scatter series whose points sit on the tops of that grade's bars.
 */
std::vector<QScatterSeries *> GradeMarks(const std::vector<GraphPoint> &points)
{
    std::vector<QScatterSeries *> marks;
    for (const GraphPoint &point : points) {
        if (point.position < 1 || point.label.empty())
            continue;
        const QString text = Qs(point.label);
        auto found = std::find_if(marks.begin(), marks.end(), [&](QScatterSeries *s) { return s->name() == text; });
        QScatterSeries *series = found != marks.end() ? *found : nullptr;
        if (!series) {
            series = new QScatterSeries;
            series->setName(text);
            series->setMarkerSize(1);
            series->setColor(Qt::transparent);
            series->setBorderColor(Qt::transparent);
            series->setPointLabelsFormat(text);
            series->setPointLabelsVisible(true);
            series->setPointLabelsClipping(false);
            series->setPointLabelsFont(render::PixelFont(render::kPMincho, 12));
            series->setPointLabelsColor(Qt::black);
            marks.push_back(series);
        }
        series->append(point.position, point.value);
    }
    return marks;
}

} // namespace

ConfidenceGraphWindow::ConfidenceGraphWindow(const Prediction &prediction, int raceCount, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("グラフ"));
    resize(583, 347);

    const std::vector<GraphPoint> points = ConfidenceGraphPoints(prediction, raceCount);

    auto *chart = new QChart;
    chart->setTheme(QChart::ChartThemeLight);
    chart->setTitle(QStringLiteral("勝負度ｸﾞﾗﾌ"));
    chart->legend()->hide();
    QLinearGradient background(0, 0, 0, 1);
    background.setCoordinateMode(QGradient::ObjectBoundingMode);
    background.setColorAt(0, Qt::white);
    background.setColorAt(1, QColor(192, 192, 192));
    chart->setBackgroundBrush(background);
    chart->setPlotAreaBackgroundBrush(Qt::white);
    chart->setPlotAreaBackgroundVisible(true);

    // A bar series places value i at x = i, so the points' positions are their indexes;
    // the first point stands at 0, left of the horizontal axis, and is not drawn.
    int lastPosition = 0;
    for (const GraphPoint &point : points)
        lastPosition = std::max(lastPosition, point.position);
    QList<qreal> heights(lastPosition + 1, 0);
    for (const GraphPoint &point : points)
        heights[point.position] = point.value;
    auto *bars = new QBarSet(QStringLiteral("勝負度"));
    bars->append(heights);
    bars->setColor(Qt::red);
    bars->setBorderColor(Qt::black);
    auto *barSeries = new QBarSeries;
    barSeries->append(bars);
    chart->addSeries(barSeries);
    const std::vector<QScatterSeries *> marks = GradeMarks(points);
    for (QScatterSeries *series : marks)
        chart->addSeries(series);

    auto *raceAxis = new QValueAxis;
    StyleAxis(raceAxis, QStringLiteral("レース"));
    raceAxis->setRange(0.5, std::max(raceCount, 1) + 0.5);
    raceAxis->setTickType(QValueAxis::TicksDynamic);
    raceAxis->setTickAnchor(1);
    raceAxis->setTickInterval(1);
    raceAxis->setMinorTickCount(0);
    raceAxis->setLabelFormat(QStringLiteral("%d"));
    QCategoryAxis *gradeAxis = GradeAxis(points);
    StyleAxis(gradeAxis, QStringLiteral("勝負度"));
    chart->addAxis(raceAxis, Qt::AlignBottom);
    chart->addAxis(gradeAxis, Qt::AlignLeft);
    for (QAbstractSeries *series : chart->series()) {
        series->attachAxis(raceAxis);
        series->attachAxis(gradeAxis);
    }

    auto *view = new QChartView(chart);
    view->setObjectName(QStringLiteral("Chart1"));
    view->setRenderHint(QPainter::Antialiasing);

    auto *panel = new QWidget;
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFixedWidth(110);
    auto *close = new QPushButton(QStringLiteral("閉じる"), panel);
    close->setObjectName(QStringLiteral("CloseBtn"));
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    auto *panelLayout = new QVBoxLayout(panel);
    panelLayout->addStretch();
    panelLayout->addWidget(close);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(view, 1);
    layout->addWidget(panel);

    CentreOnScreen(this, parent);
}

} // namespace velmora::gui
