#include "core/cpu_features.h"

#include <algorithm>

#if defined(__i386__) || VOLKG_AVX2_PATHS
#include <cpuid.h>
#endif

namespace {

CpuPaths DetectHardware() {
#if defined(__x86_64__)
#if VOLKG_AVX2_PATHS
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    // AVX2 wants the CPU's flag and the system saving the YMM registers
    // (OSXSAVE, then XCR0's SSE and AVX state bits).
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) && (ecx & bit_OSXSAVE) && (ecx & bit_AVX)) {
        unsigned xcr0 = 0, xcr0High = 0;
        __asm__("xgetbv" : "=a"(xcr0), "=d"(xcr0High) : "c"(0));
        if ((xcr0 & 6) == 6 && __get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) && (ebx & bit_AVX2))
            return CpuPaths::Avx2;
    }
#endif
    return CpuPaths::Sse2;
#elif defined(__i386__)
    // __get_cpuid answers false on a CPU without the CPUID instruction.
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    return __get_cpuid(1, &eax, &ebx, &ecx, &edx) && (edx & bit_SSE2) != 0 ? CpuPaths::Sse2 : CpuPaths::Plain;
#else
    return CpuPaths::Plain;
#endif
}

CpuPaths Hardware() {
    static const CpuPaths hardware = DetectHardware();
    return hardware;
}

std::atomic<int> widestAllowed{static_cast<int>(CpuPaths::Avx2)};

}  // namespace

namespace cpu_detail {

std::atomic<int> usable{-1};

int DetectPaths() {
    const int paths = std::min(static_cast<int>(Hardware()), widestAllowed.load(std::memory_order_relaxed));
    usable.store(paths, std::memory_order_relaxed);
    return paths;
}

}  // namespace cpu_detail

void ForceCpuPaths(CpuPaths widest) {
    widestAllowed.store(static_cast<int>(widest), std::memory_order_relaxed);
    cpu_detail::DetectPaths();
}
