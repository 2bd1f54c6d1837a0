#include "core/engine/prediction.h"
#include "core/report/hitlist.h"
#include "core/report/session.h"
#include "core/report/userprediction.h"
#include "gen/jvdatagen.h"
#include "gui/app/guicontext.h"
#include "gui/scriptedmessages.h"
#include "gui/views/allraceswindow.h"
#include "widgettesting.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

namespace velmora::gui {
namespace {

QColor TextColour(const QListWidget *list)
{
    return list->palette().color(QPalette::Text);
}

/** A generated twelve-race day loaded into a session, and the all-races window on it. */
class AllRacesWindowTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        gen::Generator generator(23);
        gen::CourseDayOptions options;
        options.date = QDate(2026, 11, 28);
        m_day = generator.courseDay(options);
        ASSERT_TRUE(gen::WriteCourseDayFiles(m_day, m_context.dataDir()));
        load();
    }

    void load()
    {
        const LoadResult result =
            LoadIntoSession(m_session, m_context.dataDir(), CourseDay(QString::fromStdString(m_day.nameUtf8())));
        ASSERT_TRUE(result.computable()) << result.message.toStdString();
    }

    /** Opens the window as "全買い目" does; the event loop closes it as soon as it runs. */
    void open(const QString &dateLine = QStringLiteral("2026年11月28日(土)"))
    {
        m_shownModally = false;
        QTimer::singleShot(0, &m_form, [this] {
            m_shownModally = m_form.isVisible() && m_form.isModal();
            m_form.reject();
        });
        RefreshAllRaces(m_session);
        m_form.openFor(dateLine, QsList(HitList(m_session.card, m_session.prediction)));
    }

    /** The computed bets of race r as a list keeps them: void and repeated bets left out. */
    QStringList computedQuinella(int r) const
    {
        std::vector<std::string> list;
        for (int k = 1; k <= 6; ++k)
            AddBetToList(list, m_session.prediction.races[r].quinellaBets[k]);
        return QsList(list);
    }
    QStringList computedBracket(int r) const
    {
        std::vector<std::string> list;
        for (int k = 1; k <= 6 && ShowsBracketBets(m_session.card, r); ++k)
            AddBetToList(list, m_session.prediction.races[r].bracketBets[k]);
        return QsList(list);
    }

    QTemporaryDir m_root;
    test::ScriptedMessages m_messages;
    test::RecordingDesktop m_desktop;
    GuiContext m_context{m_messages, m_desktop, {}, m_root.path()};
    gen::CourseDay m_day;
    Session m_session;
    AllRacesWindow m_form{m_session.allRaces};
    bool m_shownModally = false;
};

TEST_F(AllRacesWindowTest, OpeningShowsEveryRaceBoxWithItsComputedBets)
{
    open(QStringLiteral("2026年11月28日(土)東京05回07日"));
    EXPECT_TRUE(m_shownModally);
    EXPECT_EQ(m_form.windowTitle(), QStringLiteral("全レース買い目"));
    EXPECT_EQ(m_form.findChild<QLabel *>(QStringLiteral("HSPanel13"))->text(),
              QStringLiteral("2026年11月28日(土)東京05回07日"));

    const int left[] = {4, 116, 228, 340};
    const int top[] = {4, 116, 228};
    for (int r = 1; r <= 12; ++r) {
        SCOPED_TRACE(r);
        const Prediction &p = m_session.prediction;
        QListWidget *quinella = m_form.quinellaLists().item(r - 1);
        QListWidget *bracket = m_form.bracketLists().item(r - 1);
        ASSERT_NE(quinella, nullptr);
        ASSERT_NE(bracket, nullptr);
        // Item r - 1 of every array belongs to the box of race r, laid out row by row.
        EXPECT_EQ(quinella->parentWidget()->geometry(), QRect(left[(r - 1) % 4], top[(r - 1) / 4], 113, 113));
        EXPECT_EQ(bracket->parentWidget(), quinella->parentWidget());
        EXPECT_TRUE(quinella->parentWidget()->isAncestorOf(m_form.panels().item(r - 1)));
        EXPECT_EQ(m_form.findChild<QLabel *>(QStringLiteral("RaceTitle%1").arg(r))->text(),
                  QStringLiteral(" %1 R").arg(r));

        EXPECT_EQ(m_form.panels().item(r - 1)->text(),
                  Qs(GradeText(p.races[r].grade)) +
                      QStringLiteral(":馬%1:枠%2").arg(p.races[r].axisHorse, 2).arg(p.races[r].axisBracket, 2));
        EXPECT_FALSE(computedQuinella(r).isEmpty());
        EXPECT_EQ(test::ListItems(quinella), computedQuinella(r));
        EXPECT_EQ(test::ListItems(bracket), computedBracket(r));
        if (!ShowsBracketBets(m_session.card, r)) {
            EXPECT_EQ(bracket->count(), 0);
        }
        EXPECT_EQ(TextColour(quinella), QColor(Qt::black));
        EXPECT_EQ(TextColour(bracket), QColor(Qt::black));
    }
}

TEST_F(AllRacesWindowTest, TheHitListPageShowsTheHitListInAlignedColumns)
{
    open();
    auto *memo = m_form.findChild<QPlainTextEdit *>(QStringLiteral("Memo1"));
    QStringList expected;
    for (const std::string &line : HitList(m_session.card, m_session.prediction))
        expected.append(Qs(line));
    ASSERT_GT(expected.size(), 12 * 8);
    EXPECT_EQ(memo->toPlainText(), expected.join(QLatin1Char('\n')));
    EXPECT_TRUE(memo->isReadOnly());
    EXPECT_EQ(memo->lineWrapMode(), QPlainTextEdit::NoWrap);
}

TEST_F(AllRacesWindowTest, BetsAreCopiedOncePerLoadSoAUserPredictionStaysUntilTheNextLoad)
{
    open();
    const int race = 3;
    const int row = m_session.prediction.races[race].axisHorse == 1 ? 1 : 0; // not the computed axis
    const UserPrediction user = MakeUserPrediction(m_session, race, row);
    m_form.showBets();
    const QListWidget *quinella = m_form.quinellaLists().item(race - 1);
    const QListWidget *bracket = m_form.bracketLists().item(race - 1);
    EXPECT_EQ(test::ListItems(quinella), QsList(user.quinella));
    EXPECT_EQ(test::ListItems(bracket), QsList(user.bracket));
    EXPECT_EQ(TextColour(quinella), QColor(0, 0, 255));
    EXPECT_EQ(TextColour(bracket), QColor(0, 0, 255));
    EXPECT_EQ(TextColour(m_form.quinellaLists().item(race)), QColor(Qt::black));
    ASSERT_NE(QsList(user.quinella), computedQuinella(race));

    // A second opening finds the load copied: the user's bets are not mixed with the computed ones.
    open();
    EXPECT_EQ(test::ListItems(quinella), QsList(user.quinella));
    EXPECT_EQ(TextColour(quinella), QColor(0, 0, 255));

    // Reloading the day brings back the computed bets in black.
    load();
    open();
    EXPECT_EQ(test::ListItems(quinella), computedQuinella(race));
    EXPECT_EQ(TextColour(quinella), QColor(Qt::black));
}

TEST_F(AllRacesWindowTest, ControlArraysHoldTheTwelveBoxesOnly)
{
    EXPECT_EQ(m_form.quinellaLists().count(), 12);
    EXPECT_EQ(m_form.bracketLists().count(), 12);
    EXPECT_EQ(m_form.panels().count(), 12);
    EXPECT_EQ(m_form.quinellaLists().item(12), nullptr);
    EXPECT_EQ(m_form.bracketLists().item(-1), nullptr);
    EXPECT_EQ(m_form.panels().item(12), nullptr);

    ControlArray<QListWidget> lists = m_form.quinellaLists();
    QLabel label;
    QString error;
    EXPECT_EQ(lists.add(&label, &error), -1);
    EXPECT_EQ(error, QStringLiteral("QLabel オブジェクトは受け入れられません"));
    EXPECT_EQ(lists.count(), 12);
}

TEST_F(AllRacesWindowTest, PrintAndTheHiddenTextSaveButtonsRaiseTheirRequests)
{
    QSignalSpy print(&m_form, &AllRacesWindow::printRequested);
    QSignalSpy save(&m_form, &AllRacesWindow::saveTextRequested);
    auto *printButton = m_form.findChild<QPushButton *>(QStringLiteral("MsgBitBtn1"));
    auto *saveButton = m_form.findChild<QPushButton *>(QStringLiteral("MsgBitBtn3"));
    auto *helpButton = m_form.findChild<QPushButton *>(QStringLiteral("MsgBitBtn4"));
    EXPECT_EQ(printButton->toolTip(), QStringLiteral("全ﾚｰｽの買い目を印刷します"));
    EXPECT_FALSE(saveButton->isVisibleTo(&m_form));
    EXPECT_FALSE(helpButton->isVisibleTo(&m_form));

    printButton->click();
    saveButton->click();
    helpButton->click();
    EXPECT_EQ(print.count(), 1);
    EXPECT_EQ(save.count(), 2);
}

} // namespace
} // namespace velmora::gui
