#include "shell/run/host_values.h"

namespace kresbon {

bool FixedHost::layerShown(int layer) const
{
    return layer >= 1 && layer <= 9 && v_.layers[static_cast<std::size_t>(layer)] == 1;
}

}  // namespace kresbon
