#pragma once

#include "core/engine/prediction.h"

#include <QDialog>

namespace velmora::gui {

/**
 * The confidence graph "グラフ": one red bar per race, 3 for grade "A", 2 for
 * "B", 1 otherwise, each labelled with its grade. Created for each command.
 */
class ConfidenceGraphWindow : public QDialog
{
    Q_OBJECT

  public:
    ConfidenceGraphWindow(const Prediction &prediction, int raceCount, QWidget *parent = nullptr);
};

} // namespace velmora::gui
