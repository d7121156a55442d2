// The library's one gate for hand-written vector code (internal to the library).
//
// Compiled: VELORA_X86 is 1 where GCC-compatible compilers build for x86-64, and there every
// vector path is compiled: SSE2 code as it is (every x86-64 processor has SSE2), a function
// marked VELORA_SSSE3 for SSSE3, one marked VELORA_AVX2 for AVX2 and FMA (every processor with
// AVX2 that the library meets has FMA). VELORA_SCALAR builds x86-64 as any other processor,
// without any of them (the scalar preset, which checks that build).
//
// Run: a path runs only where its switch says so: HasSse2(), HasSsse3(), HasAvx2(), each asked
// once and kept. VELORA_NO_VECTORS=1 in the environment turns every one off, so that the tests
// can run the plain code on any machine; VELORA_NO_AVX2=1 turns off AVX2 alone. Ask a switch
// once per call or per row, never per pixel; every path gives the plain code's bytes.
//
// The build does not contract multiplies and adds, so fused operations appear only where the
// code names them. Lambdas inside a target function are not compiled for the target: use
// functions or function objects.
#pragma once

#include <cstdlib>

#if defined(__GNUC__) && defined(__x86_64__) && !defined(VELORA_SCALAR)
#define VELORA_X86 1
#include <immintrin.h>
#define VELORA_SSSE3 __attribute__((target("ssse3")))
#define VELORA_AVX2 __attribute__((target("avx2,fma")))
#endif

namespace velora::detail {

struct VectorSwitches {
    bool sse2 = false, ssse3 = false, avx2 = false;
};

// Whether an environment variable asks for something: set, and neither empty nor "0".
inline bool EnvironmentAsks(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0' && !(value[0] == '0' && value[1] == '\0');
}

inline const VectorSwitches& Vectors() {
    static const VectorSwitches switches = [] {
        VectorSwitches s;
#if VELORA_X86
        if (EnvironmentAsks("VELORA_NO_VECTORS")) return s;
        s.sse2 = true;
        s.ssse3 = __builtin_cpu_supports("ssse3");
        s.avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma") && !EnvironmentAsks("VELORA_NO_AVX2");
#endif
        return s;
    }();
    return switches;
}

inline bool HasSse2() { return Vectors().sse2; }
inline bool HasSsse3() { return Vectors().ssse3; }
inline bool HasAvx2() { return Vectors().avx2; }

}  // namespace velora::detail
