#include "I2cEeprom.h"

#include <gpsim/packages.h>

#include <fstream>
#include <iterator>

namespace ryx::gpsim {

constexpr std::uint32_t kBlockBytes = 0x10000;

bool I2cEepromLogic::sda(bool high) {
    const bool rising = high && !sda_;
    const bool falling = !high && sda_;
    sda_ = high;
    if (!scl_) return pullsLow_;
    if (falling) {  // a start, or a repeated start
        phase_ = Phase::control;
        clocks_ = 0;
        shift_ = 0;
        pullsLow_ = false;
    } else if (rising) {  // a stop
        phase_ = Phase::idle;
        pullsLow_ = false;
    }
    return pullsLow_;
}

bool I2cEepromLogic::scl(bool high) {
    const bool rising = high && !scl_;
    scl_ = high;
    if (phase_ == Phase::idle || phase_ == Phase::refused) return pullsLow_;
    if (rising) {
        ++clocks_;
        if (phase_ == Phase::transmit) {
            if (clocks_ == 9) masterAcknowledged_ = !sda_;
        } else if (clocks_ <= 8) {
            shift_ = static_cast<std::uint8_t>(shift_ << 1 | (sda_ ? 1 : 0));
        }
        return pullsLow_;
    }
    // SCL falling: the memory changes SDA only now.
    if (phase_ == Phase::transmit) {
        if (clocks_ < 8) {
            pullsLow_ = !bitOfByte(7 - clocks_);
        } else if (clocks_ == 8) {
            pointer_ = static_cast<std::uint16_t>(pointer_ + 1);  // wraps within the block
            pullsLow_ = false;                                    // the master's acknowledge
        } else {
            endFrame();
        }
        return pullsLow_;
    }
    if (clocks_ == 8) {  // the byte is in: acknowledge it or not
        bool acknowledged = true;
        if (phase_ == Phase::control) {
            const std::uint8_t select = blockSelectBit_ != 0 ? 0x06 : 0x0E;  // A1, A0 (and A2)
            acknowledged = (shift_ & 0xF0) == 0xA0 && (shift_ & select) == 0;
        } else if (phase_ != Phase::addressHigh && phase_ != Phase::addressLow) {
            acknowledged = false;
        }
        pullsLow_ = acknowledged;
        if (!acknowledged) phase_ = Phase::refused;
    } else if (clocks_ == 9) {
        endFrame();
    }
    return pullsLow_;
}

void I2cEepromLogic::endFrame() {
    clocks_ = 0;
    pullsLow_ = false;
    switch (phase_) {
    case Phase::control:
        reading_ = (shift_ & 1) != 0;
        block_ = blockSelectBit_ != 0 && (shift_ >> blockSelectBit_ & 1) != 0 ? kBlockBytes : 0;
        phase_ = reading_ ? Phase::transmit : Phase::addressHigh;
        break;
    case Phase::addressHigh:
        pointer_ = static_cast<std::uint16_t>(shift_ << 8);
        phase_ = Phase::addressLow;
        break;
    case Phase::addressLow:
        pointer_ = static_cast<std::uint16_t>(pointer_ | shift_);
        phase_ = Phase::refused;  // data to write: not stored
        break;
    case Phase::transmit:
        if (!masterAcknowledged_) {
            phase_ = Phase::idle;
            return;
        }
        break;
    default:
        break;
    }
    if (phase_ == Phase::transmit) pullsLow_ = !bitOfByte(7);
    shift_ = 0;
}

std::uint32_t I2cEepromLogic::address() const { return (block_ + pointer_) % size_; }

bool I2cEepromLogic::bitOfByte(int bit) const {
    const std::uint32_t at = address();
    const std::uint8_t byte = at < image_.size() ? image_[at] : 0xFF;
    return (byte >> bit & 1) != 0;
}

I2cEepromPin::I2cEepromPin(I2cEeprom& owner, const std::string& name)
    : IO_bi_directional(name.c_str()), owner_(owner) {}

void I2cEepromPin::setDrivenState(bool state) {
    IO_bi_directional::setDrivenState(state);
    owner_.pinChanged();
}

Module* I2cEeprom::construct512(const char* name) { return new I2cEeprom(name, 64 * 1024, 0); }
Module* I2cEeprom::construct1025(const char* name) { return new I2cEeprom(name, 128 * 1024, 3); }

I2cEeprom::I2cEeprom(const char* name, std::uint32_t sizeBytes, std::uint8_t blockSelectBit)
    : Module(name, "24-series I2C EEPROM"), logic_(sizeBytes, blockSelectBit) {
    const std::string prefix = std::string(name) + ".";
    scl_ = new I2cEepromPin(*this, prefix + "SCL");
    sda_ = new I2cEepromPin(*this, prefix + "SDA");
    create_pkg(2);
    assign_pin(1, scl_);
    assign_pin(2, sda_);
    for (IOPIN* pin : {static_cast<IOPIN*>(scl_), static_cast<IOPIN*>(sda_)}) {
        std::string shortName = pin->name().substr(prefix.size());
        addSymbol(pin, &shortName);
        pin->update_direction(0, true);
    }
    image_ = new String("image", "", "the file of bytes the memory serves");
    addSymbol(image_);
}

I2cEeprom::~I2cEeprom() {
    removeSymbol(image_);
    delete image_;
}

void I2cEeprom::pinChanged() {
    if (busy_) return;
    busy_ = true;
    if (const std::string path = image_->getVal(); path != loadedImage_) {
        std::ifstream in(path, std::ios::binary);
        logic_.setImage(
            std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
        loadedImage_ = path;
    }
    const bool sclHigh = scl_->getDrivenState();
    const bool sdaHigh = sda_->getDrivenState();
    bool pullLow = false;
    bool changed = false;
    // SDA first: a start or a stop is SDA moving while SCL stays high.
    if (sdaHigh != sdaHigh_) {
        sdaHigh_ = sdaHigh;
        pullLow = logic_.sda(sdaHigh);
        changed = true;
    }
    if (sclHigh != sclHigh_) {
        sclHigh_ = sclHigh;
        pullLow = logic_.scl(sclHigh);
        changed = true;
    }
    if (changed) {
        if (pullLow) {
            sda_->update_direction(1, true);
            sda_->putState(false);
        } else {
            sda_->update_direction(0, true);
        }
        sdaHigh_ = sda_->getDrivenState();
        logic_.sda(sdaHigh_);
    }
    busy_ = false;
}

}  // namespace ryx::gpsim
