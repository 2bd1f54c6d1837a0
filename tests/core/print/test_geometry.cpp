#include "core/print/geometry.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

/** A 600-dpi printer with an A4 sheet and 4.2 mm unprintable margins. */
PrinterMetrics Printer600()
{
    PrinterMetrics printer;
    printer.dpiX = 600;
    printer.dpiY = 600;
    printer.pageWidth = 4960;
    printer.pageHeight = 7016;
    printer.offsetX = 100;
    printer.offsetY = 100;
    printer.printableWidth = 4760;
    printer.printableHeight = 6816;
    return printer;
}

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour)
{
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(-1.5), -2);
    EXPECT_EQ(RoundHalfEven(2.5000001), 3);
}

TEST(PageGeometry, ZoomAcceptsOnlyNewValuesFrom25To200)
{
    PageGeometry geometry;
    EXPECT_EQ(geometry.ZoomScale(), 25);
    EXPECT_FALSE(geometry.SetZoomScale(25)) << "the current value changes nothing";
    EXPECT_FALSE(geometry.SetZoomScale(24));
    EXPECT_FALSE(geometry.SetZoomScale(201));
    EXPECT_EQ(geometry.ZoomScale(), 25);

    EXPECT_TRUE(geometry.SetZoomScale(200));
    EXPECT_EQ(geometry.ZoomScale(), 200);
    EXPECT_FALSE(geometry.SetZoomScale(200));
    EXPECT_TRUE(geometry.SetZoomScale(25));
    EXPECT_EQ(geometry.ZoomScale(), 25);
    EXPECT_TRUE(geometry.SetZoomScale(75));
    EXPECT_EQ(geometry.ZoomScale(), 75);
}

TEST(PageGeometry, PageUnitsToPrinterDots)
{
    const PrinterMetrics printer = Printer600();
    PageGeometry geometry;
    EXPECT_EQ(geometry.ToDeviceX(200, printer), 472); // 472.44
    EXPECT_EQ(geometry.ToDeviceY(200, printer), 472);
    EXPECT_EQ(geometry.ToDeviceX(0, printer), 0);
    EXPECT_EQ(geometry.ToDeviceX(254, printer), 600) << "25.4 mm is one inch";
    EXPECT_EQ(geometry.ToDeviceY(1700, printer), 4016); // 4015.7

    geometry.units = PageUnits::Millimetres;
    EXPECT_EQ(geometry.ToDeviceX(200, printer), 4724); // 4724.4
    EXPECT_EQ(geometry.ToDeviceY(200, printer), 4724);
    EXPECT_EQ(geometry.ToDeviceX(127, printer), 3000);
}

TEST(PageGeometry, EachAxisUsesItsOwnResolutionAndHalvesGoToEven)
{
    PrinterMetrics printer = Printer600();
    printer.dpiX = 127; // one page unit is half a dot
    const PageGeometry geometry;
    EXPECT_EQ(geometry.ToDeviceX(1, printer), 0);
    EXPECT_EQ(geometry.ToDeviceX(3, printer), 2);
    EXPECT_EQ(geometry.ToDeviceX(5, printer), 2);
    EXPECT_EQ(geometry.ToDeviceY(254, printer), 600);
}

TEST(PageGeometry, MarginsShiftTheirOwnAxisOnly)
{
    const PrinterMetrics printer = Printer600();
    PageGeometry plain;
    PageGeometry shifted;
    shifted.MarginLeft = 100; // 10 mm in tenths of a millimetre
    for (int x : {0, 200, 1580, 1700}) {
        EXPECT_EQ(shifted.ToDeviceX(x, printer), plain.ToDeviceX(x + 100, printer)) << x;
        EXPECT_EQ(shifted.ToDeviceY(x, printer), plain.ToDeviceY(x, printer)) << x;
    }
    EXPECT_EQ(shifted.ToDeviceX(0, printer), 236); // 10 mm at 600 dpi: 236.2 dots

    shifted.MarginLeft = 0;
    shifted.MarginTop = 100;
    EXPECT_EQ(shifted.ToDeviceY(200, printer), plain.ToDeviceY(300, printer));
    EXPECT_EQ(shifted.ToDeviceX(200, printer), 472);

    // In millimetre units the margin is millimetres too.
    shifted.units = PageUnits::Millimetres;
    shifted.MarginTop = 10;
    EXPECT_EQ(shifted.ToDeviceY(0, printer), 236);
}

TEST(PageGeometry, PenWidthInPrinterDots)
{
    const PrinterMetrics printer = Printer600();
    EXPECT_EQ(PageGeometry::PenWidth(1, printer), 1);   // 0.625
    EXPECT_EQ(PageGeometry::PenWidth(0, printer), 1);   // at least one dot
    EXPECT_EQ(PageGeometry::PenWidth(5, printer), 3);   // 3.125
    EXPECT_EQ(PageGeometry::PenWidth(10, printer), 6);  // 6.25
    EXPECT_EQ(PageGeometry::PenWidth(12, printer), 8);  // 7.5
    EXPECT_EQ(PageGeometry::PenWidth(20, printer), 12); // 12.5, the half to the even neighbour

    // The vertical resolution decides; the screen's tenths of a pixel are the unit.
    PrinterMetrics wide = printer;
    wide.dpiX = 1200;
    EXPECT_EQ(PageGeometry::PenWidth(10, wide), 6);
    EXPECT_EQ(PageGeometry::PenWidth(10, printer, 120), 5);
    wide.dpiY = 96;
    EXPECT_EQ(PageGeometry::PenWidth(10, wide), 1);
    EXPECT_EQ(PageGeometry::PenWidth(20, wide), 2);
}

TEST(PageGeometry, MeasurePageScalesTheSheetToTheZoom)
{
    const PrinterMetrics printer = Printer600();
    PageGeometry geometry;
    ASSERT_TRUE(geometry.SetZoomScale(50));
    const PreviewGeometry preview = geometry.MeasurePage(printer);
    EXPECT_DOUBLE_EQ(preview.scale, 96.0 / 600 * 0.5);
    EXPECT_EQ(preview.paperWidth, 397);  // 396.8
    EXPECT_EQ(preview.paperHeight, 561); // 561.28
    EXPECT_EQ(preview.printableLeft, 8);
    EXPECT_EQ(preview.printableTop, 8);
    EXPECT_EQ(preview.printableWidth, 381);  // 380.8
    EXPECT_EQ(preview.printableHeight, 545); // 545.28

    // The vertical resolution serves both axes.
    PrinterMetrics uneven = printer;
    uneven.dpiX = 300;
    EXPECT_EQ(geometry.MeasurePage(uneven).paperWidth, 397);

    ASSERT_TRUE(geometry.SetZoomScale(100));
    EXPECT_EQ(geometry.MeasurePage(printer).paperWidth, 794); // 793.6
    EXPECT_EQ(geometry.MeasurePage(printer, 192).paperWidth, 1587);
}

} // namespace
} // namespace velmora
