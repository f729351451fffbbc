#include "CPlayerFiles.h"

#include "core/Encoder.h"
#include "support/FileBytes.h"

#include <cmath>
#include <cstdio>
#include <numbers>
#include <utility>
#include <algorithm>

namespace ryx::test {

CPlayerSettings writeCPlayer(const std::filesystem::path& folder, const std::vector<const ProgramState*>& sounds,
                             const CPlayerChoice& choice) {
    std::vector<CHeaderSound> named;
    for (std::size_t k = 0; k < sounds.size(); ++k) {
        named.push_back({sounds[k], "sound" + std::to_string(k), "test"});
    }
    const Result<CPlayerSettings> settings = planCPlayer(named, choice);
    if (!settings) throw std::runtime_error(settings.error());
    for (const CPlayerFile file : cPlayerFiles(*choice.target)) {
        const Result<> written =
            exportCPlayerFile(file, named, "sounds", *settings, folder / cPlayerFileName(file));
        if (!written) throw std::runtime_error(written.error());
    }
    return *settings;
}

std::vector<double> filteredLoad(const PinChanges& changes, double seconds, double step, bool twoPins, double ohms) {
    constexpr double kSupply = 5.0, kC1 = 0.22e-6, kC2 = 4.7e-6, kLoad = 10e3;
    double vn = 0, vc2 = 0;
    HighPass highPass(100, step);
    std::vector<double> out;
    std::size_t next = 0;
    unsigned pins = 0;
    for (double t = 0; t < seconds; t += step) {
        while (next < changes.size() && changes[next].first <= t) pins = changes[next++].second;
        const double source = twoPins ? kSupply * ((pins & 1) + (pins >> 1 & 1)) / 2 : kSupply * (pins & 1);
        const double vo = vn - vc2;
        vn += step * ((source - vn) / ohms - vo / kLoad) / kC1;  // 2R || 2R = R
        vc2 += step * (vo / kLoad) / kC2;
        const double x = vn - vc2;
        out.push_back(highPass.next(x));
    }
    return out;
}

std::string commandOutput(const std::string& command) {
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t read = 0;
        while ((read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, read);
        pclose(pipe);
    }
    return output;
}

std::filesystem::path buildHostPlayer(const std::filesystem::path& folder, std::string& problem) {
    const std::filesystem::path program = folder / "host-player";
    problem = commandOutput("cc -std=c99 -pedantic -Wall -Wextra -Wconversion -Werror -I'" + folder.string() +
                            "' -o '" + program.string() + "' '" + RYX_HOST_PLAYER_RUN + "' '" +
                            (folder / "ryx_player.c").string() + "' 2>&1");
    return problem.empty() ? program : std::filesystem::path();
}

std::string playOnHost(const std::filesystem::path& program, unsigned sound, std::size_t ticks) {
    std::string out = commandOutput("'" + program.string() + "' " + std::to_string(sound) + " " + std::to_string(ticks));
    if (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

}  // namespace ryx::test
