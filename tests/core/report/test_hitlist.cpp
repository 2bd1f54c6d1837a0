#include "core/report/hitlist.h"
#include "core/testcard.h"
#include "core/text/sjis.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using gen::RecordBuilder;

/** Ten races of 12 runners (race 3 of 8) with fixed bets in race 1 and race 3. */
class HitListTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        m_card = test::TenRacesThirdOfEight();
        m_p = test::VoidBets(10);
        m_p.races[1].quinellaBets = test::Bets({"", " 3 -  5", " 0 -  3", " 3 - 12", " 1 -  3", " 2 -  3", " 3 -  4"});
        m_p.races[1].bracketBets = test::Bets({"", " 2 -  2", " 0 -  3", " 3 -  8", " 1 -  3", " 2 -  3", " 3 -  4"});
    }

    std::vector<std::string> lines() const
    {
        std::vector<std::string> utf8;
        for (const std::string &line : HitList(m_card, m_p))
            utf8.push_back(SjisToUtf8(line));
        return utf8;
    }

    RaceCard m_card;
    Prediction m_p;
};

TEST_F(HitListTest, PayoutsAndHitsOfARace)
{
    const QDate day(2005, 3, 12);
    RecordBuilder payout = RecordBuilder::Payout();
    payout.setKey('2', day, day, "06", 2, 5, 1)
        .set(hr::EntryCombination(hr::Quinella, 1), "0305")
        .setNumber(hr::EntryPayout(hr::Quinella, 1), 1230)
        .set(hr::EntryCombination(hr::BracketQuinella, 1), "22")
        .setNumber(hr::EntryPayout(hr::BracketQuinella, 1), 450)
        .set(hr::EntryCombination(hr::Wide, 1), "0305")
        .setNumber(hr::EntryPayout(hr::Wide, 1), 380)
        .set(hr::EntryCombination(hr::Wide, 2), "0312")
        .setNumber(hr::EntryPayout(hr::Wide, 2), 0) // no payout: not listed, but still a hit
        .set(hr::EntryCombination(hr::Wide, 3), "0512")
        .setNumber(hr::EntryPayout(hr::Wide, 3), 12345678);
    m_card.PayoutRecords[1] = payout;

    const std::vector<std::string> l = lines();
    ASSERT_EQ(l.size(), 1u + 10 * 8);
    EXPECT_EQ(l[0], "2005年03月12日(土)中山02回05日") << "the date line of race 1";
    EXPECT_EQ(l[1], "【 1R】" + std::string(60, ' ')) << "the 60-byte race name, blanks kept";
    EXPECT_EQ(l[2], "勝負度B:馬 3:枠 3");
    EXPECT_EQ(l[3], "<<馬連結果>>   3- 5    1230円　　");
    EXPECT_EQ(l[4], " 3 -  5 的中  3 - 12 　　  1 -  3 　　  2 -  3 　　  3 -  4 　　 ");
    EXPECT_EQ(l[5], "<<枠連結果>>   2- 2     450円　　");
    EXPECT_EQ(l[6], " 2 -  2 的中  3 -  8 　　  1 -  3 　　  2 -  3 　　  3 -  4 　　 ");
    EXPECT_EQ(l[7], "<<ﾜｲﾄﾞ結果>>   3- 5     380円　　 5-1212345678円　　");
    EXPECT_EQ(l[8], " 3 -  5 的中  3 - 12 的中  1 -  3 　　  2 -  3 　　  3 -  4 　　 ");
}

TEST_F(HitListTest, OrdinaryRacesAreListedByTheirTitle)
{
    // As JV-Data carries them: the name of an ordinary race is full-width blanks.
    const QDate day(2005, 3, 12);
    auto race = [&](int r) {
        RecordBuilder record = RecordBuilder::Race();
        record.set({1, 1270}, std::string_view(m_card.RaceRecords[static_cast<size_t>(r)]).substr(0, 1270));
        return record.setKey('7', day, day, "06", 2, 5, r).setText(ra::RaceName, "");
    };
    m_card.RaceRecords[2] = race(2).set(ra::RaceType, "14").setNumber(ra::Condition4, 5).setNumber(ra::Condition5, 5);
    m_card.RaceRecords[3] = race(3).set(ra::RaceType, "14").setText(ra::RaceName, "ｱ髙～①Ⅱ");
    std::string blanks;
    for (int i = 0; i < 21; ++i)
        blanks += "　";
    const std::vector<std::string> l = lines();
    EXPECT_EQ(l[9], "【 2R】４歳以上５００万下" + blanks);
    EXPECT_EQ(l[17], "【 3R】ｱ髙～①Ⅱ　　　　　　　　　　　　　　　　　　　　　　　　　 ");
}

TEST_F(HitListTest, ARaceWithoutPayoutsOrWithAllVoidBets)
{
    const std::vector<std::string> l = lines();
    // Race 2: no payout record, every bet void.
    EXPECT_EQ(l[11], "<<馬連結果>>  ");
    EXPECT_EQ(l[12], "");
    EXPECT_EQ(l[15], "<<ﾜｲﾄﾞ結果>>  ");
}

TEST_F(HitListTest, SmallFieldsHaveNoBracketQuinellaFrom2005)
{
    std::vector<std::string> l = lines();
    const size_t race3 = 1 + 2 * 8;
    EXPECT_EQ(l[race3 + 4], "<<枠連結果>>  ");
    EXPECT_EQ(l[race3 + 5], "");

    m_card.IsYear2005OrLater = false;
    m_p.races[3].bracketBets[2] = {1, 3};
    l = lines();
    EXPECT_EQ(l[race3 + 5], " 1 -  3 　　 ");
}

} // namespace
} // namespace velmora
