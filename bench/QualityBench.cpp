#include "BenchSound.h"
#include "core/DecoderModel.h"
#include "core/Encoder.h"
#include "core/OptimalEncoder.h"
#include "core/QualityFigures.h"
#include "core/SettingComparison.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace ryx::bench {
namespace {

void optimalWithScheme(benchmark::State& run, std::int8_t algorithm) {
    auto state = makeLargestSound();
    const std::size_t count = kMaxSamples - 1;
    std::vector<std::uint8_t> bits(count);
    std::vector<std::uint16_t> voltages(count);
    const auto fineness = static_cast<std::int8_t>(run.range(0));
    for (auto _ : run) {
        encodeOptimal(std::span(state->origSamples).first(count), fineness, algorithm, bits, voltages);
        benchmark::DoNotOptimize(voltages.data());
    }
    run.counters["ns/sample"] = benchmark::Counter(
        static_cast<double>(count), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_OptimalOneBit(benchmark::State& run) { optimalWithScheme(run, kAlgorithmOneBit); }
void BM_OptimalOneAndHalfBit(benchmark::State& run) { optimalWithScheme(run, kAlgorithmOneAndHalfBit); }

// The four figures of one setting: greedy encode, replay and measure.
void BM_FiguresOneSetting(benchmark::State& run) {
    auto state = makeLargestSound();
    TrialEncoder trial(*state);
    for (auto _ : run) {
        benchmark::DoNotOptimize(trial.measure(kAlgorithmOneAndHalfBit, 16, EncoderChoice::greedy));
    }
}

void BM_CompareSettings(benchmark::State& run) {
    auto state = makeLargestSound();
    for (auto _ : run) benchmark::DoNotOptimize(compareSettings(*state, EncoderChoice::greedy));
}

void BM_ChooseFineness(benchmark::State& run) {
    auto state = makeLargestSound();
    for (auto _ : run) benchmark::DoNotOptimize(chooseFineness(*state, EncoderChoice::greedy));
}

BENCHMARK(BM_OptimalOneBit)->Arg(4)->Arg(16)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OptimalOneAndHalfBit)->Arg(4)->Arg(16)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FiguresOneSetting)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompareSettings)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChooseFineness)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ryx::bench
