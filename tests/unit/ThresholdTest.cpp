// Global and local thresholds, the optimal threshold and its methods.
#include <gtest/gtest.h>

#include "CVelora.h"
