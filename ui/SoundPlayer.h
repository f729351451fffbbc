#pragma once
// What the window asks of the platform's sound player. Only the window holds
// one; nothing in the core plays or stops a sound.

#include "core/Result.h"

#include <string>

namespace ryx {

class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;

    // Closes any open sound first, then loads the named file; fails with a text.
    virtual Result<> open(const std::string& fileName) = 0;
    // Starts playback and returns at once; rewinds when at the end.
    virtual void play() = 0;
    // Stops playback and lets go of the file; harmless when nothing is open.
    virtual void close() = 0;
};

}  // namespace ryx
