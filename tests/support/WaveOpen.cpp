#include "support/WaveOpen.h"

#include "core/Encoder.h"
#include "io/WaveFile.h"

namespace ryx::test {

Result<> openWave(ProgramState& state, const std::string& fileName) {
    Result<> loaded = loadWaveFile(state, fileName);
    if (loaded) encodeSound(state);
    return loaded;
}

}  // namespace ryx::test
