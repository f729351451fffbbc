#include "cli/StateStorage.h"

#include "core/WaveHeader.h"

#include <new>
#include <sys/mman.h>

namespace ryx::cli {

namespace {

// The header and the longest sound: more of a WAV input never changes its load.
constexpr std::size_t kInputRoomSize = kWaveHeaderSize + kMaxSamples;

}  // namespace

// The state is about a megabyte that every encode touches; faulting its pages
// in one at a time costs more than a tenth of a run, mapping them all at once
// about half of that. The input's room comes in the same mapping, for the
// same reason.
StateStorage::StateStorage() {
    const std::size_t roomOffset = (sizeof(ProgramState) + 63) / 64 * 64;
    const std::size_t size = roomOffset + kInputRoomSize;
    void* mapping = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (mapping == MAP_FAILED) {
        state_ = new ProgramState;
        return;
    }
    mapping_ = mapping;
    mappingSize_ = size;
    // Default-initialised: the members' own initialisers clear the buffers once.
    state_ = new (mapping) ProgramState;
    inputRoom_ = std::span(static_cast<std::uint8_t*>(mapping) + roomOffset, kInputRoomSize);
}

StateStorage::~StateStorage() {
    if (mapping_ == nullptr) {
        delete state_;
        return;
    }
    state_->~ProgramState();
    munmap(mapping_, mappingSize_);
}

}  // namespace ryx::cli
