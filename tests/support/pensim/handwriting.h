#pragma once

#include "pensimulator.h"

#include <cstddef>
#include <vector>

namespace pensim {

// A stored-stroke file as a pen fills it with handwriting, and the points it holds.
struct Handwriting
{
    Bytes upload;
    std::vector<Point> points;
};

// Lines of cursive words across A4 pages as the pen samples them: strokes of smoothly turning
// motion whose pressure rises and falls, a lifted point (pressure 0) after each, a jump to the
// next word, line or page. Encoded ten points at a time while the file stays within `maxBytes`.
// The same seed gives the same file.
Handwriting handwriting(std::size_t maxBytes, unsigned seed);

} // namespace pensim
