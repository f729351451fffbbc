#pragma once
// What starts a sound: a reset (the program plays its first sound after every
// reset), a trigger pin pulled low (sound k of a bank on the chip's pin k),
// or a strobe pulled low by a controller that has put the sound's number
// (0 for sound 1) on the select pins: the chip's trigger pin 0 is the
// strobe, pins 1, 2, 3 the number's bits 0, 1, 2.

namespace ryx {

enum class PlayTrigger { reset, pins, select };

}  // namespace ryx
