// The colour table as a whole: ramps, channel rearrangement and palette files.
#include "Families.h"

namespace velora::catalog {

void AddPaletteOperations(std::vector<Operation>& all) {
    (void)all;
}

}  // namespace velora::catalog
