#include "bench/kissfft_transforms.h"

#include <kissfft/kiss_fft.h>

#include <cmath>
#include <memory>
#include <vector>

namespace zel::bench {

void RunKissFftTransforms(benchmark::State& state, std::int64_t size) {
    const int n = static_cast<int>(size);
    const std::unique_ptr<kiss_fft_state, decltype(&kiss_fft_free)> forward(
        kiss_fft_alloc(n, 0, nullptr, nullptr), kiss_fft_free);
    const std::unique_ptr<kiss_fft_state, decltype(&kiss_fft_free)> inverse(
        kiss_fft_alloc(n, 1, nullptr, nullptr), kiss_fft_free);
    if (!forward || !inverse) {
        state.SkipWithError("kiss_fft_alloc failed");
        return;
    }
    std::vector<kiss_fft_cpx> signal(static_cast<std::size_t>(n)), spectrum(signal.size());
    for (std::size_t k = 0; k < signal.size(); ++k)
        signal[k] = {static_cast<float>(std::sin(0.001 * static_cast<double>(k))),
                     static_cast<float>(std::cos(0.003 * static_cast<double>(k)))};
    const float scale = 1.0f / static_cast<float>(n);
    for (auto _ : state) {
        kiss_fft(forward.get(), signal.data(), spectrum.data());
        kiss_fft(inverse.get(), spectrum.data(), signal.data());
        // Keeps the values finite over any number of rounds, as ZEL's rows do.
        for (kiss_fft_cpx& v : signal) {
            v.r *= scale;
            v.i *= scale;
        }
        benchmark::DoNotOptimize(signal.data());
    }
    state.SetItemsProcessed(state.iterations() * size);
}

}  // namespace zel::bench
