#include "BenchSound.h"
#include "core/CircuitParts.h"
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

// The same through the circuit model (E12 parts, a 10 kOhm load), greedy or optimal.
void encodeThroughCircuit(benchmark::State& run, EncoderChoice choice) {
    auto state = makeLargestSound();
    state->filterModel = FilterModelChoice::circuit;
    state->circuitParts.resistors.series = ResistorSeries::e12;
    state->circuitParts.loadOhms = 10000;
    state->encoderChoice = choice;
    state->encoder.algorithmType = static_cast<std::int8_t>(run.range(0));
    for (auto _ : run) encodeSound(*state);
}

void BM_EncodeSoundCircuitGreedy(benchmark::State& run) { encodeThroughCircuit(run, EncoderChoice::greedy); }
void BM_EncodeSoundCircuitOptimal(benchmark::State& run) { encodeThroughCircuit(run, EncoderChoice::optimal); }

BENCHMARK(BM_EncodeOneBit)->Arg(4)->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EncodeOneAndHalfBit)->Arg(4)->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SmoothDecoded)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EncodeSoundWhole)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EncodeSoundCircuitGreedy)->Arg(kAlgorithmOneBit)->Arg(kAlgorithmOneAndHalfBit)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EncodeSoundCircuitOptimal)->Arg(kAlgorithmOneBit)->Arg(kAlgorithmOneAndHalfBit)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ryx::bench
