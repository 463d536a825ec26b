#pragma once
// KISS FFT (Debian's build: single precision only) timed as ZEL's transforms are: a forward
// and an inverse complex transform of `size` points per round, in points per second.

#include <benchmark/benchmark.h>

#include <cstdint>

namespace zel::bench {

void RunKissFftTransforms(benchmark::State& state, std::int64_t size);

}  // namespace zel::bench
