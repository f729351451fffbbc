#pragma once
// The names a C header defines, chosen so that it compiles beside the user's
// own program under any C or C++ compiler: no keyword, no name C reserves,
// no main, and no two of the header's names alike.

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ryx {

// Why `name` cannot name a sound's array or a bank's table; empty when it can.
std::string cNameProblem(std::string_view name);

// Every name the header defines for a sound: its array and its figures.
std::vector<std::string> cSoundIdentifiers(std::string_view name);
// For a bank of sounds: its table, its count and its table of lengths.
std::vector<std::string> cBankIdentifiers(std::string_view bank);
// The include guard of a header named after `name` (its bank or its one sound).
std::string cIncludeGuard(std::string_view name);

struct CHeaderName {
    std::string name;
    std::string change;  // why the file's own name would not do; empty when it did
};

// A name for each sound from its file's base name: the name as a C
// identifier, changed where it would not compile or would meet a name the
// header already defines (the bank's, its guard's or an earlier sound's).
// An empty `bank`: one sound and no table.
std::vector<CHeaderName> nameCHeaderSounds(std::span<const std::string> baseNames, std::string_view bank);

// The name of one sound from its file's base name, as nameCHeaderSounds gives it.
std::string cIdentifierFor(std::string_view baseName);

}  // namespace ryx
