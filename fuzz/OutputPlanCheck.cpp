#include "OutputPlanCheck.h"

#include "FuzzRequire.h"

#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace ryx::fuzz {
namespace {

using Identity = std::optional<std::string>;

// The file a name stands for, by stat and realpath rather than the plan's
// own link walk: an existing regular file by its inode; a file yet to be
// made by its folder's real path and its name. None for what may be named
// twice (a folder, device or pipe) and for what no write could make (a
// missing folder); none for a dangling link either, which this check leaves
// to the plan's tests.
Identity identityOfName(const std::filesystem::path& name) {
    struct stat status {};
    if (::stat(name.c_str(), &status) == 0) {
        if (!S_ISREG(status.st_mode)) return std::nullopt;
        return "file " + std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino);
    }
    if (errno != ENOENT || ::lstat(name.c_str(), &status) == 0) return std::nullopt;
    const std::string last = name.filename().string();
    if (last.empty() || last == "." || last == "..") return std::nullopt;
    const std::filesystem::path folder = name.has_parent_path() ? name.parent_path() : ".";
    std::array<char, PATH_MAX> real{};
    if (::realpath(folder.c_str(), real.data()) == nullptr) return std::nullopt;
    return "new " + std::string(real.data()) + "/" + last;
}

Identity identityOfInput(const std::string& input) {
    if (input != "-") return identityOfName(input);
    struct stat status {};
    if (::fstat(STDIN_FILENO, &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
    return "file " + std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino);
}

Identity identityOfOutput(const OutputTarget& target) {
    if (target.isStandardOutput()) return "standard output";
    return identityOfName(target.path());
}

struct AskedOutput {
    cli::OutputKind kind;
    const std::string& name;
};

// The outputs an input gets, in the plan's order.
void checkOutputsOfInput(const cli::CommandLine& options, const cli::PlannedInput& planned) {
    const std::vector<cli::PlannedOutput>& outputs = planned.outputs;
    for (const cli::PlannedOutput& output : outputs) require(!output.role.empty());
    if (options.compare) {
        require(outputs.empty());
        return;
    }
    if (!options.namesAnOutput()) {
        require(outputs.size() == 1 && outputs[0].kind == cli::OutputKind::assembler);
        const OutputTarget& target = outputs[0].target;
        if (planned.name == "-") {
            require(target.isStandardOutput());
        } else {
            require(!target.isStandardOutput() && target.path().string().ends_with(".asm") &&
                    target.path().parent_path() == std::filesystem::path(planned.name).parent_path());
        }
        return;
    }
    const std::array<AskedOutput, 9> asked{{
        {cli::OutputKind::assembler, options.asmFile},
        {cli::OutputKind::binary, options.binFile},
        {cli::OutputKind::decodedWav, options.wavFile},
        {cli::OutputKind::originalWav, options.originalWavFile},
        {cli::OutputKind::picHex, options.hexFile},
        {cli::OutputKind::picProgram, options.programFile},
        {cli::OutputKind::picInclude, options.includeFile},
        {cli::OutputKind::memoryImage, options.imageFile},
        {cli::OutputKind::cHeader, options.cHeaderFile},
    }};
    std::size_t next = 0;
    for (const AskedOutput& output : asked) {
        if (output.name.empty()) continue;
        require(next < outputs.size() && outputs[next].kind == output.kind);
        const OutputTarget& target = outputs[next].target;
        require(output.name == "-" ? target.isStandardOutput()
                                   : target.isStandardOutput() || target.path() == output.name);
        ++next;
    }
    // --c-player: its files in its folder, after the others.
    for (; next < outputs.size() && !options.cPlayerFolder.empty(); ++next) {
        const cli::OutputKind kind = outputs[next].kind;
        require(kind == cli::OutputKind::cPlayerHeader || kind == cli::OutputKind::cPlayerSource ||
                kind == cli::OutputKind::cPlayerSounds || kind == cli::OutputKind::cPlayerMain);
        const std::filesystem::path& path = outputs[next].target.path();
        require(path == std::filesystem::path(options.cPlayerFolder) / path.filename());
    }
    require(next == outputs.size());
}

}  // namespace

void checkOutputPlan(const cli::CommandLine& options, const Result<cli::OutputPlan>& planned) {
    if (!planned) {
        require(!planned.error().empty());
        return;
    }
    const cli::OutputPlan& plan = *planned;
    // A bank's files hold every input: planned once, under the first.
    require(plan.inputs.size() == (options.bank ? std::size_t{1} : options.inputs.size()));
    for (std::size_t i = 0; i < plan.inputs.size(); ++i) {
        require(plan.inputs[i].name == options.inputs[i]);
        checkOutputsOfInput(options, plan.inputs[i]);
    }

    std::set<std::string> inputs;
    for (const std::string& input : options.inputs) {
        if (Identity identity = identityOfInput(input)) inputs.insert(std::move(*identity));
    }
    std::set<std::string> outputs;
    for (const cli::PlannedInput& input : plan.inputs) {
        for (const cli::PlannedOutput& output : input.outputs) {
            const Identity identity = identityOfOutput(output.target);
            if (!identity) continue;
            require(!inputs.contains(*identity));
            require(outputs.insert(*identity).second);
        }
    }
}

}  // namespace ryx::fuzz
