#pragma once

namespace velmora {

/** The units of a page's coordinates: tenths of a millimetre (the default) or millimetres. */
enum class PageUnits
{
    TenthsOfMillimetre,
    Millimetres
};

/** What a printer reports of itself, in printer dots. */
struct PrinterMetrics
{
    int dpiX = 600;
    int dpiY = 600;
    int pageWidth = 0; ///< the physical sheet
    int pageHeight = 0;
    int offsetX = 0; ///< the unprintable margin left of the printable area
    int offsetY = 0;
    int printableWidth = 0;
    int printableHeight = 0;
};

/** The sheet and its printable area on screen at the current zoom, in screen pixels. */
struct PreviewGeometry
{
    double scale = 0; ///< screen pixels per printer dot
    int paperWidth = 0;
    int paperHeight = 0;
    int printableLeft = 0;
    int printableTop = 0;
    int printableWidth = 0;
    int printableHeight = 0;
};

/** Rounds to the nearest integer, halves to the even neighbour. */
int RoundHalfEven(double value);

/**
 * The geometry of the page preview: page units to printer dots, line widths,
 * the zoom and the sheet on screen. Printer dots are relative to the printable
 * area's top-left corner.
 */
class PageGeometry
{
  public:
    PageUnits units = PageUnits::TenthsOfMillimetre;
    int MarginLeft = 0; ///< page units added to every x
    int MarginTop = 0;  ///< page units added to every y

    int ZoomScale() const { return m_zoomScale; }
    /** Sets the zoom in percent when it differs and lies in 25..200; returns whether it changed. */
    bool SetZoomScale(int percent);

    int ToDeviceX(int x, const PrinterMetrics &printer) const;
    int ToDeviceY(int y, const PrinterMetrics &printer) const;

    /** A line width given in tenths of a screen pixel, in printer dots, at least 1. */
    static int PenWidth(int width, const PrinterMetrics &printer, int screenPpi = 96);

    /** The sheet and printable area on a screen of `screenPpi` at the current zoom. */
    PreviewGeometry MeasurePage(const PrinterMetrics &printer, int screenPpi = 96) const;

  private:
    int m_zoomScale = 25;
};

} // namespace velmora
