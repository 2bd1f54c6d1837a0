#include "core/print/page.h"

namespace velmora {

void Page::font(const std::string &family, int pointSize, bool bold)
{
    DrawOp op;
    op.kind = DrawOp::Kind::Font;
    op.family = family;
    op.pointSize = pointSize;
    op.bold = bold;
    ops.push_back(std::move(op));
}

void Page::pen(int width, PenStyle style)
{
    DrawOp op;
    op.kind = DrawOp::Kind::Pen;
    op.penWidth = width;
    op.penStyle = style;
    ops.push_back(std::move(op));
}

void Page::brush(std::optional<unsigned> colour, BrushStyle style)
{
    DrawOp op;
    op.kind = DrawOp::Kind::Brush;
    op.brushColour = colour;
    op.brushStyle = style;
    ops.push_back(std::move(op));
}

void Page::textOut(int x, int y, std::string cp932)
{
    DrawOp op;
    op.kind = DrawOp::Kind::Text;
    op.x = x;
    op.y = y;
    op.text = std::move(cp932);
    ops.push_back(std::move(op));
}

void Page::moveTo(int x, int y)
{
    DrawOp op;
    op.kind = DrawOp::Kind::MoveTo;
    op.x = x;
    op.y = y;
    ops.push_back(std::move(op));
}

void Page::lineTo(int x, int y)
{
    DrawOp op;
    op.kind = DrawOp::Kind::LineTo;
    op.x = x;
    op.y = y;
    ops.push_back(std::move(op));
}

void Page::line(int x1, int y1, int x2, int y2)
{
    moveTo(x1, y1);
    lineTo(x2, y2);
}

void Page::rectangle(int x1, int y1, int x2, int y2)
{
    DrawOp op;
    op.kind = DrawOp::Kind::Rectangle;
    op.x = x1;
    op.y = y1;
    op.x2 = x2;
    op.y2 = y2;
    ops.push_back(std::move(op));
}

} // namespace velmora
