// Thresholds: global, locally adaptive, and the optimal threshold with its methods.
#include "CVelora.h"
