#include "core/print/sheets.h"
#include "core/report/raceview.h"
#include "fixedprinters.h"
#include "gen/jvdatagen.h"
#include "gui/app/guicontext.h"
#include "gui/app/mainwindow.h"
#include "gui/print/pagepreview.h"
#include "gui/print/previewwindow.h"
#include "gui/print/printers.h"
#include "gui/views/allraceswindow.h"
#include "render/replay.h"
#include "scriptedmessages.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QGuiApplication>
#include <QListWidget>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace velmora::gui {
namespace {

class PreviewWindowTest : public testing::Test
{
  protected:
    QTemporaryDir m_root;
    test::ScriptedMessages m_messages;
    test::RecordingDesktop m_desktop;
    test::FixedPrinters m_printers{true};
    GuiContext m_context{m_messages, m_desktop, {}, m_root.path(), &m_printers};

    Page samplePage()
    {
        Page page;
        page.caption = "予想結果印刷";
        page.font("ＭＳ ゴシック", 11, true);
        page.textOut(200, 200, Utf8ToSjis("【予想結果】東京"));
        page.pen(10);
        page.line(200, 320, 1700, 320);
        return page;
    }
};

TEST_F(PreviewWindowTest, OpensAtTheDefaultPlaceAndRemembersPlaceAndZoom)
{
    {
        PreviewWindow form(m_context, m_printers);
        EXPECT_EQ(form.pos(), QPoint(10, 10));
        EXPECT_EQ(form.size(), QSize(630, 450));
        EXPECT_EQ(form.preview()->ZoomScale(), 50);
        EXPECT_TRUE(form.findChild<QRadioButton *>(QStringLiteral("Zoom50"))->isChecked());
        form.chooseZoom(3);
        EXPECT_EQ(form.preview()->ZoomScale(), 100);
        form.move(40, 60);
        form.close();
    }
    PreviewWindow again(m_context, m_printers);
    EXPECT_EQ(again.preview()->ZoomScale(), 100);
    EXPECT_EQ(again.pos(), QPoint(40, 60));

    again.preview()->SetZoomScale(24);
    EXPECT_EQ(again.preview()->ZoomScale(), 100);
    again.preview()->SetZoomScale(200);
    EXPECT_EQ(again.preview()->ZoomScale(), 200);
}

TEST_F(PreviewWindowTest, APlaceSavedForALargerScreenOpensInsideThisOne)
{
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    SettingsFile settings = m_context.settings();
    settings.WriteInteger(QStringLiteral("Printlocate"), QStringLiteral("left"), available.width() + 300);
    settings.WriteInteger(QStringLiteral("Printlocate"), QStringLiteral("top"), -400);
    settings.WriteInteger(QStringLiteral("Printlocate"), QStringLiteral("width"), 2540);
    settings.WriteInteger(QStringLiteral("Printlocate"), QStringLiteral("height"), 1980);
    PreviewWindow form(m_context, m_printers);
    EXPECT_TRUE(available.contains(form.frameGeometry()));
}

TEST_F(PreviewWindowTest, PrintsThePageAsAPdf)
{
    PreviewWindow form(m_context, m_printers);
    ASSERT_TRUE(form.showPage(samplePage()));
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.windowTitle(), QStringLiteral("予想結果印刷"));
    m_printers.pdfPath = m_root.path() + QStringLiteral("/sheet.pdf");
    QTest::mouseClick(form.findChild<QPushButton *>(QStringLiteral("BitBtn2")), Qt::LeftButton);
    EXPECT_TRUE(m_messages.boxes.empty()) << m_messages.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(m_printers.suggested.endsWith(QStringLiteral("予想結果印刷.pdf")));
    EXPECT_TRUE(velmora::test::PdfText(m_printers.pdfPath).contains(QStringLiteral("【予想結果】東京")));
    // No printer shows a job: the status line says where the sheet went.
    EXPECT_EQ(form.findChild<QStatusBar *>(QStringLiteral("PrintStatusLine"))->currentMessage(),
              QStringLiteral("PDFファイル「%1」に出力しました。").arg(QDir::toNativeSeparators(m_printers.pdfPath)));

    form.chooseZoom(2);
    const PreviewGeometry preview = form.preview()->geometry().MeasurePage(render::MetricsOf(*m_printers.printer()));
    EXPECT_EQ(form.preview()->size(), QSize(preview.paperWidth + 20, preview.paperHeight + 20))
        << "the control takes the size of the sheet at the zoom";

    QTest::mouseClick(form.findChild<QPushButton *>(QStringLiteral("BitBtn3")), Qt::LeftButton);
    EXPECT_EQ(m_printers.setups, 1);
}

TEST_F(PreviewWindowTest, WithoutPrintersNothingIsShownOrPrinted)
{
    test::FixedPrinters none(false);
    PreviewWindow form(m_context, none);
    EXPECT_FALSE(form.showPage(samplePage()));
    EXPECT_FALSE(form.isVisible());
    form.printPage();
    ASSERT_EQ(m_messages.boxes.size(), 2u);
    EXPECT_EQ(m_messages.boxes[0].text, QStringLiteral("プリンタが登録されていません"));
    EXPECT_EQ(m_messages.boxes[1].text, QStringLiteral("プリンタが登録されていません"));
}

TEST_F(PreviewWindowTest, TheMainWindowPrintsTheShownRaceAndAllRaces)
{
    gen::Generator generator(21);
    gen::CourseDayOptions options;
    options.date = QDate(2026, 11, 28);
    const gen::CourseDay day = generator.courseDay(options);
    ASSERT_TRUE(gen::WriteCourseDayFiles(day, m_context.dataDir()));
    m_context.jvlinkFactory = {};
    MainWindow form(m_context);
    form.findChild<QAction *>(QStringLiteral("FileOpenItem"))->trigger();
    form.findChild<QListWidget *>(QStringLiteral("DatListBox"))->setCurrentRow(0);
    form.showCourseDay(CourseDay(QString::fromStdString(day.nameUtf8())));
    form.findChild<QTabBar *>(QStringLiteral("TabControl1Tabs"))->setCurrentIndex(3);

    form.findChild<QAction *>(QStringLiteral("FilePrintItem"))->trigger();
    PreviewWindow *preview = form.printWindow();
    ASSERT_TRUE(preview->preview()->page().has_value());
    const Session &session = form.session();
    const std::optional<Page> expected =
        day.races[3].registered >= 5 ? RaceSheet(RaceSheetSourceOf(session, RaceView(session, 4), 4)) : std::nullopt;
    ASSERT_TRUE(expected.has_value());
    EXPECT_EQ(preview->preview()->page()->ops, expected->ops);
    EXPECT_EQ(preview->windowTitle(), QStringLiteral("予想結果印刷"));

    QTimer::singleShot(0, [&] {
        form.allRacesWindow()->findChild<QPushButton *>(QStringLiteral("MsgBitBtn1"))->click();
        form.allRacesWindow()->close();
    });
    form.findChild<QPushButton *>(QStringLiteral("Button2"))->click();
    EXPECT_EQ(preview->windowTitle(), QStringLiteral("全レース買い目"));
}

TEST_F(PreviewWindowTest, AShortRaceIsNotPrinted)
{
    gen::Generator generator(22);
    gen::CourseDayOptions options;
    options.date = QDate(2026, 11, 28);
    gen::CourseDay day = generator.courseDay(options);
    ASSERT_TRUE(gen::WriteCourseDayFiles(day, m_context.dataDir()));
    MainWindow form(m_context);
    form.showCourseDay(CourseDay(QString::fromStdString(day.nameUtf8())));
    // Race 1 shown with four rows: the print refuses.
    auto *grid = form.findChild<QTableWidget *>(QStringLiteral("StringGrid1"));
    Session &session = form.session();
    session.card.RaceRecords[2].replace(881, 2, "04");
    form.findChild<QTabBar *>(QStringLiteral("TabControl1Tabs"))->setCurrentIndex(1);
    ASSERT_EQ(grid->rowCount(), 4);
    form.findChild<QAction *>(QStringLiteral("FilePrintItem"))->trigger();
    ASSERT_FALSE(m_messages.boxes.empty());
    EXPECT_EQ(m_messages.boxes.back().text, QStringLiteral("この画面は印刷できません。"));
    EXPECT_EQ(m_messages.boxes.back().caption, QStringLiteral("印刷不可"));
    EXPECT_FALSE(form.printWindow()->isVisible());
}

} // namespace
} // namespace velmora::gui
