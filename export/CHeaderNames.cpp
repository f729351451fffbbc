#include "export/CHeaderNames.h"

#include <algorithm>
#include <iterator>
#include <cctype>
#include <map>

namespace ryx {
namespace {

// C's keywords to C23 and C++'s: the header is for Arduino's C++ too.
constexpr std::string_view kKeywords[] = {
    "auto", "break", "case", "char", "const", "continue", "default", "do", "double", "else", "enum", "extern",
    "float", "for", "goto", "if", "inline", "int", "long", "register", "restrict", "return", "short", "signed",
    "sizeof", "static", "struct", "switch", "typedef", "union", "unsigned", "void", "volatile", "while",
    "_Bool", "_Complex", "_Imaginary", "_Alignas", "_Alignof", "_Atomic", "_Generic", "_Noreturn",
    "_Static_assert", "_Thread_local", "_Pragma", "_BitInt", "_Decimal32", "_Decimal64", "_Decimal128",
    "alignas", "alignof", "bool", "constexpr", "false", "nullptr", "static_assert", "thread_local", "true",
    "typeof", "typeof_unqual", "and", "and_eq", "asm", "bitand", "bitor", "catch", "char8_t", "char16_t",
    "char32_t", "class", "co_await", "co_return", "co_yield", "compl", "concept", "const_cast", "consteval",
    "constinit", "decltype", "delete", "dynamic_cast", "explicit", "export", "friend", "mutable", "namespace",
    "new", "noexcept", "not", "not_eq", "operator", "or", "or_eq", "private", "protected", "public",
    "reinterpret_cast", "requires", "static_cast", "template", "this", "throw", "try", "typeid", "typename",
    "using", "virtual", "wchar_t"};

// The header's own macro, defined before any name of a sound.
constexpr std::string_view kStorageMacro = "RYX_STORAGE";

bool isIdentifierCharacter(char c) {
    return c > 0 && (std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_');
}

std::string quoted(std::string_view name) { return "\"" + std::string(name) + "\""; }

// The base name with every other character '_'; "sound" when nothing is left.
std::string plainIdentifier(std::string_view baseName) {
    std::string name;
    for (const char c : baseName) name += isIdentifierCharacter(c) ? c : '_';
    if (std::all_of(name.begin(), name.end(), [](char c) { return c == '_'; })) return "sound";
    return name;
}

// Each name the header defines already, with what it is, as a message says it.
using Taken = std::map<std::string, std::string, std::less<>>;

void take(Taken& taken, const std::vector<std::string>& names, const std::string& array, const std::string& figure) {
    for (std::size_t k = 0; k < names.size(); ++k) taken.emplace(names[k], k == 0 ? array : figure);
}

// Why `name` would not do beside the names taken; empty when it would.
std::string refusal(const std::string& name, const Taken& taken) {
    if (std::string problem = cNameProblem(name); !problem.empty()) return quoted(name) + " " + problem;
    for (const std::string& identifier : cSoundIdentifiers(name)) {
        if (const auto found = taken.find(identifier); found != taken.end()) {
            return quoted(identifier) + " is " + found->second;
        }
    }
    return {};
}

}  // namespace

std::string cNameProblem(std::string_view name) {
    if (name.empty() || std::isdigit(static_cast<unsigned char>(name.front())) != 0 ||
        !std::all_of(name.begin(), name.end(), isIdentifierCharacter)) {
        return "is not a C identifier: letters, digits and _, not starting with a digit";
    }
    if (std::find(std::begin(kKeywords), std::end(kKeywords), name) != std::end(kKeywords)) return "is a keyword of C or C++";
    if (name.front() == '_') return "starts with _: C keeps such names for the compiler and its library";
    if (name == "main") return "is the name of the program's function main";
    if (name == kStorageMacro) return "is the header's macro for the arrays' storage";
    return {};
}

std::vector<std::string> cSoundIdentifiers(std::string_view name) {
    const std::string base(name);
    return {base, base + "_SAMPLES", base + "_RATE", base + "_PINS", base + "_FINENESS"};
}

std::vector<std::string> cBankIdentifiers(std::string_view bank) {
    const std::string base(bank);
    return {base, base + "_COUNT", base + "_samples"};
}

std::string cIncludeGuard(std::string_view name) {
    std::string guard(name);
    for (char& c : guard) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return guard + "_H";
}

std::vector<CHeaderName> nameCHeaderSounds(std::span<const std::string> baseNames, std::string_view bank) {
    Taken taken{{std::string(kStorageMacro), "the header's macro for the arrays' storage"}};
    if (!bank.empty()) {
        taken.emplace(cIncludeGuard(bank), "the header's include guard");
        take(taken, cBankIdentifiers(bank), "the bank's table", "a figure of the bank");
    }
    std::vector<CHeaderName> names;
    for (const std::string& baseName : baseNames) {
        const std::string plain = plainIdentifier(baseName);
        std::string change = refusal(plain, taken);
        // A name that cannot start as it does gets "sound" before it.
        const bool badStart = plain.front() == '_' || std::isdigit(static_cast<unsigned char>(plain.front())) != 0;
        const std::string stem = badStart ? "sound" + std::string(plain.front() == '_' ? "" : "_") + plain : plain;
        std::string name = stem;
        for (int k = 1; !refusal(name, taken).empty(); ++k) {
            name = stem + "_sound" + (k == 1 ? std::string() : std::to_string(k));
        }
        const std::string number = std::to_string(names.size() + 1);
        take(taken, cSoundIdentifiers(name), "the array of sound " + number, "a figure of sound " + number);
        names.push_back({name, change});
    }
    return names;
}

std::string cIdentifierFor(std::string_view baseName) {
    const std::string base(baseName);
    return nameCHeaderSounds(std::span(&base, 1), {}).front().name;
}

}  // namespace ryx
