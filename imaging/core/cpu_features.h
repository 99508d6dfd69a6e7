// Which instruction-set paths may run, decided once per process. SSE2 is
// the x86_64 baseline; the i686 DLL is built without SSE and takes its SSE2
// paths only when CPUID reports SSE2, so it stays correct on older CPUs.
// AVX2 paths are built for x86_64 outside Windows only: GCC's Windows
// targets keep the stack 16-byte aligned, so a spilled 32-byte vector
// would fault there.
#pragma once

#include <atomic>

#if defined(__x86_64__) || defined(__i386__)
#define VOLKG_SSE2_PATHS 1
// A function that uses SSE2 intrinsics in a build whose baseline may lack
// them. Entry points called from plain code also realign the stack: the
// 32-bit Windows ABI promises only 4 bytes, spilled vectors need 16.
#if defined(__i386__)
#define VOLKG_SSE2 __attribute__((target("sse2")))
#define VOLKG_SSE2_ENTRY __attribute__((target("sse2"), force_align_arg_pointer))
#else
#define VOLKG_SSE2 __attribute__((target("sse2")))
#define VOLKG_SSE2_ENTRY __attribute__((target("sse2")))
#endif
#else
#define VOLKG_SSE2_PATHS 0
#endif

#if defined(__x86_64__) && !defined(_WIN32)
#define VOLKG_AVX2_PATHS 1
#define VOLKG_AVX2 __attribute__((target("avx2")))
#else
#define VOLKG_AVX2_PATHS 0
#endif

// The widest paths that may run, in order.
enum class CpuPaths : int { Plain, Sse2, Avx2 };

namespace cpu_detail {
// The paths in use, -1 until the first question finds them.
extern std::atomic<int> usable;
int DetectPaths();
}  // namespace cpu_detail

// Inline: the JPEG decoder asks for every block.
inline CpuPaths CurrentCpuPaths() {
    const int paths = cpu_detail::usable.load(std::memory_order_relaxed);
    return static_cast<CpuPaths>(paths >= 0 ? paths : cpu_detail::DetectPaths());
}

// True when the SSE2 paths may run: on x86_64 always, on i686 when the CPU
// has SSE2, and never while narrower paths are forced.
inline bool CpuHasSse2() { return CurrentCpuPaths() >= CpuPaths::Sse2; }

// True when the AVX2 paths are built and the CPU and the system run them.
inline bool CpuHasAvx2() { return CurrentCpuPaths() >= CpuPaths::Avx2; }

// Tests run the plain and the narrower paths on the same input as the
// widest: no path wider than widest runs until this is called with Avx2.
void ForceCpuPaths(CpuPaths widest);
inline void ForcePlainPaths(bool plain) { ForceCpuPaths(plain ? CpuPaths::Plain : CpuPaths::Avx2); }
