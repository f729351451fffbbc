#include "cli/OutputPlan.h"

#include "cli/CPlayerOutput.h"
#include "io/DisplayName.h"
#include "io/LinkResolution.h"

#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace ryx::cli {
namespace {

// What a name comes to, as keys that two names of one file share: an existing
// file by its inode; a file yet to be made by its folder's inode and its own
// name (so that two spellings of one folder, a link or a bind mount, meet);
// a descriptor of this process by its number. None for a pipe, device or
// folder, which may be named twice.
using Keys = std::vector<std::string>;

std::string inodeKey(char kind, const struct stat& status, const std::string& name = {}) {
    return kind + std::to_string(status.st_dev) + ':' + std::to_string(status.st_ino) + ':' + name;
}

void addFileKey(Keys& keys, const struct stat& status) {
    if (S_ISREG(status.st_mode)) keys.push_back(inodeKey('f', status));
}

// A name the system cannot follow gets its text, made absolute.
std::string textKey(const std::filesystem::path& path) {
    std::error_code error;
    return 'p' + std::filesystem::absolute(path, error).lexically_normal().string();
}

// path: the name with the links of its last component followed.
Keys keysOfResolved(const std::filesystem::path& path) {
    Keys keys;
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0) {
        addFileKey(keys, status);
        return keys;
    }
    const std::string name = path.filename().string();
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
    struct stat folderStatus {};
    const bool known = name != "." && name != ".." && !name.empty() && ::stat(folder.c_str(), &folderStatus) == 0;
    keys.push_back(known ? inodeKey('n', folderStatus, name) : textKey(path));
    return keys;
}

Keys keysOfStream(int descriptor) {
    Keys keys{'d' + std::to_string(descriptor)};
    struct stat status {};
    if (::fstat(descriptor, &status) == 0) addFileKey(keys, status);
    return keys;
}

Keys inputKeys(const std::string& input) {
    if (input == "-") {
        Keys keys;
        struct stat status {};
        if (::fstat(STDIN_FILENO, &status) == 0) addFileKey(keys, status);
        return keys;
    }
    const Result<ResolvedName> resolved = resolveLinks(input);
    return keysOfResolved(resolved ? resolved->path : std::filesystem::path(input));
}

std::string describe(const PlannedOutput& output) {
    return output.target.shownName() + " (" + output.role + ")";
}

// The target an output's name stands for: the standard output for "-" and
// for any name of this process's standard output, so that no text is
// printed into it. A name that cannot be followed is reported with the checks.
OutputTarget targetOf(const std::string& name) {
    if (name == "-") return OutputTarget::standardOutput();
    const Result<ResolvedName> resolved = resolveLinks(name);
    if (resolved && resolved->descriptor == STDOUT_FILENO) return OutputTarget::standardOutput(name);
    return OutputTarget(name);
}

Result<Keys> outputKeys(const OutputTarget& target) {
    if (target.isStandardOutput()) return keysOfStream(STDOUT_FILENO);
    Result<ResolvedName> resolved = resolveLinks(target.path());
    if (!resolved) return resolved.failureDetail();
    if (resolved->descriptor >= 0) return keysOfStream(resolved->descriptor);
    return keysOfResolved(resolved->path);
}

}  // namespace

OutputTarget defaultAssemblerTarget(const std::string& input) {
    if (input == "-") return OutputTarget::standardOutput();
    return std::filesystem::path(input).replace_extension(".asm");
}

std::string shownInputName(const std::string& input) {
    return input == "-" ? std::string("standard input") : displayName(input);
}

Result<OutputPlan> planOutputs(const CommandLine& options) {
    OutputPlan plan;
    for (const std::string& input : options.inputs) {
        PlannedInput planned{input, {}};
        const auto add = [&planned](OutputKind kind, const std::string& name, const char* role) {
            if (!name.empty()) planned.outputs.push_back({kind, targetOf(name), role});
        };
        if (options.compare) {
            // Writes nothing: no output to plan.
        } else if (options.namesAnOutput()) {
            add(OutputKind::assembler, options.asmFile, "--asm");
            add(OutputKind::binary, options.binFile, "--bin");
            add(OutputKind::decodedWav, options.wavFile, "--wav");
            add(OutputKind::originalWav, options.originalWavFile, "--original-wav");
            add(OutputKind::picHex, options.hexFile, "--hex");
            add(OutputKind::picProgram, options.programFile, "--program");
            add(OutputKind::picInclude, options.includeFile, "--include");
            add(OutputKind::memoryImage, options.imageFile, "--image");
            add(OutputKind::cHeader, options.cHeaderFile, "--c");
            for (PlannedOutput& output : planCPlayerOutputs(options)) planned.outputs.push_back(std::move(output));
        } else {
            planned.outputs.push_back(
                {OutputKind::assembler, defaultAssemblerTarget(input), "assembler file of " + shownInputName(input)});
        }
        plan.inputs.push_back(std::move(planned));
        // A bank's files hold every input: planned once.
        if (options.bank) break;
    }

    // Each key with the input, or the earlier output, that holds it.
    std::unordered_map<std::string, std::size_t> inputs;
    for (std::size_t i = 0; i < options.inputs.size(); ++i) {
        for (std::string& key : inputKeys(options.inputs[i])) inputs.try_emplace(std::move(key), i);
    }
    std::unordered_map<std::string, const PlannedOutput*> outputs;
    for (const PlannedInput& input : plan.inputs) {
        for (const PlannedOutput& output : input.outputs) {
            Result<Keys> keys = outputKeys(output.target);
            if (!keys) return keys.failureDetail();
            for (const std::string& key : *keys) {
                if (const auto found = inputs.find(key); found != inputs.end()) {
                    return Error{describe(output) + " would replace the input " +
                                 shownInputName(options.inputs[found->second])};
                }
            }
            for (std::string& key : *keys) {
                const auto [earlier, fresh] = outputs.try_emplace(std::move(key), &output);
                if (fresh) continue;
                return Error{describe(*earlier->second) + " and " + describe(output) + " are one file"};
            }
        }
    }
    return plan;
}

}  // namespace ryx::cli
