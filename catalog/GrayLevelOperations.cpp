// Levels, bit planes and channels: slicing, bit planes, gray bands, false colour,
// colour balance, the alpha channel and filling the bitmap.
#include "Families.h"

namespace velora::catalog {

void AddGrayLevelOperations(std::vector<Operation>& all) {
    (void)all;
}

}  // namespace velora::catalog
