#include "gui/print/previewwindow.h"

#include "gui/app/guicontext.h"
#include "gui/app/messages.h"
#include "gui/app/windowplace.h"
#include "gui/print/pagepreview.h"
#include "gui/print/printers.h"
#include "render/replay.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QStatusBar>
#include <QVBoxLayout>

namespace velmora::gui {
namespace {

constexpr int kZooms[] = {25, 50, 75, 100};
const QString kPlace = QStringLiteral("Printlocate");

} // namespace

PreviewWindow::PreviewWindow(GuiContext &context, PrinterProvider &printers, QWidget *parent)
    : QDialog(parent, Qt::Window)
    , m_context(context)
    , m_printers(printers)
    , m_settings(context.settings())
{
    setObjectName(QStringLiteral("TAllPrintForm"));
    setWindowTitle(QStringLiteral("全買い目印刷"));
    setModal(false);

    auto *layout = new QVBoxLayout(this);
    auto *bar = new QHBoxLayout;
    auto button = [this, bar](const char *name, const char *caption, auto handler) {
        auto *push = new QPushButton(QString::fromUtf8(caption), this);
        push->setObjectName(QLatin1String(name));
        push->setAutoDefault(false);
        connect(push, &QPushButton::clicked, this, handler);
        bar->addWidget(push);
        return push;
    };
    button("BitBtn2", "印刷(&P)", &PreviewWindow::printPage);
    button("BitBtn3", "ﾌﾟﾘﾝﾀ設定(&S)", &PreviewWindow::setUpPrinter);
    button("BitBtn1", "閉じる", &QDialog::close);
    bar->addStretch(1);

    auto *group = new QGroupBox(QStringLiteral("倍率"), this);
    group->setObjectName(QStringLiteral("RadioGroup1"));
    auto *zoomLayout = new QHBoxLayout(group);
    m_zoom = new QButtonGroup(this);
    for (int i = 0; i < 4; ++i) {
        auto *radio = new QRadioButton(QStringLiteral("%1%").arg(kZooms[i]), group);
        radio->setObjectName(QStringLiteral("Zoom%1").arg(kZooms[i]));
        m_zoom->addButton(radio, i);
        zoomLayout->addWidget(radio);
    }
    connect(m_zoom, &QButtonGroup::idClicked, this, &PreviewWindow::chooseZoom);
    bar->addWidget(group);
    layout->addLayout(bar);

    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("ScrollBox1"));
    m_preview = new PagePreview(printers, scroll);
    scroll->setWidget(m_preview);
    scroll->setWidgetResizable(false);
    layout->addWidget(scroll, 1);
    m_status = new QStatusBar(this);
    m_status->setObjectName(QStringLiteral("PrintStatusLine"));
    m_status->setSizeGripEnabled(false);
    layout->addWidget(m_status);

    PlaceWindow(this,
                QPoint(m_settings.ReadInteger(kPlace, QStringLiteral("left"), 10),
                       m_settings.ReadInteger(kPlace, QStringLiteral("top"), 10)),
                QSize(m_settings.ReadInteger(kPlace, QStringLiteral("width"), 630),
                      m_settings.ReadInteger(kPlace, QStringLiteral("height"), 450)));
    const int ratio = m_settings.ReadInteger(QStringLiteral("PrintZoom"), QStringLiteral("ratio"), 1);
    if (QAbstractButton *chosen = m_zoom->button(ratio >= 0 && ratio < 4 ? ratio : 1)) {
        chosen->setChecked(true);
        m_preview->SetZoomScale(kZooms[m_zoom->checkedId()]);
    }
}

void PreviewWindow::chooseZoom(int index)
{
    if (index < 0 || index > 3)
        return;
    m_zoom->button(index)->setChecked(true);
    m_preview->SetZoomScale(kZooms[index]);
    m_settings.WriteInteger(QStringLiteral("PrintZoom"), QStringLiteral("ratio"), index);
}

bool PreviewWindow::showPage(const Page &page)
{
    setWindowTitle(QString::fromStdString(page.caption));
    m_preview->Title = windowTitle();
    m_status->clearMessage();
    QString error;
    if (!m_preview->setPage(page, &error)) {
        m_context.messages.beep();
        m_context.messages.information(this, error);
        return false;
    }
    chooseZoom(m_zoom->checkedId() < 0 ? 1 : m_zoom->checkedId());
    show();
    raise();
    return true;
}

void PreviewWindow::printPage()
{
    QString error;
    if (!m_preview->CheckPrinter(&error)) {
        m_context.messages.beep();
        m_context.messages.information(this, error);
        return;
    }
    if (!m_preview->page())
        return;
    if (m_printers.printsToPdf()) {
        const QString suggestion = QDir(m_context.appFolder).filePath(m_preview->Title + QStringLiteral(".pdf"));
        const QString path = m_printers.pdfFileName(this, suggestion);
        if (path.isEmpty())
            return;
        if (!render::WritePdf(*m_preview->page(), path, m_preview->Title, &error)) {
            m_context.messages.beep();
            m_context.messages.information(this, error);
            return;
        }
        // No printer shows a job: the person learns here where the sheet went.
        m_status->showMessage(QStringLiteral("PDFファイル「%1」に出力しました。").arg(QDir::toNativeSeparators(path)));
        return;
    }
    QPrinter *printer = m_printers.printer();
    if (printer && !m_preview->Print(*printer, m_preview->Title, &error)) {
        m_context.messages.beep();
        m_context.messages.information(this, error);
    }
}

void PreviewWindow::setUpPrinter()
{
    if (m_printers.setup(this))
        m_preview->update();
}

void PreviewWindow::closeEvent(QCloseEvent *event)
{
    m_settings.WriteInteger(kPlace, QStringLiteral("top"), y());
    m_settings.WriteInteger(kPlace, QStringLiteral("left"), x());
    m_settings.WriteInteger(kPlace, QStringLiteral("width"), width());
    m_settings.WriteInteger(kPlace, QStringLiteral("height"), height());
    QDialog::closeEvent(event);
}

} // namespace velmora::gui
