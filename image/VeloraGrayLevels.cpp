// Gray-level operations: slicing, bit planes, gray bands, false colour, colour balance,
// the alpha channel and filling the bitmap.
#include "CVelora.h"
