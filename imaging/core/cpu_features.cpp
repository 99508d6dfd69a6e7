#include "core/cpu_features.h"

#include <atomic>

#if defined(__i386__)
#include <cpuid.h>
#endif

namespace {

bool DetectSse2() {
#if defined(__x86_64__)
    return true;
#elif defined(__i386__)
    // __get_cpuid answers false on a CPU without the CPUID instruction.
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    return __get_cpuid(1, &eax, &ebx, &ecx, &edx) && (edx & bit_SSE2) != 0;
#else
    return false;
#endif
}

std::atomic<bool> plainForced{false};

}  // namespace

bool CpuHasSse2() {
    static const bool sse2 = DetectSse2();
    return sse2 && !plainForced.load(std::memory_order_relaxed);
}

void ForcePlainPaths(bool plain) { plainForced.store(plain, std::memory_order_relaxed); }
