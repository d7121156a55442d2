// Vector code for a target the build itself does not assume (internal to the library).
// VELORA_X86 is 1 where GCC-compatible compilers build for x86-64; there VELORA_AVX2 compiles
// one function for AVX2 and FMA, which runs only where HasAvx2() says the processor has both
// (every processor with AVX2 that the library meets has FMA). VELORA_SCALAR builds x86-64 as
// any other processor (the scalar preset, which checks that build). The build does not
// contract multiplies and adds, so fused operations appear only where the code names them.
// Lambdas inside such a function are not compiled for the target: use functions or function
// objects.
#pragma once

#if defined(__GNUC__) && defined(__x86_64__) && !defined(VELORA_SCALAR)
#define VELORA_X86 1
#include <immintrin.h>
#define VELORA_AVX2 __attribute__((target("avx2,fma")))
#endif
