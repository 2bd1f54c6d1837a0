#include "core/report/confidencegraph.h"

namespace velmora {

std::vector<GraphPoint> ConfidenceGraphPoints(const Prediction &prediction, int raceCount)
{
    std::vector<GraphPoint> points = {{0, 2, "B"}};
    for (int r = 1; r <= raceCount; ++r) {
        const Grade grade = prediction.races[r].grade;
        points.push_back({r, grade == Grade::A ? 3 : grade == Grade::B ? 2 : 1, GradeText(grade)});
    }
    return points;
}

} // namespace velmora
