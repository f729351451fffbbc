#pragma once
// A 24-series I2C EEPROM for gpsim (24LC512, 24LC1025; the simulator has
// only smaller ones), as the datasheets describe reads: a start (SDA falling
// while SCL is high) and the control byte 1010xxxR, acknowledged when its
// chip-select bits are low (A2..A0 tied to VSS; on the 24LC1025 bit 3 is the
// block B0 and A2 is tied high); a write sets the address pointer from two
// bytes, high first; a read (after a repeated start, or a stop and a start,
// or none: the current address) streams bytes from the pointer for as long
// as the master acknowledges them, the pointer wrapping within the block.
// Data bytes written after the address are not stored: they get no
// acknowledge (a player never writes).
//
//   module load i2c_24lc1025 ee
//   ee.image = "image.bin"      # the bytes it serves; past them it reads 0xFF
//   attach nscl porta0 ee.SCL pu1.pin   # both lines need a pull-up
//   attach nsda porta1 ee.SDA pu2.pin

#include <gpsim/modules.h>
#include <gpsim/stimuli.h>
#include <gpsim/value.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ryx::gpsim {

class I2cEepromLogic {
public:
    // blockSelectBit: the control byte's bit that picks a 64 KiB block (0: none).
    I2cEepromLogic(std::uint32_t sizeBytes, std::uint8_t blockSelectBit)
        : size_(sizeBytes), blockSelectBit_(blockSelectBit) {}

    void setImage(std::vector<std::uint8_t> bytes) { image_ = std::move(bytes); }
    // Each returns whether the memory pulls SDA low from then on.
    bool scl(bool high);
    bool sda(bool high);

private:
    enum class Phase { idle, control, addressHigh, addressLow, refused, transmit };
    void endFrame();
    bool bitOfByte(int bit) const;
    std::uint32_t address() const;

    std::vector<std::uint8_t> image_;
    std::uint32_t size_;
    std::uint8_t blockSelectBit_;
    Phase phase_ = Phase::idle;
    bool scl_ = true;
    bool sda_ = true;
    int clocks_ = 0;  // SCL rises in this byte's frame of nine
    std::uint8_t shift_ = 0;
    bool reading_ = false;
    std::uint32_t block_ = 0;
    std::uint16_t pointer_ = 0;
    bool masterAcknowledged_ = false;
    bool pullsLow_ = false;
};

class I2cEeprom;

class I2cEepromPin : public IO_bi_directional {
public:
    I2cEepromPin(I2cEeprom& owner, const std::string& name);
    void setDrivenState(bool state) override;

private:
    I2cEeprom& owner_;
};

class I2cEeprom : public Module {
public:
    static Module* construct512(const char* name);
    static Module* construct1025(const char* name);
    I2cEeprom(const char* name, std::uint32_t sizeBytes, std::uint8_t blockSelectBit);
    ~I2cEeprom() override;

    void pinChanged();

private:
    I2cEepromLogic logic_;
    I2cEepromPin* scl_;
    I2cEepromPin* sda_;
    String* image_;
    std::string loadedImage_;
    bool sclHigh_ = true;
    bool sdaHigh_ = true;
    bool busy_ = false;  // our own SDA change comes back through the node
};

}  // namespace ryx::gpsim
