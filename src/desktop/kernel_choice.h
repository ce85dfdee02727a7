#pragma once
// Which per-pixel kernels to run. The portable ones are plain C++ and 128-bit vector code that
// runs on any x86-64 (and the C++ on any other processor); the best ones add hand-written AVX2
// code where the processor has it. Both give the same bytes; the choice exists so that tests can
// hold one against the other on an AVX2 machine.

namespace vantaro::desktop {

enum class Kernels {
  kBest,
  kPortable,
};

// True when this processor runs the AVX2 kernels. Any thread.
bool UseAvx2Kernels(Kernels kernels);

}  // namespace vantaro::desktop
