#pragma once
// A 25-series SPI memory for gpsim, as its datasheets describe it: mode 0
// (SI sampled as SCK rises, SO changed as it falls), a command started by CS
// falling, READ (03h) with a 24-bit address streaming bytes from there, the
// address wrapping at the end of the memory; SO high-impedance while CS is
// high and until a READ's data. Other commands are ignored until CS rises.
//
//   module lib /path/libryx_flash_modules.so
//   module load spi_flash mem
//   mem.image = "image.bin"     # the bytes it serves; past them it reads 0xFF
//   mem.size = 4194304          # where the address wraps (default 16 MiB)
//   attach ncs porta2 mem.CS    # and SCK, SI, SO likewise

#include <gpsim/modules.h>
#include <gpsim/stimuli.h>
#include <gpsim/value.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ryx::gpsim {

// The bus logic alone: levels in, SO's level (or released) out.
class SpiFlashLogic {
public:
    enum class Output { released, low, high };

    void setImage(std::vector<std::uint8_t> bytes) { image_ = std::move(bytes); }
    void setSize(std::uint32_t bytes) { size_ = bytes == 0 ? 1 : bytes; }
    // Each returns what SO does from then on.
    Output select(bool csHigh);
    Output clock(bool sckHigh, bool si);

private:
    enum class Phase { idle, command, address, data, ignored };
    std::uint8_t byteAt(std::uint32_t address) const;

    std::vector<std::uint8_t> image_;
    std::uint32_t size_ = 1u << 24;
    Phase phase_ = Phase::idle;
    bool sck_ = false;
    std::uint32_t shift_ = 0;
    int bits_ = 0;
    int addressBytes_ = 0;
    std::uint32_t address_ = 0;
    int outBit_ = 0;  // the next bit of the byte at address_ that SO gives, 7 first
    Output output_ = Output::released;
};

class SpiFlash;

// An input that tells the memory when the node drives it to a new level.
class SpiFlashInput : public IOPIN {
public:
    SpiFlashInput(SpiFlash& owner, const std::string& name);
    void setDrivenState(bool state) override;

private:
    SpiFlash& owner_;
};

class SpiFlash : public Module {
public:
    static Module* construct(const char* name);
    explicit SpiFlash(const char* name);
    ~SpiFlash() override;

    void pinChanged();

private:
    void drive(SpiFlashLogic::Output output);
    void loadImageIfNew();

    SpiFlashLogic logic_;
    SpiFlashInput* cs_;
    SpiFlashInput* sck_;
    SpiFlashInput* si_;
    IO_bi_directional* so_;
    String* image_;
    Integer* size_;
    std::string loadedImage_;
    bool csHigh_ = true;
    bool sckHigh_ = false;
};

}  // namespace ryx::gpsim
