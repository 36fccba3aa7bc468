#include "scl/cpu/Processor.h"

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#include <cpuid.h>
#define SUMTIDE_PROCESSOR_X86 1
#endif

namespace Sumtide::Processor {

#ifdef SUMTIDE_PROCESSOR_X86

namespace {

// The compiler's own check knows no SHA extensions in every version: CPUID is asked, once (it is
// slow, and slower still where a hypervisor traps it). The operating system needs no check:
// every x86-64 system saves the xmm registers on a task switch.
bool HasShaExtensions() {
  static const bool Has = [] {
    unsigned A = 0, B = 0, C = 0, D = 0;
    return __get_cpuid_count(7, 0, &A, &B, &C, &D) && (B & bit_SHA) != 0;
  }();
  return Has;
}

} // namespace

// The compiler's checks also ask whether the system saves the AVX and AVX-512 registers.
bool Has(TFeature Feature) {
  __builtin_cpu_init();
  switch (Feature) {
  case TFeature::Ssse3:
    return __builtin_cpu_supports("ssse3");
  case TFeature::Sse41:
    return __builtin_cpu_supports("sse4.1");
  case TFeature::Sha:
    return HasShaExtensions();
  case TFeature::Avx2:
    return __builtin_cpu_supports("avx2");
  case TFeature::Bmi1:
    return __builtin_cpu_supports("bmi");
  case TFeature::Bmi2:
    return __builtin_cpu_supports("bmi2");
  case TFeature::Avx512F:
    return __builtin_cpu_supports("avx512f");
  case TFeature::Avx512Vl:
    return __builtin_cpu_supports("avx512vl");
  case TFeature::Avx512Bw:
    return __builtin_cpu_supports("avx512bw");
  case TFeature::Avx512Vbmi:
    return __builtin_cpu_supports("avx512vbmi");
  }
  return false;
}

#else

bool Has(TFeature) {
  return false;
}

#endif

} // namespace Sumtide::Processor
