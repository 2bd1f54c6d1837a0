#pragma once

#include "core/engine/prediction.h"

#include <string>
#include <vector>

namespace velmora {

/** One bar of the confidence graph: its position, height and label (CP932). */
struct GraphPoint
{
    int position;
    int value;
    std::string label;
};

/**
 * The bars of the confidence graph: a first point of height 2 labelled "B" at
 * position 0 (left of the axis, so that "B" is among the axis labels whatever
 * the day's grades), then race r at position r: 3 for "A", 2 for "B", 1 otherwise.
 */
std::vector<GraphPoint> ConfidenceGraphPoints(const Prediction &prediction, int raceCount);

} // namespace velmora
