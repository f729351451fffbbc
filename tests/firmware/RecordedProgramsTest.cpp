// The program memory of a broad set of settings, against images recorded
// from a build whose programs were proven in gpsim: any change to the player
// that changes one word shows here, whatever the source text says.
//
// To record anew after an intended change of the programs:
//   RYX_RECORD_PROGRAMS=tests/firmware/recorded-programs.txt
//   build/tests/firmware/firmware_tests --gtest_filter='RecordedPrograms.*'
#include "TestSound.h"

#include "firmware/PicProgram.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace ryx {
namespace {

struct Form {
    const char* name;
    PlayTrigger trigger;
    PlayerForm form;
    bool loop;
    std::size_t sounds;
    std::uint32_t org;
};

constexpr Form kForms[] = {
    {"single", PlayTrigger::reset, PlayerForm::program, false, 1, 0},
    {"loop", PlayTrigger::reset, PlayerForm::program, true, 1, 0},
    {"pins", PlayTrigger::pins, PlayerForm::program, false, 2, 0},
    {"select", PlayTrigger::select, PlayerForm::program, false, 3, 0},
    {"include", PlayTrigger::reset, PlayerForm::routine, false, 2, kDefaultRoutineOrg},
    {"include-org-900", PlayTrigger::reset, PlayerForm::routine, false, 2, 0x900},
};

struct Clock {
    const char* name;
    bool crystal;
    std::uint32_t hz;
    std::uint32_t rate;
};

constexpr Clock kClocks[] = {
    {"internal", false, 0, 8000},
    {"crystal-20MHz", true, 20000000, 15625},
    {"crystal-4MHz", true, 4000000, 5000},
};

// Each case's name and its Intel HEX, or the refusal the plan gives.
std::map<std::string, std::string> producedPrograms() {
    std::map<std::string, std::string> produced;
    // Lengths that end mid-byte and mid-word.
    constexpr std::uint32_t kLengths[] = {37, 53, 70};
    for (const Clock& clock : kClocks) {
        for (std::int8_t algorithm : {kAlgorithmOneBit, kAlgorithmOneAndHalfBit}) {
            std::vector<std::unique_ptr<ProgramState>> states;
            std::vector<const ProgramState*> sounds;
            for (std::uint32_t length : kLengths) {
                states.push_back(test::makeEncodedSound(length, clock.rate, algorithm));
                sounds.push_back(states.back().get());
            }
            for (const PicChip& chip : picChips()) {
                if (!clock.crystal && chip.internalClockHz == 0) continue;
                for (PicPacking packing : {PicPacking::automatic, PicPacking::off}) {
                    for (const Form& form : kForms) {
                        PicProgramSettings settings(&chip, clock.hz, form.loop,
                                                    clock.crystal ? PicOscillator::crystal : PicOscillator::internal,
                                                    packing);
                        settings.trigger = form.trigger;
                        settings.form = form.form;
                        if (form.form == PlayerForm::routine) {
                            settings.org = form.org;
                            settings.ram = defaultRoutineRam(chip);
                        }
                        const Result<PicProgram> program =
                            form.sounds == 1 && form.form == PlayerForm::program
                                ? buildPicProgram(*sounds[0], settings)
                                : buildPicBank(SoundBank(sounds.data(), form.sounds), settings);
                        const std::string name = std::string(chip.processor) + " " + clock.name + " " +
                                                 (algorithm == kAlgorithmOneBit ? "1bit" : "1.5bit") + " " +
                                                 (packing == PicPacking::off ? "retlw" : "packed") + " " + form.name;
                        produced[name] =
                            program ? formatIntelHex(program.value().memory) : "refused: " + program.error() + "\n";
                    }
                }
            }
        }
    }
    return produced;
}

std::map<std::string, std::string> recordedPrograms(std::istream& in) {
    std::map<std::string, std::string> recorded;
    std::string line;
    std::string* current = nullptr;
    while (std::getline(in, line)) {
        if (line.starts_with("== ")) {
            current = &recorded[line.substr(3)];
        } else if (current != nullptr) {
            *current += line + "\n";
        }
    }
    return recorded;
}

TEST(RecordedPrograms, EveryImageIsAsRecorded) {
    const std::map<std::string, std::string> produced = producedPrograms();
    if (const char* recordTo = std::getenv("RYX_RECORD_PROGRAMS")) {
        std::ofstream out(recordTo, std::ios::binary);
        for (const auto& [name, image] : produced) out << "== " << name << "\n" << image;
        ASSERT_TRUE(out.good()) << recordTo;
        GTEST_SKIP() << "recorded " << produced.size() << " programs to " << recordTo;
    }
    std::ifstream in(RYX_RECORDED_PROGRAMS, std::ios::binary);
    ASSERT_TRUE(in) << RYX_RECORDED_PROGRAMS;
    const std::map<std::string, std::string> recorded = recordedPrograms(in);
    ASSERT_EQ(recorded.size(), produced.size());
    std::size_t refused = 0;
    for (const auto& [name, image] : produced) {
        const auto found = recorded.find(name);
        ASSERT_NE(found, recorded.end()) << name;
        if (image.starts_with("refused")) ++refused;
        if (found->second == image) continue;
        std::istringstream was(found->second);
        std::istringstream now(image);
        std::string wasLine;
        std::string nowLine;
        int number = 1;
        while (std::getline(was, wasLine) && std::getline(now, nowLine) && wasLine == nowLine) ++number;
        ADD_FAILURE() << name << ": line " << number << " was\n  " << wasLine << "\nis now\n  " << nowLine;
    }
    // Most settings make a program: the set is not a list of refusals.
    EXPECT_LT(refused * 4, produced.size());
}

}  // namespace
}  // namespace ryx
