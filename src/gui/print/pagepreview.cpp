#include "gui/print/pagepreview.h"

#include "gui/print/printers.h"
#include "render/replay.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPrinter>

namespace velmora::gui {
namespace {

/** A sheet of A4 at 600 dpi, for the preview when the printer cannot say. */
PrinterMetrics DefaultMetrics()
{
    PrinterMetrics metrics;
    metrics.pageWidth = metrics.printableWidth = 4960;
    metrics.pageHeight = metrics.printableHeight = 7016;
    return metrics;
}

} // namespace

PagePreview::PagePreview(PrinterProvider &printers, QWidget *parent)
    : QWidget(parent)
    , m_printers(printers)
{
    setObjectName(QStringLiteral("PrevX1"));
    m_geometry.SetZoomScale(50);
    fitToSheet();
}

void PagePreview::SetZoomScale(int percent)
{
    if (m_geometry.SetZoomScale(percent)) {
        fitToSheet();
        update();
    }
}

void PagePreview::fitToSheet()
{
    if (!CheckPrinter(nullptr))
        return;
    const PreviewGeometry preview = m_geometry.MeasurePage(metrics());
    const QSize wanted(preview.paperWidth + 20, preview.paperHeight + 20);
    if (size() != wanted)
        setFixedSize(wanted);
}

bool PagePreview::CheckPrinter(QString *error) const
{
    if (!m_printers.printerNames().isEmpty())
        return true;
    if (error)
        *error = kNoPrinter;
    return false;
}

PrinterMetrics PagePreview::metrics() const
{
    QPrinter *printer = m_printers.printer();
    return printer ? render::MetricsOf(*printer) : DefaultMetrics();
}

bool PagePreview::setPage(const Page &page, QString *error)
{
    if (!CheckPrinter(error))
        return false;
    m_page = page;
    fitToSheet();
    update();
    return true;
}

bool PagePreview::Print(QPrinter &printer, const QString &title, QString *error)
{
    if (!CheckPrinter(error))
        return false;
    if (!m_page)
        return true;
    printer.setDocName(title);
    QPainter painter;
    if (!painter.begin(&printer)) {
        if (error)
            *error = QStringLiteral("印刷を開始できません。");
        return false;
    }
    render::Replay(*m_page, painter, render::MetricsOf(printer), m_geometry);
    painter.end();
    return true;
}

void PagePreview::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    if (!CheckPrinter(nullptr))
        return;
    // The printer or its paper may have changed since: the control follows the sheet.
    fitToSheet();
    const PrinterMetrics printer = metrics();
    const PreviewGeometry preview = m_geometry.MeasurePage(printer);
    painter.setPen(QPen(Qt::black, 1, Qt::SolidLine));
    painter.setBrush(Qt::white);
    painter.drawRect(10, 10, preview.paperWidth, preview.paperHeight);
    const QRect printable(preview.printableLeft + 10, preview.printableTop + 10, preview.printableWidth,
                          preview.printableHeight);
    painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
    painter.drawRect(printable);
    if (!m_page)
        return;
    painter.translate(printable.topLeft());
    painter.scale(preview.scale, preview.scale);
    painter.setRenderHint(QPainter::TextAntialiasing);
    render::Replay(*m_page, painter, printer, m_geometry);
}

} // namespace velmora::gui
