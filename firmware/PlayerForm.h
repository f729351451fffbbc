#pragma once
// What the player is: a whole program from address 0 that sets the chip up
// and plays after a reset, or a routine, ryx_play, that the user's own
// program includes and calls with the sound's number in W.

#include <cstdint>
#include <string_view>

namespace ryx {

enum class PlayerForm { program, routine };

// The routine's entry and the prefix of every name its source defines.
inline constexpr std::string_view kRoutinePrefix = "ryx_";
inline constexpr std::string_view kRoutineEntry = "play";  // ryx_play

// Its defaults: the block after words 0 to 255 (room for a small main
// program below it), and the 16 bytes of the bank every bank shares on the
// mid-range and enhanced PIC16 chips.
inline constexpr std::uint32_t kDefaultRoutineOrg = 0x100;
inline constexpr std::uint16_t kDefaultRoutineRam = 0x70;
// File registers it uses from its first: all in bank 0, 0x20 to 0x7F.
inline constexpr std::uint32_t kRoutineRegisters = 16;
inline constexpr std::uint16_t kRoutineRamLowest = 0x20;
inline constexpr std::uint16_t kRoutineRamEnd = 0x80;
// On a PIC18: the top 16 bytes of the access bank's general-purpose memory,
// 0x00 to 0x5F, which every instruction reaches whatever BSR holds.
inline constexpr std::uint16_t kDefaultPic18RoutineRam = 0x50;
inline constexpr std::uint16_t kPic18RoutineRamLowest = 0x00;
inline constexpr std::uint16_t kPic18RoutineRamEnd = 0x60;

}  // namespace ryx
