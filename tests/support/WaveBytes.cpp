#include "support/WaveBytes.h"

#include "formats/PreviewBytes.h"

#include <cstring>

namespace ryx::test {
namespace {

void put16(Bytes& bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void put32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void putText(Bytes& bytes, std::size_t at, const char* text) { std::memcpy(&bytes[at], text, std::strlen(text)); }

}  // namespace

Bytes wave46(std::span<const std::uint8_t> samples, const WaveFields& fields) {
    Bytes bytes(46);
    putText(bytes, 0, fields.riff);
    put32(bytes, 4, static_cast<std::uint32_t>(samples.size() + 38));
    putText(bytes, 8, fields.wave);
    putText(bytes, 12, "fmt ");
    put32(bytes, 16, 18);
    put16(bytes, 20, fields.formatTag);
    put16(bytes, 22, fields.channels);
    put32(bytes, 24, fields.rate);
    put32(bytes, 28, fields.rate * fields.channels * fields.bits / 8u);
    put16(bytes, 32, static_cast<std::uint16_t>(fields.channels * fields.bits / 8));
    put16(bytes, 34, fields.bits);
    put16(bytes, 36, 0);
    putText(bytes, 38, "data");
    put32(bytes, 42, static_cast<std::uint32_t>(samples.size()));
    bytes.insert(bytes.end(), samples.begin(), samples.end());
    return bytes;
}

Bytes wave44(std::span<const std::uint8_t> samples, std::uint32_t rate) {
    Bytes bytes(44);
    putText(bytes, 0, "RIFF");
    put32(bytes, 4, static_cast<std::uint32_t>(samples.size() + 36));
    putText(bytes, 8, "WAVEfmt ");
    put32(bytes, 16, 16);
    put16(bytes, 20, 1);
    put16(bytes, 22, 1);
    put32(bytes, 24, rate);
    put32(bytes, 28, rate);
    put16(bytes, 32, 1);
    put16(bytes, 34, 8);
    putText(bytes, 36, "data");
    put32(bytes, 40, static_cast<std::uint32_t>(samples.size()));
    bytes.insert(bytes.end(), samples.begin(), samples.end());
    return bytes;
}

Bytes rampSamples(std::size_t count) {
    Bytes samples(count);
    for (std::size_t i = 0; i < count; ++i) samples[i] = static_cast<std::uint8_t>(i * 37 + 11);
    return samples;
}

Bytes squareSamples(std::size_t count) {
    Bytes samples(count);
    std::uint32_t noise = static_cast<std::uint32_t>(count);
    for (std::size_t i = 0; i < count; ++i) {
        noise = noise * 1664525u + 1013904223u;
        samples[i] = static_cast<std::uint8_t>((i % 50 < 25 ? 188u : 68u) + (noise >> 28));
    }
    return samples;
}

Bytes previewFileBytes(std::span<const std::uint8_t> samples, std::uint32_t rate) {
    const auto header = previewHeader(static_cast<std::uint32_t>(samples.size()), rate);
    Bytes bytes(header.begin(), header.end());
    bytes.insert(bytes.end(), samples.begin(), samples.end());
    return bytes;
}

}  // namespace ryx::test
