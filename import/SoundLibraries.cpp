#include "import/SoundLibraries.h"

#include <dlfcn.h>

#include <string>

namespace ryx {
namespace {

constexpr const char* kSndfileName = "libsndfile.so.1";
constexpr const char* kSoxrName = "libsoxr.so.0";

// The name of the first function that is missing, or nothing.
class Resolver {
public:
    template <typename Function>
    void operator()(void* library, const char* name, Function& function) {
        // POSIX guarantees that a data pointer from dlsym converts to a function pointer.
        function = reinterpret_cast<Function>(::dlsym(library, name));
        if (function == nullptr && missing_.empty()) missing_ = name;
    }
    Result<> outcome() const { return missing_.empty() ? Result<>() : Result<>::failure(missing_ + " is missing"); }

private:
    std::string missing_;
};

Result<SoundLibraries> load() {
    // Kept loaded for the rest of the process: the functions stay valid.
    void* sndfile = ::dlopen(kSndfileName, RTLD_NOW | RTLD_LOCAL);
    void* soxr = sndfile != nullptr ? ::dlopen(kSoxrName, RTLD_NOW | RTLD_LOCAL) : nullptr;
    if (sndfile == nullptr || soxr == nullptr) {
        const char* reason = ::dlerror();
        return Error{reason != nullptr ? reason : "the sound libraries cannot be loaded"};
    }
    SoundLibraries f{};
    Resolver resolve;
    resolve(sndfile, "sf_open", f.open);
    resolve(sndfile, "sf_open_virtual", f.openVirtual);
    resolve(sndfile, "sf_readf_float", f.readFrames);
    resolve(sndfile, "sf_close", f.close);
    resolve(sndfile, "sf_error", f.errorNumber);
    resolve(sndfile, "sf_strerror", f.errorText);
    resolve(soxr, "soxr_oneshot", f.resample);
    resolve(soxr, "soxr_io_spec", f.ioSpec);
    resolve(soxr, "soxr_quality_spec", f.qualitySpec);
    resolve(soxr, "soxr_runtime_spec", f.runtimeSpec);
    resolve(soxr, "soxr_create", f.create);
    resolve(soxr, "soxr_process", f.process);
    resolve(soxr, "soxr_delete", f.destroy);
    if (Result<> resolved = resolve.outcome(); !resolved) return resolved.failureDetail();
    return f;
}

}  // namespace

Result<const SoundLibraries*> soundLibraries() {
    static const Result<SoundLibraries> loaded = load();
    if (!loaded) return loaded.failureDetail();
    return &loaded.value();
}

}  // namespace ryx
