#include "BenchSound.h"
#include "cli/OutputPlan.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>

namespace ryx::bench {
namespace {

constexpr int kManyInputs = 8000;

// A batch run over a folder of sounds: each input gets its assembler file
// beside it, and every one of those is checked against every input and output.
void BM_PlanOutputsOfManyInputs(benchmark::State& run) {
    BenchFolder folder;
    cli::CommandLine options;
    for (int i = 1; i <= kManyInputs; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "n%06d.wav", i);
        const auto path = folder.path() / name;
        std::ofstream(path) << 'x';
        options.inputs.push_back(path.string());
    }
    for (auto _ : run) {
        const Result<cli::OutputPlan> plan = cli::planOutputs(options);
        if (!plan) run.SkipWithError(plan.error().c_str());
        benchmark::DoNotOptimize(plan->inputs.data());
    }
}

BENCHMARK(BM_PlanOutputsOfManyInputs)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ryx::bench
