#include "cli/EncodeInput.h"

#include "cli/ReplaceFile.h"
#include "core/ListSelection.h"
#include "core/PreviewWriter.h"
#include "core/WavReader.h"
#include "export/AssemblerExport.h"
#include "export/BinaryExport.h"

#include <vector>

namespace ryx::cli {
namespace {

enum class OutputKind { assembler, binary, decodedWav, originalWav };

struct Output {
    OutputKind kind;
    std::filesystem::path path;
};

std::vector<Output> requestedOutputs(const CommandLine& options, const std::string& input) {
    if (!options.namesAnOutput()) return {{OutputKind::assembler, defaultAssemblerPath(input)}};
    std::vector<Output> outputs;
    if (!options.asmFile.empty()) outputs.push_back({OutputKind::assembler, options.asmFile});
    if (!options.binFile.empty()) outputs.push_back({OutputKind::binary, options.binFile});
    if (!options.wavFile.empty()) outputs.push_back({OutputKind::decodedWav, options.wavFile});
    if (!options.originalWavFile.empty()) outputs.push_back({OutputKind::originalWav, options.originalWavFile});
    return outputs;
}

OperationResult writeOutput(const ProgramState& state, const Output& output) {
    return writeReplacing(output.path, [&state, &output](const std::filesystem::path& path) {
        switch (output.kind) {
        case OutputKind::assembler: return exportAssembler(state, path);
        case OutputKind::binary: return exportBinary(state, path);
        case OutputKind::decodedWav: return writePreviewFile(state, PreviewMode::decodedSound, path);
        case OutputKind::originalWav: return writePreviewFile(state, PreviewMode::originalSound, path);
        }
        return OperationResult::failure("unknown output");
    });
}

void printSummary(std::ostream& out, const ProgramState& state, const std::string& input,
                  const std::vector<Output>& written) {
    const EncoderState& encoder = state.encoder;
    const bool oneAndHalf = encoder.algorithmType == kAlgorithmOneAndHalfBit;
    out << input << ": " << encoder.sampleCount << " samples, " << encoder.sampleRate << " Hz, "
        << schemeItemText(encoder.algorithmType) << ", " << finenessItemText(encoder.fineness) << ", R = "
        << encoder.resistorOhms << " ohms";
    if (oneAndHalf) out << ", each 2R = " << 2 * std::int64_t{encoder.resistorOhms} << " ohms";
    out << " ->";
    const char* separator = " ";
    for (const Output& output : written) {
        std::error_code error;
        const auto bytes = std::filesystem::file_size(output.path, error);
        out << separator << output.path.string() << " (" << (error ? 0 : bytes) << " bytes)";
        separator = ", ";
    }
    out << '\n';
}

}  // namespace

std::filesystem::path defaultAssemblerPath(const std::string& input) {
    return std::filesystem::path(input).replace_extension(".asm");
}

int encodeInput(ProgramState& state, const CommandLine& options, const std::string& input,
                std::ostream& out, std::ostream& err) {
    state.encoder.algorithmType = options.algorithmType;
    state.encoder.fineness = options.fineness;
    if (loadWaveFile(state, input) != LoadResult::loaded) {
        err << "ryxenc: " << input << ": " << state.statusText.view() << '\n';
        return kExitRefused;
    }

    int status = kExitOk;
    std::vector<Output> written;
    for (const Output& output : requestedOutputs(options, input)) {
        if (!options.namesAnOutput() && output.path == std::filesystem::path(input)) {
            err << "ryxenc: " << input << ": the assembler file would replace the input; name it with --asm\n";
            status = kExitWriteFailed;
            continue;
        }
        if (OperationResult result = writeOutput(state, output); !result) {
            err << "ryxenc: " << result.error() << '\n';
            status = kExitWriteFailed;
            continue;
        }
        written.push_back(output);
    }
    if (status == kExitOk && !options.quiet) printSummary(out, state, input, written);
    return status;
}

}  // namespace ryx::cli
