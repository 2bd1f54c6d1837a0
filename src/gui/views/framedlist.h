#pragma once

#include <QListWidget>

namespace velmora::gui {

/**
 * A list box with a plain one-pixel frame drawn on whole device pixels: at a fractional
 * scale the style's frame falls between device pixels and loses its bottom or right edge
 * where the list ends on half a pixel.
 */
class FramedList : public QListWidget
{
  public:
    explicit FramedList(QWidget *parent = nullptr);

  protected:
    bool event(QEvent *event) override;
};

} // namespace velmora::gui
