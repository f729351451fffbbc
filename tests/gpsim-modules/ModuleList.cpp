// The module list gpsim asks a module library for.

#include "SpiFlash.h"

namespace {

Module_Types kModules[] = {
    {{"spi_flash", "spi_flash"}, ryx::gpsim::SpiFlash::construct},
    {{nullptr, nullptr}, nullptr},
};

}  // namespace

extern "C" Module_Types* get_mod_list() { return kModules; }
