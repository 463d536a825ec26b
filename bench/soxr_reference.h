#pragma once
// libsoxr on one thread, the reference the benchmarks measure the engine against: one whole
// interleaved signal per iteration, at its default high quality unless a recipe is given
// (SOXR_VHQ for the best-quality mode).

#include <benchmark/benchmark.h>
#include <soxr.h>

#include <cstddef>
#include <cstdint>

namespace zel::bench {

inline void TimeSoxrOneShot(benchmark::State& state, double inputRate, double outputRate,
                            unsigned channels, soxr_datatype_t type, const void* input,
                            std::size_t inputFrames, void* output, std::size_t outputFrames,
                            unsigned long recipe = SOXR_HQ) {
    const soxr_io_spec_t io = soxr_io_spec(type, type);
    const soxr_quality_spec_t quality = soxr_quality_spec(recipe, 0);
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    std::size_t done = 0;
    for (auto _ : state) {
        std::size_t used = 0;
        const soxr_error_t error =
            soxr_oneshot(inputRate, outputRate, channels, input, inputFrames, &used, output,
                         outputFrames, &done, &io, &quality, &runtime);
        if (error != nullptr) {
            state.SkipWithError(error);
            return;
        }
        benchmark::DoNotOptimize(output);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(done));
}

}  // namespace zel::bench
