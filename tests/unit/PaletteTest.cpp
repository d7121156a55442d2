// Palette ramps, channel rearrangement and JASC-PAL files.
#include <gtest/gtest.h>

#include "CVelora.h"
