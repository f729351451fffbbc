#pragma once
// The PIC18 player at address 0: sets the chip up, brings the output up to
// half the supply slowly with the mid-range player's ramp (playerRamp: the
// same S, bits and kRampCyclesPerBit), then plays one table bit per sample on
// pin A (and the bit before on pin B), every sample exactly the same number
// of cycles, reading the table bytes from word 256 with TBLRD*+; a single
// play ramps the output down again before both pins go low, then sleeps.
// A bank's sounds each start from their own first word when a trigger pin
// (RB4 to RB7) or the strobe is pulled low; asleep in between. As a routine
// for the user's own program (PlayerForm::routine) it plays the sound W
// names between the ramps, writing the port's latch with its other pins as
// they were, then returns.

#include "firmware/PicAssembly.h"
#include "firmware/PicChip.h"
#include "firmware/PlayerCode.h"
#include "firmware/SoundStorage.h"

#include <cstdint>

namespace ryx {

// The fewest cycles per sample: the byte-boundary path with retlw storage
// (two table reads per byte), and in a looping program the restart.
inline constexpr std::uint32_t kPic18PlayerMinCycles = 21;
inline constexpr std::uint32_t kPic18PlayerMinCyclesLooping = 30;
// A routine sets its ramp down up again within the sound's last sample.
inline constexpr std::uint32_t kPic18RoutineMinCycles = 34;
// The longest wait one path can make, plus the shortest path: the same
// counting loops as the mid-range player.
inline constexpr std::uint32_t kPic18PlayerMaxCycles = 197135;

std::uint32_t pic18PlayerMinCycles(bool loop, PlayerForm form = PlayerForm::program);

// Labels the program carries, for readers of the source and for tests.
inline constexpr std::string_view kPic18TableReadLabel = "readbyte";  // the TBLRD*+ of every byte

// Settings as for the mid-range player (a routine's ram in the access bank,
// kPic18RoutineRamLowest to kPic18RoutineRamEnd); the tables hold `tableReads` bytes,
// packed16 (two per word) or retlw (the low byte of each word).
PicAssembly buildPic18Player(const PlayerSettings& settings);

}  // namespace ryx
