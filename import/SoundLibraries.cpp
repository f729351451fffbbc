#include "import/SoundLibraries.h"

#include <dlfcn.h>

namespace ryx {
namespace {

constexpr const char* kSndfileName = "libsndfile.so.1";
constexpr const char* kSoxrName = "libsoxr.so.0";

struct LoadedLibraries {
    SoundLibraries functions{};
    std::string failure;  // empty when every function was found
};

template <typename Function>
bool resolve(void* library, const char* name, Function& function, std::string& failure) {
    // POSIX guarantees that a data pointer from dlsym converts to a function pointer.
    function = reinterpret_cast<Function>(::dlsym(library, name));
    if (function == nullptr && failure.empty()) failure = std::string(name) + " is missing";
    return function != nullptr;
}

LoadedLibraries load() {
    LoadedLibraries loaded;
    // Kept loaded for the rest of the process: the functions stay valid.
    void* sndfile = ::dlopen(kSndfileName, RTLD_NOW | RTLD_LOCAL);
    void* soxr = sndfile != nullptr ? ::dlopen(kSoxrName, RTLD_NOW | RTLD_LOCAL) : nullptr;
    if (sndfile == nullptr || soxr == nullptr) {
        const char* reason = ::dlerror();
        loaded.failure = reason != nullptr ? reason : "the sound libraries cannot be loaded";
        return loaded;
    }
    SoundLibraries& f = loaded.functions;
    std::string& failure = loaded.failure;
    resolve(sndfile, "sf_open", f.open, failure);
    resolve(sndfile, "sf_open_virtual", f.openVirtual, failure);
    resolve(sndfile, "sf_readf_float", f.readFrames, failure);
    resolve(sndfile, "sf_close", f.close, failure);
    resolve(sndfile, "sf_strerror", f.errorText, failure);
    resolve(soxr, "soxr_oneshot", f.resample, failure);
    resolve(soxr, "soxr_io_spec", f.ioSpec, failure);
    resolve(soxr, "soxr_quality_spec", f.qualitySpec, failure);
    resolve(soxr, "soxr_runtime_spec", f.runtimeSpec, failure);
    return loaded;
}

}  // namespace

const SoundLibraries* soundLibraries(std::string& reason) {
    static const LoadedLibraries loaded = load();
    if (!loaded.failure.empty()) {
        reason = loaded.failure;
        return nullptr;
    }
    return &loaded.functions;
}

}  // namespace ryx
