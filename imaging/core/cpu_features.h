// Which instruction-set paths may run, decided once per process. SSE2 is
// the x86_64 baseline; the i686 DLL is built without SSE and takes its SSE2
// paths only when CPUID reports SSE2, so it stays correct on older CPUs.
#pragma once

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

// True when the SSE2 paths may run: on x86_64 always, on i686 when the CPU
// has SSE2, and never while the plain paths are forced.
bool CpuHasSse2();

// Tests run the plain paths on the same input as the SIMD ones.
void ForcePlainPaths(bool plain);
