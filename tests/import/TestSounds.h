#pragma once
// Test sounds of every kind, written by libsndfile into memory or a file:
// silence, a sine tone, silence.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace ryx::test {

struct ToneSound {
    int format = 0;  // libsndfile's SF_FORMAT_* major | minor
    int channels = 2;
    int rate = 44100;
    double toneHz = 1000.0;
    double amplitude = 0.25;  // of full scale
    double leadSeconds = 0.2;
    double toneSeconds = 1.0;
    double tailSeconds = 0.3;
    double offset = 0.0;      // DC added to every sample
    std::string title;        // non-empty: a LIST chunk (WAV) with this title
};

// A mono tone with no silence around it.
ToneSound monoTone(int format, int rate, double seconds);

// The interleaved frames of the sound, -1 ... 1.
std::vector<float> toneFrames(const ToneSound& sound);
// The whole file; the test fails when libsndfile cannot write it.
std::vector<std::uint8_t> soundBytes(const ToneSound& sound);
// The same kind of file holding these interleaved frames instead of the tone.
std::vector<std::uint8_t> soundBytes(const ToneSound& sound, const std::vector<float>& frames);
void writeSoundFile(const std::filesystem::path& path, const ToneSound& sound);

// Crossings of the 128 line, up or down, in 8-bit samples.
int zeroCrossings(const std::uint8_t* samples, std::size_t count);

}  // namespace ryx::test
