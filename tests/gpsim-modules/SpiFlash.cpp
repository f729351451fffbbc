#include "SpiFlash.h"

#include <gpsim/packages.h>

#include <fstream>
#include <iterator>

namespace ryx::gpsim {

constexpr std::uint8_t kRead = 0x03;
constexpr int kAddressBytes = 3;

SpiFlashLogic::Output SpiFlashLogic::select(bool csHigh) {
    phase_ = csHigh ? Phase::idle : Phase::command;
    shift_ = 0;
    bits_ = 0;
    output_ = Output::released;
    return output_;
}

SpiFlashLogic::Output SpiFlashLogic::clock(bool sckHigh, bool si) {
    const bool rising = sckHigh && !sck_;
    const bool falling = !sckHigh && sck_;
    sck_ = sckHigh;
    if (phase_ == Phase::idle || phase_ == Phase::ignored) return output_;
    if (rising && phase_ != Phase::data) {
        shift_ = (shift_ << 1 | (si ? 1u : 0u)) & 0xFF;
        if (++bits_ < 8) return output_;
        bits_ = 0;
        if (phase_ == Phase::command) {
            phase_ = shift_ == kRead ? Phase::address : Phase::ignored;
            address_ = 0;
            addressBytes_ = 0;
        } else {
            address_ = (address_ << 8 | shift_) & 0xFFFFFF;
            if (++addressBytes_ == kAddressBytes) {
                phase_ = Phase::data;
                address_ %= size_;
                outBit_ = 7;
            }
        }
        return output_;
    }
    // The first bit of the data follows the address's last rising edge.
    if (falling && phase_ == Phase::data) {
        if (outBit_ < 0) {
            address_ = (address_ + 1) % size_;
            outBit_ = 7;
        }
        output_ = (byteAt(address_) >> outBit_ & 1) != 0 ? Output::high : Output::low;
        --outBit_;
    }
    return output_;
}

std::uint8_t SpiFlashLogic::byteAt(std::uint32_t address) const {
    return address < image_.size() ? image_[address] : 0xFF;  // erased beyond the image
}

SpiFlashInput::SpiFlashInput(SpiFlash& owner, const std::string& name) : IOPIN(name.c_str()), owner_(owner) {}

void SpiFlashInput::setDrivenState(bool state) {
    IOPIN::setDrivenState(state);
    owner_.pinChanged();
}

Module* SpiFlash::construct(const char* name) { return new SpiFlash(name); }

SpiFlash::SpiFlash(const char* name) : Module(name, "25-series SPI memory") {
    const std::string prefix = std::string(name) + ".";
    cs_ = new SpiFlashInput(*this, prefix + "CS");
    sck_ = new SpiFlashInput(*this, prefix + "SCK");
    si_ = new SpiFlashInput(*this, prefix + "SI");
    so_ = new IO_bi_directional((prefix + "SO").c_str());
    create_pkg(4);
    assign_pin(1, cs_);
    assign_pin(2, so_);
    assign_pin(3, sck_);
    assign_pin(4, si_);
    // Attached as mem.CS: each pin by its short name in the module.
    for (IOPIN* pin : {static_cast<IOPIN*>(cs_), static_cast<IOPIN*>(sck_), static_cast<IOPIN*>(si_),
                       static_cast<IOPIN*>(so_)}) {
        std::string shortName = pin->name().substr(prefix.size());
        addSymbol(pin, &shortName);
    }
    so_->update_direction(0, true);
    image_ = new String("image", "", "the file of bytes the memory serves");
    size_ = new Integer("size", 1 << 24, "the memory's bytes: the address wraps there");
    addSymbol(image_);
    addSymbol(size_);
}

SpiFlash::~SpiFlash() {
    removeSymbol(image_);
    removeSymbol(size_);
    delete image_;
    delete size_;
}

void SpiFlash::loadImageIfNew() {
    const std::string path = image_->getVal();
    gint64 size = 0;
    size_->get(size);
    logic_.setSize(static_cast<std::uint32_t>(size));
    if (path == loadedImage_) return;
    std::ifstream in(path, std::ios::binary);
    logic_.setImage(std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    loadedImage_ = path;
}

void SpiFlash::pinChanged() {
    const bool csHigh = cs_->getDrivenState();
    const bool sckHigh = sck_->getDrivenState();
    if (csHigh != csHigh_) {
        csHigh_ = csHigh;
        if (!csHigh) loadImageIfNew();
        drive(logic_.select(csHigh));
    }
    if (sckHigh != sckHigh_) {
        sckHigh_ = sckHigh;
        drive(logic_.clock(sckHigh, si_->getDrivenState()));
    }
}

void SpiFlash::drive(SpiFlashLogic::Output output) {
    if (output == SpiFlashLogic::Output::released) {
        so_->update_direction(0, true);
        return;
    }
    so_->update_direction(1, true);
    so_->putState(output == SpiFlashLogic::Output::high);
}

}  // namespace ryx::gpsim
