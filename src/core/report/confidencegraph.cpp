#include "core/report/confidencegraph.h"

namespace velmora {

std::vector<GraphPoint> ConfidenceGraphPoints(const Prediction &prediction, int raceCount)
{
    std::vector<GraphPoint> points = {{0, 2, "B"}};
    for (int r = 1; r <= raceCount; ++r) {
        const std::string &grade = prediction.ConfidenceGrade[static_cast<size_t>(r)];
        points.push_back({r, grade == "A" ? 3 : grade == "B" ? 2 : 1, grade});
    }
    return points;
}

} // namespace velmora
