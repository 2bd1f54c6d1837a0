#pragma once

#include "core/print/geometry.h"
#include "core/print/page.h"

#include <QString>

class QPainter;
class QPagedPaintDevice;

namespace velmora::render {

/** The resolution of the program's own PDF output, in dots per inch. */
constexpr int kPdfResolution = 600;

/** The metrics of a printer or PDF writer: its resolution, sheet and printable area in dots. */
PrinterMetrics MetricsOf(const QPagedPaintDevice &device);

/**
 * Draws a page onto a painter whose coordinates are printer dots with the origin
 * at the printable area's top-left corner: page units through the geometry, the
 * fonts at their point sizes for the printer's vertical resolution, the pen widths
 * through PenWidth, texts with their top-left corner at the given point and a
 * background only under a solid brush. One replay serves screen, printer and PDF.
 */
void Replay(const Page &page, QPainter &painter, const PrinterMetrics &printer, const PageGeometry &geometry);

/**
 * Writes the page as a one-page A4 PDF at kPdfResolution into `path` (replaced
 * atomically). False with `error` set when the file cannot be written.
 */
bool WritePdf(const Page &page, const QString &path, const QString &title, QString *error);

} // namespace velmora::render
