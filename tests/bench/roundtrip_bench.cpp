// One height's whole round trip, as Calculate after a change check does it:
// read, check, estimate, and write both estimates.
#include <benchmark/benchmark.h>

#include <string>

#include "core/estimate.h"
#include "core/number_text.h"

namespace {

void BM_HeightRoundTrip(benchmark::State& state) {
    const std::string heights[] = {"175", "160.5", "1e2", "399.99", "105.00001"};
    std::size_t i = 0;
    for (auto _ : state) {
        const std::string& text = heights[i++ % std::size(heights)];
        tavrimo::Measure h = tavrimo::TextToMeasure(text);
        bool accepted = tavrimo::IsHeightAccepted(h);
        tavrimo::Measure length = tavrimo::EstimateLength(h);
        std::string lengthText = tavrimo::MeasureToText(length);
        std::string diameterText = tavrimo::MeasureToText(tavrimo::EstimateDiameter(length));
        benchmark::DoNotOptimize(accepted);
        benchmark::DoNotOptimize(lengthText);
        benchmark::DoNotOptimize(diameterText);
    }
}
BENCHMARK(BM_HeightRoundTrip);

}  // namespace

BENCHMARK_MAIN();
