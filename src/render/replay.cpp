#include "render/replay.h"

#include "core/store/atomicfile.h"
#include "core/text/sjis.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

namespace velmora::render {

PrinterMetrics MetricsOf(const QPagedPaintDevice &device)
{
    PrinterMetrics metrics;
    const QPageLayout layout = device.pageLayout();
    metrics.dpiX = device.logicalDpiX();
    metrics.dpiY = device.logicalDpiY();
    const QRect full = layout.fullRectPixels(metrics.dpiY);
    const QRect printable = layout.paintRectPixels(metrics.dpiY);
    metrics.pageWidth = full.width();
    metrics.pageHeight = full.height();
    metrics.offsetX = printable.left();
    metrics.offsetY = printable.top();
    metrics.printableWidth = printable.width();
    metrics.printableHeight = printable.height();
    return metrics;
}

void Replay(const Page &page, QPainter &painter, const PrinterMetrics &printer, const PageGeometry &geometry)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    QFont font;
    QPen pen(Qt::black);
    pen.setWidth(PageGeometry::PenWidth(10, printer));
    QBrush brush(Qt::white, Qt::SolidPattern);
    QPoint current;
    const auto point = [&](int x, int y) {
        return QPoint(geometry.ToDeviceX(x, printer), geometry.ToDeviceY(y, printer));
    };

    for (const DrawOp &op : page.ops) {
        switch (op.kind) {
        case DrawOp::Kind::Font:
            font = QFont(QString::fromStdString(op.family));
            // Point sizes come out at their true size on paper.
            font.setPixelSize(std::max(1, RoundHalfEven(op.pointSize * printer.dpiY / 72.0)));
            font.setBold(op.bold);
            break;
        case DrawOp::Kind::Pen:
            pen = QPen(Qt::black, PageGeometry::PenWidth(op.penWidth, printer),
                       op.penStyle == PenStyle::Dotted ? Qt::DotLine : Qt::SolidLine);
            break;
        case DrawOp::Kind::Brush:
            brush = op.brushStyle == BrushStyle::Clear
                        ? QBrush(Qt::NoBrush)
                        : QBrush(op.brushColour ? QColor::fromRgb(*op.brushColour) : QColor(Qt::white));
            break;
        case DrawOp::Kind::Text: {
            const QString text = FromSjis(op.text);
            const QPoint at = point(op.x, op.y);
            painter.setFont(font);
            const QFontMetrics metrics(font, painter.device());
            if (brush.style() != Qt::NoBrush)
                painter.fillRect(QRect(at, QSize(metrics.horizontalAdvance(text), metrics.height())), brush);
            painter.setPen(Qt::black);
            painter.drawText(at + QPoint(0, metrics.ascent()), text);
            break;
        }
        case DrawOp::Kind::MoveTo:
            current = point(op.x, op.y);
            break;
        case DrawOp::Kind::LineTo: {
            const QPoint to = point(op.x, op.y);
            painter.setPen(pen);
            painter.drawLine(current, to);
            current = to;
            break;
        }
        case DrawOp::Kind::Rectangle:
            painter.setPen(pen);
            painter.setBrush(brush);
            painter.drawRect(QRect(point(op.x, op.y), point(op.x2, op.y2)).normalized());
            painter.setBrush(Qt::NoBrush);
            break;
        }
    }
    painter.restore();
}

bool WritePdf(const Page &page, const QString &path, const QString &title, QString *error)
{
    // Drawn in memory first: the file is then replaced whole through the one atomic
    // write of the program, which also refuses a folder or a pipe in its place.
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setResolution(kPdfResolution);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Velmora"));
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
        QPainter painter(&writer);
        Replay(page, painter, MetricsOf(writer), PageGeometry());
    }
    QString reason;
    if (!WriteFileAtomically(path, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())), &reason)) {
        if (error)
            *error = QStringLiteral("ファイル「%1」に書き込めません（%2）。").arg(path, reason);
        return false;
    }
    return true;
}

} // namespace velmora::render
