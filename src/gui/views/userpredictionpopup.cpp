#include "gui/views/userpredictionpopup.h"

#include "gui/app/guicontext.h"
#include "gui/app/windowplace.h"
#include "gui/views/betheader.h"
#include "render/fonts.h"

#include <QEvent>
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
    auto *list = new QListWidget(parent);
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

} // namespace

UserPredictionPopup::UserPredictionPopup(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("ユーザー予想"));
    setFixedSize(kClientWidth, kClientHeight);

    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("HSPanel1"));
    m_title->setGeometry(0, 0, kClientWidth, kTitleHeight);
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setFrameStyle(QFrame::Panel | QFrame::Raised);
    QFont titleFont = font();
    titleFont.setBold(true);
    m_title->setFont(titleFont);
    QPalette titlePalette = m_title->palette();
    titlePalette.setColor(QPalette::Window, QGuiApplication::palette().color(QPalette::ToolTipBase));
    titlePalette.setColor(QPalette::WindowText, Qt::black);
    m_title->setPalette(titlePalette);
    m_title->setAutoFillBackground(true);

    // The lists only display: their panel takes no input, yet they should read as
    // plainly as enabled lists, so the disabled colours are the enabled ones.
    auto *content = new QWidget(this);
    content->setObjectName(QStringLiteral("Panel1"));
    content->setGeometry(0, kTitleHeight, kClientWidth, kClientHeight - kTitleHeight);
    QPalette contentPalette = content->palette();
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::Base, QPalette::Window})
        contentPalette.setColor(QPalette::Disabled, role, contentPalette.color(QPalette::Active, role));
    content->setPalette(contentPalette);
    content->setEnabled(false);

    const int left = 1;
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

void UserPredictionPopup::showPrediction(const UserPrediction &prediction)
{
    m_title->setText(Qs(prediction.title));
    ShowList(m_quinella, prediction.quinella);
    ShowList(m_bracket, prediction.bracket);
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
