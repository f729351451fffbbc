// The module list gpsim asks a module library for.

#include "I2cEeprom.h"
#include "SpiFlash.h"

namespace {

Module_Types kModules[] = {
    {{"spi_flash", "spi_flash"}, ryx::gpsim::SpiFlash::construct},
    {{"i2c_24lc512", "i2c_24lc512"}, ryx::gpsim::I2cEeprom::construct512},
    {{"i2c_24lc1025", "i2c_24lc1025"}, ryx::gpsim::I2cEeprom::construct1025},
    {{nullptr, nullptr}, nullptr},
};

}  // namespace

extern "C" Module_Types* get_mod_list() { return kModules; }
