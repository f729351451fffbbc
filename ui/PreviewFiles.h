#pragma once
// The two preview files of one window, in a fresh folder of its own inside
// the private preview folder, so that two windows never share a file. A file
// is created anew for every write and never through a link. The folder goes
// when the window does; one left by a crashed window goes at the next start.

#include "core/Result.h"
#include "formats/PreviewBytes.h"
#include "core/ProgramState.h"

#include <memory>
#include <string>

namespace ryx::ui {

class PreviewFiles {
public:
    // Removes the stale folders of windows that are gone, then makes this
    // window's folder in base (which must be private). Fails with the reason.
    static Result<> create(const std::string& base, std::unique_ptr<PreviewFiles>& made);
    ~PreviewFiles();  // removes the folder with both files
    PreviewFiles(const PreviewFiles&) = delete;
    PreviewFiles& operator=(const PreviewFiles&) = delete;

    const std::string& folder() const { return folder_; }
    std::string originalPath() const;
    std::string decodedPath() const;

    // Rewrites the mode's file: the old one is removed, then a new one
    // written whole (never through a link); on failure none is left. The
    // caller stops the sound first.
    Result<> writePreviewWav(const ProgramState& state, PreviewMode mode);

private:
    PreviewFiles(std::string folder, int folderDescriptor);

    std::string folder_;
    int folderDescriptor_;
};

// The name a window's folder gets, "window-PID-XXXXXX" before mkdtemp fills
// in the X's; and the PID in such a name, or 0 for any other name.
std::string windowFolderPattern(long pid);
long windowFolderOwner(const std::string& name);

// Removes every window folder in base that belongs to this user and whose
// process no longer exists; anything else is left alone.
void removeStaleWindowFolders(const std::string& base);

}  // namespace ryx::ui
