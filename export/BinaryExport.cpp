#include "export/BinaryExport.h"

#include "core/SoundPlayer.h"

namespace ryx {

// Placeholder until the format is written.
OperationResult exportBinary(ProgramState& state, const std::filesystem::path&) {
    state.player->close();
    return OperationResult::failure("not implemented yet");
}

}  // namespace ryx
