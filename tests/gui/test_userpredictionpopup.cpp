#include "core/text/sjis.h"
#include "gui/views/userpredictionpopup.h"
#include "render/fonts.h"
#include "widgettesting.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QTest>

namespace velmora::gui {
namespace {

UserPrediction SamplePrediction()
{
    UserPrediction prediction;
    prediction.title = Sj("3R[軸]:馬7:枠4");
    prediction.quinella = {BetText({3, 7}), BetText({1, 7}), BetText({7, 12})};
    prediction.bracket = {BetText({2, 4}), BetText({4, 6})};
    return prediction;
}

TEST(UserPredictionPopupTest, ShowsTheTitleAndTheListsForDisplayOnly)
{
    UserPredictionPopup form;
    form.showPrediction(SamplePrediction());
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.windowTitle(), QStringLiteral("ユーザー予想"));
    // As designed, or wider where the desktop's title font needs more for the caption.
    EXPECT_EQ(form.height(), 136);
    EXPECT_GE(form.width(), 144);
    auto *title = form.findChild<QLabel *>(QStringLiteral("HSPanel1"));
    EXPECT_EQ(title->text(), QStringLiteral("3R[軸]:馬7:枠4"));
    // The longest title a race can have fits its panel.
    EXPECT_LE(title->fontMetrics().horizontalAdvance(QStringLiteral("12R[軸]:馬18:枠8")),
              title->contentsRect().width());
    auto *quinella = form.findChild<QListWidget *>(QStringLiteral("ListBox1"));
    auto *bracket = form.findChild<QListWidget *>(QStringLiteral("ListBox2"));
    EXPECT_EQ(test::ListItems(quinella),
              (QStringList{QStringLiteral(" 3 -  7"), QStringLiteral(" 1 -  7"), QStringLiteral(" 7 - 12")}));
    EXPECT_EQ(test::ListItems(bracket), (QStringList{QStringLiteral(" 2 -  4"), QStringLiteral(" 4 -  6")}));
    EXPECT_EQ(quinella->font().families(), (QStringList{render::kDigitFace, render::kGothic}));
    EXPECT_TRUE(quinella->font().bold());
    EXPECT_FALSE(quinella->isEnabled());

    // The next click replaces the lists rather than adding to them.
    UserPrediction next;
    next.title = Sj("5R[軸]:馬0:枠0");
    form.showPrediction(next);
    EXPECT_EQ(quinella->count(), 0);
    EXPECT_EQ(bracket->count(), 0);
    form.hide();
}

TEST(UserPredictionPopupTest, HidesWhenAnotherWindowIsActivated)
{
    UserPredictionPopup form;
    form.showPrediction(SamplePrediction());
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));

    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_TRUE(form.isHidden());

    // It comes back with the next prediction.
    form.showPrediction(SamplePrediction());
    EXPECT_TRUE(form.isVisible());
    form.hide();
}

} // namespace
} // namespace velmora::gui
