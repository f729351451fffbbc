#pragma once
// Where the two preview files live: a folder of the user's own that no one
// else can read, write or plant a link in.

#include "core/Result.h"

#include <functional>
#include <string>
#include <vector>

namespace ryx::ui {

// $XDG_RUNTIME_DIR/ryx-encoder when that is set, then the user's cache
// folder ($XDG_CACHE_HOME, else ~/.cache) with ryx-encoder in it.
std::vector<std::string> previewDirectoryCandidates(const std::function<std::string(const char*)>& environment);

// Creates the folder with mode 0700 when it is missing. Refuses a symbolic
// link, anything but a folder, and a folder of another user; narrows the
// mode of a folder of the user's own to 0700.
Result<> preparePrivateDirectory(const std::string& path);

// The first candidate that can be prepared; fails with every reason.
Result<std::string> choosePreviewDirectory();

}  // namespace ryx::ui
