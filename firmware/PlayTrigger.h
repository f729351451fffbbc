#pragma once
// What starts a sound: a reset (the program plays its first sound after every
// reset), or a trigger pin pulled low (sound k of a bank on the chip's pin k).

namespace ryx {

enum class PlayTrigger { reset, pins };

}  // namespace ryx
