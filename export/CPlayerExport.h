#pragma once
// The C player as files in a folder: ryx_player.h, ryx_player.c, sounds.h
// (as the C header export writes it) and, for a chip, main.c.

#include "core/ProgramState.h"
#include "core/Result.h"
#include "export/CHeaderExport.h"
#include "export/CPlayerSource.h"
#include "io/AtomicFileWriter.h"

#include <span>
#include <string_view>
#include <vector>

namespace ryx {

enum class CPlayerFile { header, source, sounds, main };

std::string_view cPlayerFileName(CPlayerFile file);

// The files of a target, main.c only for a chip.
std::vector<CPlayerFile> cPlayerFiles(const CPlayerTarget& target);

struct CPlayerChoice {
    const CPlayerTarget* target = nullptr;
    std::uint32_t clockHz = 0;  // 0: the target's default
    bool loop = false;
    bool bank = false;          // trigger pins choose the sound
};

// The settings for these sounds (one rate and scheme, the first sound's);
// refuses more sounds than trigger pins and a rate the chip cannot tick at.
Result<CPlayerSettings> planCPlayer(std::span<const CHeaderSound> sounds, const CPlayerChoice& choice);

// `bankName` names the table of sounds.h when it holds several.
Result<> exportCPlayerFile(CPlayerFile file, std::span<const CHeaderSound> sounds, std::string_view bankName,
                           const CPlayerSettings& settings, const OutputTarget& target);

}  // namespace ryx
