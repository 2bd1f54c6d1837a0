#include "gui/app/waitwindow.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace velmora::gui {

WaitWindow::WaitWindow(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(QStringLiteral("少々お待ちください｡"));
    auto *layout = new QVBoxLayout(this);
    auto *panel = new QLabel(QStringLiteral("データを読み込んでいます。"), this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setAlignment(Qt::AlignCenter);
    m_gauge = new QProgressBar(this);
    m_gauge->setObjectName(QStringLiteral("Gauge1"));
    m_gauge->setValue(0);
    m_gauge->setStyleSheet(
        QStringLiteral("QProgressBar { background: yellow; } QProgressBar::chunk { background: blue; }"));
    layout->addWidget(panel);
    layout->addWidget(m_gauge);
}

void WaitWindow::hideEvent(QHideEvent *event)
{
    m_gauge->setValue(0);
    QDialog::hideEvent(event);
}

} // namespace velmora::gui
