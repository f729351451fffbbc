// The README and the help page against the program: every option ryxenc
// --help prints is documented in both, and every ryxenc line of the README's
// recipes runs.

#include "support/TempDirectory.h"
#include "TestSounds.h"

#include <gtest/gtest.h>

#include <sndfile.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace ryx {
namespace {

namespace fs = std::filesystem;

std::string readText(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Runs a shell line in `folder` with ryxenc first on PATH; returns the exit
// status (-1 when it did not exit) and what it printed.
int runShell(const std::string& line, const fs::path& folder, std::string& output) {
    const std::string bin = fs::path(RYXENC_PATH).parent_path().string();
    const std::string command = "cd " + quoted(folder.string()) + " && PATH=" + quoted(bin) + ":\"$PATH\" " +
                                line + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return -1;
    char buffer[4096];
    while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The long options of the option list: indented lines that start with a dash.
std::set<std::string> helpOptions() {
    std::string help;
    EXPECT_EQ(runShell("ryxenc --help", fs::temp_directory_path(), help), 0);
    std::set<std::string> options;
    const std::regex optionLine(R"(^ +(?:-[A-Za-z], )?(--[a-z][a-z-]*))");
    std::istringstream lines(help);
    for (std::string line; std::getline(lines, line);) {
        std::smatch match;
        if (std::regex_search(line, match, optionLine)) options.insert(match[1]);
    }
    return options;
}

// Whether `option` occurs as a whole option name: --c is not --c-player.
bool mentions(const std::string& text, const std::string& option) {
    for (std::size_t at = text.find(option); at != std::string::npos; at = text.find(option, at + 1)) {
        const std::size_t end = at + option.size();
        const bool wordEnd = end == text.size() || !(std::isalnum(static_cast<unsigned char>(text[end])) ||
                                                     text[end] == '-' || text[end] == '_');
        if (wordEnd) return true;
    }
    return false;
}

TEST(Docs, EveryOptionOfTheHelpIsInTheReadmeAndTheHelpPage) {
    const std::set<std::string> options = helpOptions();
    ASSERT_GT(options.size(), 30u) << "the option list of ryxenc --help was not found";
    EXPECT_TRUE(options.contains("--c") && options.contains("--c-player") && options.contains("--help"));
    const std::string readme = readText(fs::path(RYX_SOURCE_DIR) / "README.md");
    const std::string page = readText(fs::path(RYX_SOURCE_DIR) / "help" / "ryx-encoder-help.html");
    ASSERT_FALSE(readme.empty());
    ASSERT_FALSE(page.empty());
    for (const std::string& option : options) {
        EXPECT_TRUE(mentions(readme, option)) << option << " is missing from README.md";
        EXPECT_TRUE(mentions(page, option)) << option << " is missing from help/ryx-encoder-help.html";
    }
}

TEST(Docs, WholeOptionNamesAreMatched) {
    EXPECT_TRUE(mentions("`--c FILE`", "--c"));
    EXPECT_TRUE(mentions("<code>--c</code>", "--c"));
    EXPECT_FALSE(mentions("`--c-player DIR`", "--c"));
    EXPECT_FALSE(mentions("--chip", "--c"));
}

// The lines starting with "ryxenc " in the ```sh blocks under "## Recipes",
// up to the next heading of that level.
std::vector<std::string> recipeCommands(const std::string& readme) {
    std::vector<std::string> commands;
    std::istringstream lines(readme);
    bool inRecipes = false;
    bool inBlock = false;
    for (std::string line; std::getline(lines, line);) {
        if (!inBlock && line.starts_with("## ")) inRecipes = line == "## Recipes";
        if (!inRecipes) continue;
        if (line.starts_with("```")) {
            inBlock = !inBlock && line == "```sh";
            continue;
        }
        if (inBlock && line.starts_with("ryxenc ")) commands.push_back(line);
    }
    return commands;
}

// The words of a command line that name sounds to read, by their ending.
std::vector<std::string> soundWords(const std::string& command) {
    std::vector<std::string> words;
    std::istringstream in(command);
    for (std::string word; in >> word;) {
        if (word == "#") break;  // a comment
        if (word.ends_with(".wav") || word.ends_with(".flac")) words.push_back(word);
    }
    return words;
}

TEST(Docs, EveryRyxencLineOfTheReadmesRecipesRuns) {
    const std::string readme = readText(fs::path(RYX_SOURCE_DIR) / "README.md");
    const std::vector<std::string> commands = recipeCommands(readme);
    ASSERT_GE(commands.size(), 6u) << "no recipes found under \"## Recipes\" in ```sh blocks";
    const fs::path hello = fs::path(RYX_SOURCE_DIR) / "examples" / "hello.wav";
    for (const std::string& command : commands) {
        test::TempDirectory folder;
        // Every sound the line names exists first: the example for a WAV,
        // a stereo 44.1 kHz tone for any other kind.
        for (const std::string& word : soundWords(command)) {
            const fs::path path = folder / word;
            fs::create_directories(path.parent_path());
            if (word.ends_with(".wav")) {
                fs::copy_file(hello, path, fs::copy_options::overwrite_existing);
            } else {
                test::ToneSound tone;
                tone.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
                test::writeSoundFile(path, tone);
            }
        }
        std::string output;
        EXPECT_EQ(runShell(command, folder.path(), output), 0) << command << "\n" << output;
    }
}

TEST(Docs, RecipeCommandsAreTakenOnlyFromShellBlocksUnderRecipes) {
    const std::string readme =
        "## Before\n```sh\nryxenc a.wav\n```\n## Recipes\ntext ryxenc b.wav\n```sh\nryxenc c.wav\n"
        "gpasm x.asm\n```\n```\nryxenc d.wav\n```\n### One\n```sh\nryxenc e.wav # f.wav\n```\n## Reference\n"
        "```sh\nryxenc g.wav\n```\n";
    EXPECT_EQ(recipeCommands(readme), (std::vector<std::string>{"ryxenc c.wav", "ryxenc e.wav # f.wav"}));
    EXPECT_EQ(soundWords("ryxenc --bank x.wav dir/y.flac # z.wav"), (std::vector<std::string>{"x.wav", "dir/y.flac"}));
}

}  // namespace
}  // namespace ryx
