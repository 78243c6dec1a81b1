#pragma once

#include "platform/surface.h"

namespace kresbon {

// The drawing scaled so that its longer side is size pixels and the shorter
// keeps the proportion (at least one pixel), each pixel taking the nearest
// pixel of the drawing; same depth, so palette colours stay exact. An empty
// drawing gives an empty one.
Surface ScaleToFit(const Surface& drawing, int size);

// The drawing with each pixel enlarged to a factor x factor square, exactly;
// same depth. The caller keeps the result within the memory it allows.
Surface Enlarge(const Surface& drawing, int factor);

}  // namespace kresbon
