#include "gui/app/aboutbox.h"

#include "gui/app/desktop.h"
#include "gui/app/messages.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora::gui {

AboutBox::AboutBox(const QString &version, QLabel *picture, Desktop &desktop, MessageBoxes &messages, QWidget *parent)
    : QDialog(parent)
    , m_picture(picture)
    , m_desktop(desktop)
    , m_messages(messages)
{
    setObjectName(QStringLiteral("TAboutBox"));
    setWindowTitle(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    setAttribute(Qt::WA_DeleteOnClose, false);

    auto *layout = new QVBoxLayout(this);
    auto *product = new QLabel(QStringLiteral("ルクシア馬券ソフト「Velmora」 for JRA-VAN Data Lab."), this);
    product->setObjectName(QStringLiteral("ProductName"));
    QFont bold = product->font();
    bold.setBold(true);
    product->setFont(bold);
    auto *versionLabel = new QLabel(version, this);
    versionLabel->setObjectName(QStringLiteral("Label1"));
    auto *copyright = new QLabel(QStringLiteral("Copyright (C) Luxia"), this);
    copyright->setObjectName(QStringLiteral("Copyright"));
    auto *home = new QPushButton(QStringLiteral("作者のホームページ"), this);
    home->setObjectName(QStringLiteral("Button3"));
    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    for (QWidget *widget : std::initializer_list<QWidget *>{product, versionLabel, copyright, home, ok})
        layout->addWidget(widget, 0, Qt::AlignHCenter);

    connect(home, &QPushButton::clicked, this, &AboutBox::openHomePage);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    m_timer.setObjectName(QStringLiteral("Timer1"));
    m_timer.setInterval(60);
    connect(&m_timer, &QTimer::timeout, this, &AboutBox::cycleColour);
}

const QString &AboutBox::HomePage()
{
    static const QString address = QStringLiteral("https://velmora.example.jp/");
    return address;
}

void AboutBox::openHomePage()
{
    if (!m_desktop.open(QUrl(HomePage())))
        m_messages.information(this, QStringLiteral("ホームページの表示に失敗しました。"));
}

void AboutBox::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() != QEvent::ActivationChange)
        return;
    if (isActiveWindow()) {
        m_timer.start();
    } else {
        m_timer.stop();
        if (m_picture)
            m_picture->setStyleSheet(QString());
    }
}

void AboutBox::cycleColour()
{
    m_hue = (m_hue + 6) % 360;
    if (m_picture)
        m_picture->setStyleSheet(QStringLiteral("background-color: %1;").arg(QColor::fromHsv(m_hue, 160, 255).name()));
}

} // namespace velmora::gui
