#pragma once

#include <optional>
#include <string>
#include <vector>

namespace velmora {

enum class PenStyle
{
    Solid,
    Dotted
};

enum class BrushStyle
{
    Solid,
    Clear
};

/** One drawing operation of a printed page. Coordinates are page units (see PageGeometry). */
struct DrawOp
{
    enum class Kind
    {
        Font,      ///< family (UTF-8), pointSize, bold
        Pen,       ///< penWidth (a PenWidth argument: tenths of a screen pixel), penStyle
        Brush,     ///< brushColour (RGB, when set), brushStyle
        Text,      ///< x, y: top-left corner; text (CP932)
        MoveTo,    ///< x, y
        LineTo,    ///< x, y
        Rectangle, ///< x, y, x2, y2: two corners; outlined with the pen, filled with the brush
    };

    Kind kind = Kind::Text;
    int x = 0;
    int y = 0;
    int x2 = 0;
    int y2 = 0;
    std::string text;
    std::string family;
    int pointSize = 0;
    bool bold = false;
    int penWidth = 0;
    PenStyle penStyle = PenStyle::Solid;
    std::optional<unsigned> brushColour;
    BrushStyle brushStyle = BrushStyle::Solid;

    bool operator==(const DrawOp &) const = default;
};

/**
 * A printed page as a display list: what the drawing code did, in order, in page
 * units. The preview replays it scaled on screen, the printer unscaled at its
 * resolution; tests read the operations.
 */
struct Page
{
    std::string caption; ///< the caption of the preview window (UTF-8)
    std::vector<DrawOp> ops;

    void font(const std::string &family, int pointSize, bool bold);
    void pen(int width, PenStyle style = PenStyle::Solid);
    void brush(std::optional<unsigned> colour, BrushStyle style);
    void textOut(int x, int y, std::string cp932);
    void moveTo(int x, int y);
    void lineTo(int x, int y);
    void line(int x1, int y1, int x2, int y2);
    void rectangle(int x1, int y1, int x2, int y2);
};

} // namespace velmora
