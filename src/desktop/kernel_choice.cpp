#include "desktop/kernel_choice.h"

namespace vantaro::desktop {

bool UseAvx2Kernels(Kernels kernels) {
  if (kernels == Kernels::kPortable) return false;
#if defined(__x86_64__) && defined(__GNUC__)
  static const bool kHaveAvx2 = __builtin_cpu_supports("avx2");
  return kHaveAvx2;
#else
  return false;
#endif
}

}  // namespace vantaro::desktop
