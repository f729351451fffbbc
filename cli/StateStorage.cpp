#include "cli/StateStorage.h"

#include <new>
#include <sys/mman.h>

namespace ryx::cli {

// The state is about a megabyte that every encode touches; faulting its pages
// in one at a time costs more than a tenth of a run, mapping them all at once
// about half of that.
StateStorage::StateStorage() {
    void* mapping = mmap(nullptr, sizeof(ProgramState), PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (mapping == MAP_FAILED) {
        state_ = new ProgramState;
        return;
    }
    mapping_ = mapping;
    // Default-initialised: the members' own initialisers clear the buffers once.
    state_ = new (mapping) ProgramState;
}

StateStorage::~StateStorage() {
    if (mapping_ == nullptr) {
        delete state_;
        return;
    }
    state_->~ProgramState();
    munmap(mapping_, sizeof(ProgramState));
}

}  // namespace ryx::cli
