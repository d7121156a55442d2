// Gray-level operations: slicing, bit planes, bands, false colour, balance, alpha, fill.
#include <gtest/gtest.h>

#include "CVelora.h"
