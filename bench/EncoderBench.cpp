#include "BenchSound.h"
#include "core/Encoder.h"

#include <benchmark/benchmark.h>

namespace ryx::bench {
namespace {

void encodeWithScheme(benchmark::State& run, std::int8_t algorithm) {
    auto state = makeLargestSound();
    state->encoder.algorithmType = algorithm;
    state->encoder.fineness = static_cast<std::int8_t>(run.range(0));
    for (auto _ : run) {
        encodeSamples(*state);
        benchmark::DoNotOptimize(state->decodedSamples.data());
    }
    run.counters["ns/sample"] = benchmark::Counter(
        static_cast<double>(kMaxSamples), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_EncodeOneBit(benchmark::State& run) { encodeWithScheme(run, kAlgorithmOneBit); }
void BM_EncodeOneAndHalfBit(benchmark::State& run) { encodeWithScheme(run, kAlgorithmOneAndHalfBit); }

void BM_SmoothDecoded(benchmark::State& run) {
    auto state = makeLargestSound();
    encodeSamples(*state);
    for (auto _ : run) {
        smoothDecoded(*state);
        benchmark::DoNotOptimize(state->smoothedSamples.data());
    }
    run.counters["ns/sample"] = benchmark::Counter(
        static_cast<double>(kMaxSamples), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_EncodeSoundWhole(benchmark::State& run) {
    auto state = makeLargestSound();
    for (auto _ : run) encodeSound(*state);
}

BENCHMARK(BM_EncodeOneBit)->Arg(4)->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EncodeOneAndHalfBit)->Arg(4)->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SmoothDecoded)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EncodeSoundWhole)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace ryx::bench
