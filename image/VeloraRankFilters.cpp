// Window filters of the predefined list: median, maximum, minimum, midpoint, max-min
// enhancement, geometric and harmonic means.
#include "CVelora.h"
