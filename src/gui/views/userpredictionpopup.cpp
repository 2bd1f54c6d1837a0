#include "gui/views/userpredictionpopup.h"

#include "gui/app/guicontext.h"
#include "gui/app/windowplace.h"
#include "gui/views/betheader.h"
#include "gui/views/framedlist.h"
#include "render/fonts.h"

#include <algorithm>

#include <QEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>

namespace velmora::gui {
namespace {

constexpr int kClientWidth = 144;
constexpr int kClientHeight = 136;
constexpr int kTitleHeight = 20;
constexpr int kHeaderHeight = 16;
constexpr int kSectionWidth = 71;
// Six bets must fit a list without scrolling.
constexpr int kRowHeight = 15;

QListWidget *BetList(const QString &name, QWidget *parent)
{
    auto *list = new FramedList(parent);
    list->setObjectName(name);
    list->setFont(render::BetListFont(render::kGothic, 13, true));
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return list;
}

void ShowList(QListWidget *list, const std::vector<std::string> &bets)
{
    list->clear();
    for (const QString &bet : QsList(bets))
        (new QListWidgetItem(bet, list))->setSizeHint(QSize(kSectionWidth - 6, kRowHeight));
}

/**
 * The client width at which a title bar shows `caption` whole beside the window's icon and
 * up to three buttons (window managers draw them all on so small a window), going by the
 * platform's title font: the designed 144 pixels leave "ユ…想" on some desktops.
 */
int CaptionRoom(const QString &caption)
{
    const QFontMetrics metrics(QFontDatabase::systemFont(QFontDatabase::TitleFont));
    return metrics.horizontalAdvance(caption) + 5 * (metrics.height() + 4);
}

} // namespace

UserPredictionPopup::UserPredictionPopup(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("ユーザー予想"));
    const int width = std::max(kClientWidth, CaptionRoom(windowTitle()));
    setFixedSize(width, kClientHeight);

    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("HSPanel1"));
    m_title->setGeometry(0, 0, width, kTitleHeight);
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setFrameStyle(QFrame::Panel | QFrame::Raised);
    // A font of fixed pixels, as the lists have: the longest title ("12R[軸]:馬18:枠8")
    // fits the panel whatever size the desktop's own font has.
    m_title->setFont(render::PixelFont(render::kGothic, 13, true));
    QPalette titlePalette = m_title->palette();
    titlePalette.setColor(QPalette::Window, QGuiApplication::palette().color(QPalette::ToolTipBase));
    titlePalette.setColor(QPalette::WindowText, Qt::black);
    m_title->setPalette(titlePalette);
    m_title->setAutoFillBackground(true);

    // The lists only display: their panel takes no input, yet they should read as
    // plainly as enabled lists, so the disabled colours are the enabled ones.
    auto *content = new QWidget(this);
    content->setObjectName(QStringLiteral("Panel1"));
    content->setGeometry(0, kTitleHeight, width, kClientHeight - kTitleHeight);
    QPalette contentPalette = content->palette();
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::Base, QPalette::Window})
        contentPalette.setColor(QPalette::Disabled, role, contentPalette.color(QPalette::Active, role));
    content->setPalette(contentPalette);
    content->setEnabled(false);

    // The two lists side by side in the middle, as wide as designed however wide the window.
    const int left = 1 + (width - kClientWidth) / 2;
    const int right = left + kSectionWidth;
    HeaderSection(QStringLiteral("馬連"), content)->setGeometry(left, 0, kSectionWidth, kHeaderHeight);
    HeaderSection(QStringLiteral("枠連"), content)->setGeometry(right, 0, kSectionWidth, kHeaderHeight);
    const int listHeight = content->height() - kHeaderHeight - 1;
    m_quinella = BetList(QStringLiteral("ListBox1"), content);
    m_quinella->setGeometry(left, kHeaderHeight, kSectionWidth, listHeight);
    m_bracket = BetList(QStringLiteral("ListBox2"), content);
    m_bracket->setGeometry(right, kHeaderHeight, kSectionWidth, listHeight);

    CentreOnScreen(this, parent);
}

void UserPredictionPopup::showPrediction(const UserPrediction &prediction, const QRect &anchor)
{
    m_title->setText(Qs(prediction.title));
    ShowList(m_quinella, prediction.quinella);
    ShowList(m_bracket, prediction.bracket);
    if (anchor.isValid())
        MoveBeside(this, anchor);
    show();
    raise();
    activateWindow();
}

void UserPredictionPopup::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    // A popup of the last click only: once the user turns to another window it goes away.
    if (event->type() == QEvent::ActivationChange && isVisible() && !isActiveWindow())
        hide();
}

} // namespace velmora::gui
