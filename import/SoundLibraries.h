#pragma once
// libsndfile and libsoxr, loaded when a sound is first imported rather than
// at start-up: with their codecs they are a dozen shared libraries, and
// loading them would cost the encoder more than encoding the largest sound.

#include "core/Result.h"

#include <sndfile.h>
#include <soxr.h>

namespace ryx {

struct SoundLibraries {
    decltype(&::sf_open) open;
    decltype(&::sf_open_virtual) openVirtual;
    decltype(&::sf_readf_float) readFrames;
    decltype(&::sf_close) close;
    decltype(&::sf_error) errorNumber;
    decltype(&::sf_strerror) errorText;
    decltype(&::soxr_oneshot) resample;
    decltype(&::soxr_io_spec) ioSpec;
    decltype(&::soxr_quality_spec) qualitySpec;
    decltype(&::soxr_runtime_spec) runtimeSpec;
    decltype(&::soxr_create) create;
    decltype(&::soxr_process) process;
    decltype(&::soxr_delete) destroy;
};

// Both libraries, loaded on the first call, or the loader's reason why
// either cannot be loaded.
Result<const SoundLibraries*> soundLibraries();

}  // namespace ryx
