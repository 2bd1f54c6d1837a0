#include "gui/views/confidencegraphwindow.h"
#include "render/fonts.h"

#include <gtest/gtest.h>
#include <memory>

#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QScatterSeries>
#include <QValueAxis>

namespace velmora::gui {
namespace {

/** Four races graded A, C, B and an empty grade. */
class ConfidenceGraphWindowTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        m_prediction.races[1].grade = Grade::A;
        m_prediction.races[2].grade = Grade::C;
        m_prediction.races[3].grade = Grade::B;
        m_prediction.races[4].grade = Grade::None;
        m_prediction.races[5].grade = Grade::A; // beyond the day's races
        m_form = std::make_unique<ConfidenceGraphWindow>(m_prediction, 4);
        auto *view = m_form->findChild<QChartView *>(QStringLiteral("Chart1"));
        ASSERT_NE(view, nullptr);
        m_chart = view->chart();
    }

    template <typename T> T *series() const
    {
        for (QAbstractSeries *series : m_chart->series()) {
            if (auto *found = qobject_cast<T *>(series))
                return found;
        }
        return nullptr;
    }

    Prediction m_prediction;
    std::unique_ptr<ConfidenceGraphWindow> m_form;
    QChart *m_chart = nullptr;
};

TEST_F(ConfidenceGraphWindowTest, BarsStandAtTheirRacesWithTheHeightOfTheirGrade)
{
    EXPECT_EQ(m_form->windowTitle(), QStringLiteral("グラフ"));
    EXPECT_EQ(m_chart->title(), QStringLiteral("勝負度ｸﾞﾗﾌ"));
    EXPECT_FALSE(m_chart->legend()->isVisible());

    auto *bars = series<QBarSeries>();
    ASSERT_NE(bars, nullptr);
    ASSERT_EQ(bars->count(), 1);
    QBarSet *set = bars->barSets().front();
    ASSERT_EQ(set->count(), 5);
    // Value i stands at x = i: the "B" point at 0, then races 1 to 4.
    EXPECT_EQ(set->at(0), 2);
    EXPECT_EQ(set->at(1), 3);
    EXPECT_EQ(set->at(2), 1);
    EXPECT_EQ(set->at(3), 2);
    EXPECT_EQ(set->at(4), 1);
    EXPECT_EQ(set->color(), QColor(Qt::red));

    // Each grade's text sits on top of its bars; the empty grade has none, and the
    // point at 0 lies off the axis.
    QStringList marks;
    for (QAbstractSeries *s : m_chart->series()) {
        if (auto *scatter = qobject_cast<QScatterSeries *>(s)) {
            EXPECT_TRUE(scatter->pointLabelsVisible());
            for (const QPointF &point : scatter->points())
                marks.append(
                    QStringLiteral("%1@%2,%3").arg(scatter->pointLabelsFormat()).arg(point.x()).arg(point.y()));
        }
    }
    marks.sort();
    EXPECT_EQ(marks, (QStringList{QStringLiteral("A@1,3"), QStringLiteral("B@3,2"), QStringLiteral("C@2,1")}));
}

TEST_F(ConfidenceGraphWindowTest, AxesHaveTheirTitlesRangesAndGradeLabels)
{
    const auto horizontal = m_chart->axes(Qt::Horizontal);
    const auto vertical = m_chart->axes(Qt::Vertical);
    ASSERT_EQ(horizontal.size(), 1);
    ASSERT_EQ(vertical.size(), 1);

    auto *races = qobject_cast<QValueAxis *>(horizontal.front());
    ASSERT_NE(races, nullptr);
    EXPECT_EQ(races->titleText(), QStringLiteral("レース"));
    EXPECT_LT(races->min(), 1);
    EXPECT_GT(races->min(), 0); // the first point, at 0, is not drawn
    EXPECT_GE(races->max(), 4);
    EXPECT_LT(races->max(), 5);
    EXPECT_EQ(races->tickInterval(), 1);
    EXPECT_EQ(races->tickAnchor(), 1);

    auto *grades = qobject_cast<QCategoryAxis *>(vertical.front());
    ASSERT_NE(grades, nullptr);
    EXPECT_EQ(grades->titleText(), QStringLiteral("勝負度"));
    EXPECT_EQ(grades->min(), 0);
    EXPECT_EQ(grades->max(), 3.5);
    EXPECT_EQ(grades->categoriesLabels(), (QStringList{QStringLiteral("C"), QStringLiteral("B"), QStringLiteral("A")}));
    EXPECT_EQ(grades->endValue(QStringLiteral("C")), 1);
    EXPECT_EQ(grades->endValue(QStringLiteral("B")), 2);
    EXPECT_EQ(grades->endValue(QStringLiteral("A")), 3);
    EXPECT_EQ(grades->titleFont().family(), render::kGothic);
    EXPECT_EQ(grades->labelsFont().family(), render::kPMincho);
}

TEST(ConfidenceGraphLabels, TheFirstPointsBIsAnAxisLabelEvenWithoutARaceGradedB)
{
    Prediction prediction;
    prediction.races[1].grade = Grade::C;
    prediction.races[2].grade = Grade::C;
    ConfidenceGraphWindow form(prediction, 2);
    QChart *chart = form.findChild<QChartView *>(QStringLiteral("Chart1"))->chart();
    auto *grades = qobject_cast<QCategoryAxis *>(chart->axes(Qt::Vertical).front());
    ASSERT_NE(grades, nullptr);
    EXPECT_EQ(grades->categoriesLabels(), (QStringList{QStringLiteral("C"), QStringLiteral("B")}));
}

} // namespace
} // namespace velmora::gui
