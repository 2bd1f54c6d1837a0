#include "core/print/geometry.h"

#include <cmath>

namespace velmora {

int RoundHalfEven(double value)
{
    return static_cast<int>(std::nearbyint(value)); // the default rounding mode is to nearest, ties to even
}

bool PageGeometry::SetZoomScale(int percent)
{
    if (percent == m_zoomScale || percent < 25 || percent > 200)
        return false;
    m_zoomScale = percent;
    return true;
}

int PageGeometry::ToDeviceX(int x, const PrinterMetrics &printer) const
{
    const double perInch = units == PageUnits::TenthsOfMillimetre ? 254.0 : 25.4;
    return RoundHalfEven((x + MarginLeft) * static_cast<double>(printer.dpiX) / perInch);
}

int PageGeometry::ToDeviceY(int y, const PrinterMetrics &printer) const
{
    const double perInch = units == PageUnits::TenthsOfMillimetre ? 254.0 : 25.4;
    return RoundHalfEven((y + MarginTop) * static_cast<double>(printer.dpiY) / perInch);
}

int PageGeometry::PenWidth(int width, const PrinterMetrics &printer, int screenPpi)
{
    const int dots = RoundHalfEven(width * static_cast<double>(printer.dpiY) / (screenPpi * 10.0));
    return dots < 1 ? 1 : dots;
}

PreviewGeometry PageGeometry::MeasurePage(const PrinterMetrics &printer, int screenPpi) const
{
    PreviewGeometry preview;
    // The vertical resolution serves both axes.
    preview.scale = static_cast<double>(screenPpi) / printer.dpiY * m_zoomScale / 100.0;
    auto scaled = [&](int dots) { return static_cast<int>(std::lround(dots * preview.scale)); };
    preview.paperWidth = scaled(printer.pageWidth);
    preview.paperHeight = scaled(printer.pageHeight);
    preview.printableLeft = scaled(printer.offsetX);
    preview.printableTop = scaled(printer.offsetY);
    preview.printableWidth = scaled(printer.printableWidth);
    preview.printableHeight = scaled(printer.printableHeight);
    return preview;
}

} // namespace velmora
