#include "gui/views/allraceswindow.h"

#include "gui/app/guicontext.h"
#include "gui/app/windowplace.h"
#include "gui/views/betheader.h"
#include "gui/views/framedlist.h"
#include "render/fonts.h"

#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace velmora::gui {
namespace {

constexpr int kBoxSize = 113;
constexpr std::array<int, 4> kBoxLeft = {4, 116, 228, 340};
constexpr std::array<int, 3> kBoxTop = {4, 116, 228};
constexpr int kTitleHeight = 16;
constexpr int kHeaderHeight = 15;
constexpr int kSectionWidth = 55;
// Six bets must fit a box's list without scrolling.
constexpr int kRowHeight = 13;

/** The colour of a race's lists: the user's bets in pure blue, the computed ones in black. */
QColor ListColour(bool user)
{
    return user ? QColor(0, 0, 255) : QColor(Qt::black);
}

void SetColours(QWidget *widget, const QColor &text, const QColor &background = QColor())
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Text, text);
    if (background.isValid()) {
        palette.setColor(QPalette::Window, background);
        widget->setAutoFillBackground(true);
    }
    widget->setPalette(palette);
}

QFont BoldFont(int pixelSize)
{
    QFont font = QGuiApplication::font();
    font.setPixelSize(pixelSize);
    font.setBold(true);
    return font;
}

QListWidget *BetList(const QString &name, QWidget *parent)
{
    auto *list = new FramedList(parent);
    list->setObjectName(name);
    list->setFont(render::BetListFont(render::kMincho, 11));
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setUniformItemSizes(true);
    SetColours(list, ListColour(false));
    return list;
}

void ShowList(QListWidget *list, const std::vector<std::string> &bets, bool user)
{
    list->clear();
    for (const QString &bet : QsList(bets))
        (new QListWidgetItem(bet, list))->setSizeHint(QSize(kSectionWidth - 6, kRowHeight));
    SetColours(list, ListColour(user));
}

} // namespace

AllRacesWindow::AllRacesWindow(const AllRacesBets &bets, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint)
    , m_bets(bets)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("全レース買い目"));
    setFixedSize(627, 429);

    const QColor tooltip = QGuiApplication::palette().color(QPalette::ToolTipBase);

    m_heading = new QLabel(this);
    m_heading->setObjectName(QStringLiteral("HSPanel13"));
    m_heading->setGeometry(0, 0, width(), 25);
    m_heading->setAlignment(Qt::AlignCenter);
    m_heading->setFont(BoldFont(16));
    SetColours(m_heading, QColor(0, 0, 255), QColor(0, 255, 255));

    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("PageControl1"));
    m_pages->setGeometry(0, 25, width(), height() - 25);

    auto *betsPage = new QWidget;
    betsPage->setObjectName(QStringLiteral("TabSheet1"));
    m_pages->addTab(betsPage, QStringLiteral("全買い目"));

    for (int r = 1; r <= kMaxRaces; ++r) {
        const auto slot = static_cast<size_t>(r - 1);
        auto *box = new QWidget(betsPage);
        box->setObjectName(QStringLiteral("RaceBox%1").arg(r));
        box->setGeometry(kBoxLeft[slot % 4], kBoxTop[slot / 4], kBoxSize, kBoxSize);

        auto *caption = new QLabel(box);
        caption->setObjectName(QStringLiteral("RaceTitle%1").arg(r));
        caption->setGeometry(0, 0, kBoxSize, kTitleHeight);
        caption->setFont(BoldFont(12));
        caption->setFrameStyle(QFrame::Panel | QFrame::Raised);
        SetColours(caption, Qt::black, tooltip);
        m_captions[slot] = caption;

        // The grade and axis panel sits at the right end of the title.
        auto *panel = new QLabel(caption);
        panel->setObjectName(QStringLiteral("ArPanel1_%1").arg(r));
        panel->setGeometry(38, 1, kBoxSize - 40, kTitleHeight - 2);
        panel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        panel->setFont(render::PixelFont(render::kGothic, 11));
        SetColours(panel, QColor(0, 0, 128));
        m_panels.add(panel);

        const int left = 1;
        const int right = left + kSectionWidth + 1;
        HeaderSection(QStringLiteral("馬連"), box)->setGeometry(left, kTitleHeight, kSectionWidth, kHeaderHeight);
        HeaderSection(QStringLiteral("枠連"), box)->setGeometry(right, kTitleHeight, kSectionWidth, kHeaderHeight);

        // The boxes overlap by a pixel (113 wide, 112 apart): the lists end a pixel short
        // of the box, so that the next row of boxes leaves their bottom frame visible.
        const int listTop = kTitleHeight + kHeaderHeight;
        const int listHeight = kBoxSize - listTop - 1;
        QListWidget *quinella = BetList(QStringLiteral("ArListBox1_%1").arg(r), box);
        quinella->setGeometry(left, listTop, kSectionWidth, listHeight);
        m_quinellaLists.add(quinella);
        QListWidget *bracket = BetList(QStringLiteral("ArListBox2_%1").arg(r), box);
        bracket->setGeometry(right, listTop, kSectionWidth, listHeight);
        m_bracketLists.add(bracket);
    }

    const auto makeButton = [betsPage](const QString &name, const QString &text, int top) {
        auto *button = new QPushButton(text, betsPage);
        button->setObjectName(name);
        button->setGeometry(478, top, 120, 28);
        button->setAutoDefault(false);
        return button;
    };
    QPushButton *help = makeButton(QStringLiteral("MsgBitBtn4"), QStringLiteral("ヘルプ(&H)"), 130);
    QPushButton *saveText = makeButton(QStringLiteral("MsgBitBtn3"), QStringLiteral("ﾃｷｽﾄ保存(&S)"), 190);
    saveText->setToolTip(QStringLiteral("全ﾚｰｽの買い目をﾃｷｽﾄﾌｧｲﾙに保存します"));
    QPushButton *print = makeButton(QStringLiteral("MsgBitBtn1"), QStringLiteral("印刷(&P)"), 250);
    print->setToolTip(QStringLiteral("全ﾚｰｽの買い目を印刷します"));
    QPushButton *close = makeButton(QStringLiteral("CloseBtn"), QStringLiteral("閉じる"), 310);
    help->hide();
    saveText->hide();
    connect(print, &QPushButton::clicked, this, &AllRacesWindow::printRequested);
    connect(saveText, &QPushButton::clicked, this, &AllRacesWindow::saveTextRequested);
    connect(help, &QPushButton::clicked, this, &AllRacesWindow::saveTextRequested);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto *hitsPage = new QWidget;
    hitsPage->setObjectName(QStringLiteral("TabSheet2"));
    m_pages->addTab(hitsPage, QStringLiteral("的中馬券"));
    m_hitList = new QPlainTextEdit(hitsPage);
    m_hitList->setObjectName(QStringLiteral("Memo1"));
    m_hitList->setReadOnly(true);
    m_hitList->setFont(render::PixelFont(render::kGothic, 12));
    m_hitList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The hit lines are fixed-width columns; wrapping would break them apart.
    m_hitList->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto *hitsLayout = new QVBoxLayout(hitsPage);
    hitsLayout->setContentsMargins(0, 0, 0, 0);
    hitsLayout->addWidget(m_hitList);

    showBets();

    CentreOnScreen(this, parent);
}

void AllRacesWindow::showBets()
{
    for (int r = 1; r <= kMaxRaces; ++r) {
        const RaceBets &bets = m_bets.races[static_cast<size_t>(r)];
        m_captions[static_cast<size_t>(r - 1)]->setText(Qs(bets.caption));
        m_panels.item(r - 1)->setText(Qs(bets.panel));
        ShowList(m_quinellaLists.item(r - 1), bets.quinella, bets.user);
        ShowList(m_bracketLists.item(r - 1), bets.bracket, bets.user);
    }
}

void AllRacesWindow::openFor(const QString &heading, const QStringList &hitList)
{
    m_heading->setText(heading);
    m_hitList->setPlainText(hitList.join(QLatin1Char('\n')));
    showBets();
    exec();
}

} // namespace velmora::gui
