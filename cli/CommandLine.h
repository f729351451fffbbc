#pragma once
// The options of ryxenc, parsed from its arguments.

#include "core/ProgramState.h"
#include "core/Result.h"
#include "firmware/PicChip.h"
#include "firmware/PlayTrigger.h"
#include "firmware/SoundStorage.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ryx::cli {

struct CommandLine {
    std::int8_t algorithmType = kAlgorithmOneAndHalfBit;
    std::int8_t fineness = 16;
    bool autoFineness = false;    // -f auto: the fineness with the best low-passed SNR
    bool optimal = false;         // the optimal encoder instead of the greedy one
    bool report = false;          // print the quality figures of each encode
    bool compare = false;         // print the table of all settings, write nothing
    FilterModelChoice filterModel = FilterModelChoice::classic;
    CircuitParts circuitParts;
    bool circuitPartsGiven = false;  // --parts, --capacitor or --load: they need the circuit model
    std::string asmFile;          // empty: not asked for
    std::string binFile;
    std::string wavFile;          // the decoded sound (preview mode 4)
    std::string originalWavFile;  // the original-sound preview (mode 3)
    std::string hexFile;          // the PIC program as Intel HEX
    std::string programFile;      // the PIC program as assembler source
    std::string includeFile;      // the routine ryx_play and the tables, for the user's own program
    std::string memoryName;       // --memory: the serial memory the program plays from; empty: the chip
    std::string imageFile;        // --image: that memory's image
    std::optional<std::uint32_t> org;  // --org: the routine's first word; unset: the default
    std::optional<std::uint32_t> ram;  // --ram: its first file register; unset: the default
    std::string cHeaderFile;      // the bits as a C array
    std::string cName;            // the array's name; empty: from the input's name
    // --c-player: the folder of the C player, and the chip its main.c is for.
    std::string cPlayerFolder;
    std::string cPlayerTarget;    // empty: generic, no main.c
    std::string chipName{kDefaultPicChip};
    bool chipGiven = false;       // --chip: a chip to fit even without a program
    std::uint32_t clockHz = 0;    // 0: the chip's internal oscillator
    std::optional<PicOscillator> oscillator;  // unset: the one the chip and clock mean
    bool loop = false;
    bool bank = false;            // every input in one program (and one C header)
    std::optional<PlayTrigger> trigger;  // unset: pins for a bank, reset otherwise
    PicPacking packing = PicPacking::automatic;  // --pack: whole program words where the chip reads them
    bool packingGiven = false;
    bool listChips = false;
    bool listMemories = false;
    // Set: every input is imported (any kind of sound) at this rate.
    std::optional<std::uint32_t> importRate;
    bool fit = false;             // lower the import rate until the whole sound fits the chip
    bool normalize = true;
    bool trim = true;
    bool quiet = false;
    bool help = false;
    bool version = false;
    std::vector<std::string> inputs;

    bool namesAnOutput() const {
        return !asmFile.empty() || !binFile.empty() || !wavFile.empty() || !originalWavFile.empty() ||
               !cHeaderFile.empty() || !cPlayerFolder.empty() || namesAProgram();
    }
    // A whole program, or the routine for the user's own.
    bool namesAProgram() const { return !hexFile.empty() || !programFile.empty() || !includeFile.empty(); }
};

// Arguments without the program name. --help, --version and the lists end
// the parse. Every value and every pair of options that can be checked before
// an input is read is checked here.
Result<CommandLine> parseCommandLine(const std::vector<std::string>& arguments);

}  // namespace ryx::cli
