// The presenter needs no window: these tests make none.
#include "core/print/sheets.h"
#include "gen/jvdatagen.h"
#include "gui/app/racepresenter.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace velmora::gui {
namespace {

class RacePresenterTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        gen::Generator generator(5);
        gen::CourseDayOptions options;
        options.date = QDate(2026, 11, 28);
        m_day = generator.courseDay(options);
        ASSERT_TRUE(gen::WriteCourseDayFiles(m_day, m_data));
        m_name = QString::fromStdString(m_day.nameUtf8());
        ASSERT_TRUE(m_presenter.load(CourseDay(m_name)).computable());
    }

    /** What the sheet of race r prints when its tab is chosen. */
    std::optional<Page> tabSheet(int race) const
    {
        const Session &session = m_presenter.session();
        return RaceSheet(RaceSheetSourceOf(session, RaceView(session, race), race));
    }

    QTemporaryDir m_root;
    QString m_data = m_root.path() + QStringLiteral("/Data");
    gen::CourseDay m_day;
    QString m_name;
    RacePresenter m_presenter{m_data};
};

TEST_F(RacePresenterTest, RaceOneIsShownByTheLoadersRulesAndPrintedAsItsTabWhicheverWayItWasReached)
{
    ASSERT_EQ(m_presenter.shownRace(), 1);
    EXPECT_EQ(m_presenter.tabCaptions().size(), 12u);
    EXPECT_EQ(m_presenter.shownView().heading, LoadedRaceView(m_presenter.session()).heading);
    EXPECT_NE(m_presenter.shownView().heading, RaceView(m_presenter.session(), 1).heading);
    const std::optional<Page> afterLoad = m_presenter.raceSheet();
    ASSERT_TRUE(afterLoad.has_value());
    EXPECT_EQ(afterLoad->ops, tabSheet(1)->ops);

    ASSERT_TRUE(m_presenter.showRace(3));
    EXPECT_EQ(m_presenter.raceSheet()->ops, tabSheet(3)->ops);
    ASSERT_TRUE(m_presenter.showRace(1));
    EXPECT_EQ(m_presenter.raceSheet()->ops, afterLoad->ops);
    EXPECT_EQ(m_presenter.shownView().heading, RaceView(m_presenter.session(), 1).heading);

    EXPECT_FALSE(m_presenter.showRace(13));
    EXPECT_EQ(m_presenter.shownRace(), 1);

    // The user's bets are printed with the race they were made on.
    const std::optional<UserPrediction> picked = m_presenter.pickRunner(2);
    ASSERT_TRUE(picked.has_value());
    EXPECT_EQ(m_presenter.shownView().userQuinella, picked->quinella);
    EXPECT_EQ(m_presenter.raceSheet()->ops, tabSheet(1)->ops);
}

TEST_F(RacePresenterTest, RestoreGivesBackTheRaceAndTheUsersPredictionsOverChangedFiles)
{
    m_presenter.showRace(4);
    m_presenter.pickRunner(5);
    m_presenter.showRace(9);
    m_presenter.pickRunner(-1); // below the runners: an empty prediction that stays the user's
    const ShownPlace place = m_presenter.place();
    EXPECT_EQ(place.userAxes[9], 0);
    EXPECT_FALSE(place.userAxes[1].has_value());
    const std::vector<std::string> race4 = m_presenter.session().allRaces.races[4].quinella;

    // The files change under the loaded day, as a result fetch changes them.
    gen::CourseDay changed = m_day;
    changed.payoutRecords.clear();
    ASSERT_TRUE(gen::WriteCourseDayFiles(changed, m_data));
    ASSERT_TRUE(m_presenter.restore(place).computable());
    EXPECT_EQ(m_presenter.session().card.PayoutRecords[1], std::string(719, ' '));
    EXPECT_EQ(m_presenter.shownRace(), 9);
    EXPECT_EQ(m_presenter.session().allRaces.races[4].quinella, race4);
    EXPECT_TRUE(m_presenter.session().allRaces.races[9].quinella.empty());
    EXPECT_EQ(m_presenter.place().userAxes, place.userAxes);

    // A race the day no longer has: race 1 by the loader's rules.
    ShownPlace beyond = place;
    beyond.race = 13;
    ASSERT_TRUE(m_presenter.restore(beyond).computable());
    EXPECT_EQ(m_presenter.shownRace(), 1);
    EXPECT_EQ(m_presenter.shownView().heading, LoadedRaceView(m_presenter.session()).heading);
}

TEST_F(RacePresenterTest, MissingFilesLeaveNothingInViewAndOtherFailuresLeaveTheRaceAsItWas)
{
    m_presenter.showRace(2);
    const RaceViewTexts shown = m_presenter.shownView();

    // Fewer than 10 races: nothing computed, the race in view stays.
    gen::Generator generator(6);
    gen::CourseDayOptions options;
    options.date = QDate(2026, 11, 29);
    options.races = 9;
    const gen::CourseDay few = generator.courseDay(options);
    ASSERT_TRUE(gen::WriteCourseDayFiles(few, m_data));
    EXPECT_EQ(m_presenter.load(CourseDay(QString::fromStdString(few.nameUtf8()))).status, LoadStatus::FewRaces);
    EXPECT_EQ(m_presenter.shownRace(), 2);
    EXPECT_EQ(m_presenter.shownView().heading, shown.heading);
    EXPECT_EQ(m_presenter.tabCaptions().size(), 12u);
    EXPECT_FALSE(m_presenter.pickRunner(0).has_value()) << "the day in the card was not computed";

    ASSERT_TRUE(QFile::remove(m_data + QLatin1Char('/') + m_name + QStringLiteral(".jvSEr")));
    EXPECT_EQ(m_presenter.load(CourseDay(m_name)).status, LoadStatus::FilesMissing);
    EXPECT_EQ(m_presenter.shownRace(), 0);
    EXPECT_TRUE(m_presenter.tabCaptions().empty());
    EXPECT_FALSE(m_presenter.raceSheet().has_value());
    EXPECT_TRUE(m_presenter.allRacesHeading().empty());
}

TEST_F(RacePresenterTest, OneOperationRunsAtATime)
{
    {
        const RacePresenter::OperationScope fetch = m_presenter.startOperation(Operation::ResultFetch);
        ASSERT_TRUE(fetch);
        EXPECT_FALSE(m_presenter.startOperation(Operation::HitExport));
        EXPECT_EQ(m_presenter.busyText(),
                  QStringLiteral("結果情報の取得を実行中です。その処理が終わってから、もう一度実行してください。"));
    }
    EXPECT_FALSE(m_presenter.runningOperation().has_value());
    RacePresenter::OperationScope moved = m_presenter.startOperation(Operation::BetsText);
    const RacePresenter::OperationScope kept = std::move(moved);
    EXPECT_TRUE(kept);
    EXPECT_EQ(m_presenter.runningOperation(), Operation::BetsText);
}

} // namespace
} // namespace velmora::gui
