#pragma once
// Which build of the per-pixel kernels to run. The portable build runs on any x86-64 (and any
// other processor); the best build uses AVX2 where the processor has it. Both give the same
// bytes; the choice exists so that tests can hold one against the other on an AVX2 machine.

namespace vantaro::desktop {

enum class Kernels {
  kBest,
  kPortable,
};

// True when this processor runs the AVX2 kernels. Any thread.
bool UseAvx2Kernels(Kernels kernels);

}  // namespace vantaro::desktop
