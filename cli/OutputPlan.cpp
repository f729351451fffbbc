#include "cli/OutputPlan.h"

#include "core/DisplayName.h"
#include "core/LinkResolution.h"

#include <cstring>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace ryx::cli {
namespace {

// What a name comes to on disk: its file (when it exists and is a regular
// file) and its path with every link resolved.
struct Identity {
    bool isFile = false;
    dev_t device = 0;
    ino_t inode = 0;
    std::filesystem::path resolved;  // empty for the standard streams
    bool special = false;            // a pipe, device or folder: may be named twice
};

void takeStatus(Identity& identity, const struct stat& status) {
    identity.special = !S_ISREG(status.st_mode);
    identity.isFile = S_ISREG(status.st_mode);
    identity.device = status.st_dev;
    identity.inode = status.st_ino;
}

std::filesystem::path resolvedPath(const std::filesystem::path& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(absolute, error);
    return error ? absolute.lexically_normal() : resolved;
}

Identity inputIdentity(const std::string& input) {
    Identity identity;
    struct stat status {};
    if (input == "-") {
        if (::fstat(STDIN_FILENO, &status) == 0) takeStatus(identity, status);
        return identity;
    }
    if (::stat(input.c_str(), &status) == 0) takeStatus(identity, status);
    identity.resolved = resolvedPath(input);
    return identity;
}

// An output's identity, or the system's reason why its name cannot be followed.
std::optional<Identity> outputIdentity(const OutputTarget& target, std::string& failure) {
    Identity identity;
    struct stat status {};
    if (target.isStandardOutput()) {
        if (::fstat(STDOUT_FILENO, &status) == 0) takeStatus(identity, status);
        return identity;
    }
    const Result<ResolvedName> destination = resolveLinks(target.path());
    if (!destination) {
        failure = destination.error();
        return std::nullopt;
    }
    if (::stat(destination->path.c_str(), &status) == 0) takeStatus(identity, status);
    identity.resolved = resolvedPath(destination->path);
    return identity;
}

bool sameFile(const Identity& a, const Identity& b) {
    if (a.special || b.special) return false;
    if (a.isFile && b.isFile && a.device == b.device && a.inode == b.inode) return true;
    return !a.resolved.empty() && a.resolved == b.resolved;
}

std::string describe(const PlannedOutput& output) {
    return output.target.shownName() + " (" + output.role + ")";
}

}  // namespace

OutputTarget defaultAssemblerTarget(const std::string& input) {
    if (input == "-") return OutputTarget::standardOutput();
    return std::filesystem::path(input).replace_extension(".asm");
}

std::string shownInputName(const std::string& input) {
    return input == "-" ? std::string("standard input") : displayName(input);
}

OutputPlan planOutputs(const CommandLine& options) {
    OutputPlan plan;
    for (const std::string& input : options.inputs) {
        PlannedInput planned{input, {}};
        const auto add = [&planned](OutputKind kind, const std::string& name, const char* role) {
            if (name.empty()) return;
            planned.outputs.push_back(
                {kind, name == "-" ? OutputTarget::standardOutput() : OutputTarget(name), role});
        };
        if (options.namesAnOutput()) {
            add(OutputKind::assembler, options.asmFile, "--asm");
            add(OutputKind::binary, options.binFile, "--bin");
            add(OutputKind::decodedWav, options.wavFile, "--wav");
            add(OutputKind::originalWav, options.originalWavFile, "--original-wav");
            add(OutputKind::picHex, options.hexFile, "--hex");
            add(OutputKind::picProgram, options.programFile, "--program");
        } else {
            planned.outputs.push_back(
                {OutputKind::assembler, defaultAssemblerTarget(input), "assembler file of " + shownInputName(input)});
        }
        plan.inputs.push_back(std::move(planned));
    }

    std::vector<Identity> inputs;
    for (const std::string& input : options.inputs) inputs.push_back(inputIdentity(input));
    std::vector<std::pair<const PlannedOutput*, Identity>> outputs;
    for (const PlannedInput& input : plan.inputs) {
        for (const PlannedOutput& output : input.outputs) {
            std::string failure;
            const std::optional<Identity> identity = outputIdentity(output.target, failure);
            if (!identity) {
                plan.conflict = failure;
                return plan;
            }
            for (std::size_t i = 0; i < inputs.size(); ++i) {
                if (!sameFile(*identity, inputs[i])) continue;
                plan.conflict = describe(output) + " would replace the input " + shownInputName(options.inputs[i]);
                return plan;
            }
            for (const auto& [earlier, earlierIdentity] : outputs) {
                if (!sameFile(*identity, earlierIdentity)) continue;
                plan.conflict = describe(*earlier) + " and " + describe(output) + " are one file";
                return plan;
            }
            outputs.emplace_back(&output, *identity);
        }
    }
    return plan;
}

}  // namespace ryx::cli
