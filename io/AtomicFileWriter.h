#pragma once
// Writes a file so that it appears whole or not at all. The bytes go to a
// temporary file in the target's folder (an unnamed one where the file
// system has them, so that even a killed run leaves nothing), which takes
// the target's name on commit by one plain rename; the old file stays intact
// until then. A link is written through to the file it names (made when it
// does not exist yet). Written in place, as a shell's ">" writes: a pipe or
// device; the standard output and any other open descriptor of this process
// (named /dev/stdout, /dev/fd/N, /proc/self/fd/N), through that descriptor
// at its offset; a file that no path leads to.

#include "core/Result.h"

#include <concepts>
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <utility>

namespace ryx {

// Where an output goes: a file by name, or the standard output.
class OutputTarget {
public:
    template <typename Name>
        requires std::constructible_from<std::filesystem::path, Name>
    OutputTarget(Name&& name) : path_(std::forward<Name>(name)) {}  // NOLINT: a name is a target

    // shownAs: the name the user gave it (/dev/stdout), for messages.
    static OutputTarget standardOutput(std::filesystem::path shownAs = {});

    bool isStandardOutput() const { return standardOutput_; }
    const std::filesystem::path& path() const { return path_; }
    // As messages show it: the name (quoted when it holds control characters),
    // or "standard output" when it has none.
    std::string shownName() const;

private:
    OutputTarget() = default;
    std::filesystem::path path_;
    bool standardOutput_ = false;
};

class AtomicFileWriter {
public:
    // named: always a short hidden temporary name, as on file systems without unnamed files.
    enum class Temporary { unnamedWhereSupported, named };

    explicit AtomicFileWriter(OutputTarget target, Temporary temporary = Temporary::unnamedWhereSupported);
    ~AtomicFileWriter();  // discards the temporary file unless committed
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Checks the target and creates the temporary file; fails with the system's reason.
    Result<> open();
    // The first failure is remembered and reported by commit().
    void write(const void* data, std::size_t size);
    void write(std::string_view text) { write(text.data(), text.size()); }
    // Puts the file in place; on failure nothing is left and the target is as it was.
    Result<> commit();

private:
    Result<> writeThrough(int descriptor);
    Result<> openInPlace(int truncate);  // truncate: 0 or O_TRUNC
    Result<> openTemporary(bool unnamed);
    Result<> linkIntoPlace();
    Result<> renameIntoPlace(const std::string& temporaryName);
    Result<> fail(int errorNumber);
    void discard();

    OutputTarget target_;
    Temporary temporaryKind_;
    std::filesystem::path destination_;  // the file actually replaced (links followed)
    std::string destinationName_;        // its last component, within folder_
    int folder_ = -1;                    // the destination's folder
    int file_ = -1;
    std::string temporaryName_;          // a named temporary file in folder_, while it exists
    int cleanupSlot_ = -1;
    bool unnamed_ = false;
    bool direct_ = false;     // written in place: no temporary, no rename
    bool borrowed_ = false;   // file_ is the process's own descriptor: never closed here
    bool replacing_ = false;  // the destination existed when opened
    mode_t mode_ = 0;
    uid_t owner_ = 0;
    gid_t group_ = 0;
    int writeError_ = 0;
};

}  // namespace ryx
