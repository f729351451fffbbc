#pragma once
// Every file a run of ryxenc will write, decided and checked before anything
// is written: no output may be an input, and no two outputs one file. A run
// of --compare writes nothing and plans no output.

#include "cli/CommandLine.h"
#include "core/Result.h"
#include "io/AtomicFileWriter.h"

#include <string>
#include <vector>

namespace ryx::cli {

enum class OutputKind {
    assembler, binary, decodedWav, originalWav, picHex, picProgram, picInclude, cHeader,
    cPlayerHeader, cPlayerSource, cPlayerSounds, cPlayerMain,  // the files of --c-player
    memoryImage  // --image: the serial memory's bytes
};

struct PlannedOutput {
    OutputKind kind;
    OutputTarget target;
    std::string role;  // as messages name it: "--bin", or "assembler file of NAME"
};

struct PlannedInput {
    std::string name;  // "-" is the standard input
    std::vector<PlannedOutput> outputs;
};

struct OutputPlan {
    std::vector<PlannedInput> inputs;
};

// The default assembler file: beside the input, its extension replaced by
// .asm; for the standard input, the standard output.
OutputTarget defaultAssemblerTarget(const std::string& input);

// An input's name as messages show it.
std::string shownInputName(const std::string& input);

// Fails with why the run must not start.
Result<OutputPlan> planOutputs(const CommandLine& options);

}  // namespace ryx::cli
