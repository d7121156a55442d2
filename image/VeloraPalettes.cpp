// The colour table as a whole: channel ramps, channel rearrangement and JASC-PAL files.
#include "CVelora.h"
