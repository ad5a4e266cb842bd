#include "core/estimate.h"

namespace tavrimo {

const float PI = 3.14159274101257324f;

bool IsHeightAccepted(Measure h) {
    if (h > MaxHeight) return false;
    if (h <= 0) return false;
    return true;
}

Measure EstimateLength(Measure h) {
    double t1 = static_cast<double>(h) - BaseHeight;
    double t2 = t1 * LengthRatio;
    double t3 = t2 / static_cast<double>(PI);
    return static_cast<Measure>(t3);
}

Measure EstimateDiameter(Measure length) {
    double t4 = static_cast<double>(length) / static_cast<double>(PI);
    return static_cast<Measure>(t4);
}

}  // namespace tavrimo
