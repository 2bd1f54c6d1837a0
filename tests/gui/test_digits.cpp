// Every digit of a bet must be told from every other, as the program draws it: in
// each bet list of the windows, in the preview of a sheet and on the sheet itself.
#include "core/print/page.h"
#include "core/text/sjis.h"
#include "fixedprinters.h"
#include "gui/app/guicontext.h"
#include "gui/app/mainwindow.h"
#include "gui/print/pagepreview.h"
#include "gui/views/allraceswindow.h"
#include "gui/views/raceview.h"
#include "gui/views/userpredictionpopup.h"
#include "render/replay.h"
#include "scriptedmessages.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

#include <QImage>
#include <QListWidget>
#include <QPainter>
#include <QTemporaryDir>

namespace velmora::gui {
namespace {

/** A picture in grey levels, 0 black to 255 white (blue text counts as the dark ink it is). */
QImage Grey(const QImage &image)
{
    return image.convertToFormat(QImage::Format_Grayscale8);
}

/**
 * How much ink two pictures differ by, in fully black pixels, over the area both cover.
 * Pictures of one list may differ in width (lists on a page that is not shown are laid
 * out anew as they are drawn); their texts stand at the top left.
 */
double InkDifference(const QImage &a, const QImage &b)
{
    EXPECT_EQ(a.size(), b.size());
    if (a.size() != b.size())
        return 0;
    double sum = 0;
    const int width = std::min(a.width(), b.width());
    for (int y = 0; y < std::min(a.height(), b.height()); ++y) {
        const uchar *left = a.constScanLine(y);
        const uchar *right = b.constScanLine(y);
        for (int x = 0; x < width; ++x)
            sum += std::abs(left[x] - right[x]) / 255.0;
    }
    return sum;
}

/** The height of what `picture` draws over `blank`: the rows where it is darker by more than half the contrast (over
 * the area both cover). */
int InkHeight(const QImage &picture, const QImage &blank)
{
    const int height = std::min(picture.height(), blank.height());
    const int width = std::min(picture.width(), blank.width());
    int top = height;
    int bottom = -1;
    for (int y = 0; y < height; ++y) {
        const uchar *row = picture.constScanLine(y);
        const uchar *paper = blank.constScanLine(y);
        for (int x = 0; x < width; ++x) {
            if (paper[x] - row[x] > 128) {
                top = std::min(top, y);
                bottom = y;
                break;
            }
        }
    }
    return bottom < top ? 0 : bottom - top + 1;
}

/**
 * Checks every pair of digits drawn by `picture` (one digit per call; an empty text
 * gives the blank picture) for a clear difference.
 *
 * The threshold: a stroke that alone tells two digits apart (the left side of 8's
 * bowls against 3, the upper left of 5 against 3, the lower left of 6 against 5)
 * runs over about half of the digit's height. Drawn one pixel wide in full contrast
 * it holds h / 2 pixels of ink, h being the height of the digits. Pictures that
 * differ by less ink than that differ only in faint, blurred or shifted edges. At 11
 * pixels (h = 7) IPA Mincho, whose 8 reads as 3 because its left strokes come out light
 * grey, differs by 3.3 (3 from 5), below the threshold of 3.5; VL Gothic, which draws
 * each digit plainly, differs by 5.3 at least in black and 4.3 in the user's blue.
 */
void ExpectDigitsApart(const std::function<QImage(const QString &)> &picture, const std::string &where)
{
    std::vector<QImage> digits;
    for (int d = 0; d <= 9; ++d)
        digits.push_back(picture(QString::number(d)));
    const double threshold = InkHeight(digits[8], picture(QString())) / 2.0;
    ASSERT_GE(threshold, 2.0) << where << ": no digit was drawn";
    for (size_t a = 0; a < digits.size(); ++a) {
        for (size_t b = a + 1; b < digits.size(); ++b)
            EXPECT_GE(InkDifference(digits[a], digits[b]), threshold) << where << ": " << a << " and " << b;
    }
}

/**
 * The picture of one item of `list` holding `text`, drawn by the list with its own font and
 * colours: the item's left 40 pixels, where a digit is drawn, so that every picture of a list
 * has one size even where the list's width follows its contents.
 */
QImage ItemPicture(QListWidget *list, const QString &text)
{
    list->clear();
    auto *item = new QListWidgetItem(text, list);
    const QRect rect = list->visualItemRect(item);
    return Grey(list->viewport()->grab(QRect(rect.topLeft(), QSize(40, rect.height()))).toImage());
}

TEST(DigitsTest, EveryBetListDrawsEveryDigitDistinctly)
{
    QTemporaryDir root;
    test::ScriptedMessages messages;
    test::RecordingDesktop desktop;
    GuiContext context{messages, desktop, {}, root.path()};
    MainWindow form(context);
    form.show();

    const std::vector<std::pair<QWidget *, const char *>> lists = {
        {form.raceView(), "ListBox5"},           {form.raceView(), "ListBox6"},
        {form.raceView(), "ListBox7"},           {form.raceView(), "ListBox8"},
        {form.userWindow(), "ListBox1"},         {form.userWindow(), "ListBox2"},
        {form.allRacesWindow(), "ArListBox1_1"}, {form.allRacesWindow(), "ArListBox2_1"},
    };
    for (auto [window, name] : lists) {
        auto *list = window->findChild<QListWidget *>(QLatin1String(name));
        ASSERT_NE(list, nullptr) << name;
        // The race view's lists are laid out only once a course-day shows them.
        if (list->viewport()->height() < 20)
            list->resize(80, 80);
        ExpectDigitsApart([list](const QString &digit) { return ItemPicture(list, digit); }, name);
    }
    // The user's bets are drawn in blue in the all-races window.
    auto *blue = form.allRacesWindow()->findChild<QListWidget *>(QStringLiteral("ArListBox1_2"));
    QPalette palette = blue->palette();
    palette.setColor(QPalette::Text, QColor(0, 0, 255));
    blue->setPalette(palette);
    ExpectDigitsApart([blue](const QString &digit) { return ItemPicture(blue, digit); }, "ArListBox1_2 in blue");
}

/** A page of one bet text in the font the sheets print their bets with. */
Page BetPage(const QString &digit)
{
    Page page;
    page.font("ＭＳ ゴシック", 10, false);
    page.textOut(400, 400, ToSjis(digit));
    return page;
}

TEST(DigitsTest, SheetsAndTheirPreviewAtFullSizeDrawEveryDigitDistinctly)
{
    test::FixedPrinters printers(true);
    PagePreview preview(printers);
    // At 100 % the preview shows the sheet at its size on paper; 25 and 50 % show the
    // layout of the whole sheet, with digits 3 to 5 pixels high, which no face can draw apart.
    preview.SetZoomScale(100);
    ExpectDigitsApart(
        [&](const QString &digit) {
            preview.setPage(BetPage(digit), nullptr);
            return Grey(preview.grab().toImage());
        },
        "preview at 100 %");

    // The sheet as a PDF viewer or pdftoppm shows it at 150 dpi.
    ExpectDigitsApart(
        [&](const QString &digit) {
            QImage sheet(1240, 1754, QImage::Format_RGB32);
            sheet.setDotsPerMeterX(5906);
            sheet.setDotsPerMeterY(5906);
            sheet.fill(Qt::white);
            QPainter painter(&sheet);
            PrinterMetrics metrics;
            metrics.dpiX = metrics.dpiY = 150;
            metrics.pageWidth = metrics.printableWidth = sheet.width();
            metrics.pageHeight = metrics.printableHeight = sheet.height();
            render::Replay(BetPage(digit), painter, metrics, PageGeometry());
            painter.end();
            return Grey(sheet.copy(0, 0, 300, 300));
        },
        "sheet at 150 dpi");
}

} // namespace
} // namespace velmora::gui
