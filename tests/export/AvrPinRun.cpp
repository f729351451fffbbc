// Runs an AVR program in simavr (through its library) and prints every write
// of port B as "CYCLE VALUE", then "end CYCLE STATE"; simavr's own notes
// start with a letter. Input pins are driven
// from the command line: "D3@200000=0" pulls PD3 low at cycle 200000. The
// run ends when the program sleeps with interrupts off (state "done"), or at
// MAX_CYCLES ("running").
// Usage: avr_pin_run ELF MCU HZ MAX_CYCLES [PORTBIT@CYCLE=LEVEL ...]

extern "C" {
#include <avr_ioport.h>
#include <sim_avr.h>
#include <sim_elf.h>
}

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct Drive {
    char port = 0;
    int bit = 0;
    unsigned long long cycle = 0;
    int level = 0;
};

void onPortWrite(avr_irq_t*, uint32_t value, void* param) {
    const avr_t* avr = static_cast<const avr_t*>(param);
    std::printf("%llu %u\n", static_cast<unsigned long long>(avr->cycle), value & 0xFFu);
}

// The simulation runs as fast as it can: no waiting in real time while asleep.
void noSleep(avr_t*, avr_cycle_count_t) {}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s ELF MCU HZ MAX_CYCLES [PORTBIT@CYCLE=LEVEL ...]\n", argv[0]);
        return 2;
    }
    std::vector<Drive> drives;
    for (int i = 5; i < argc; ++i) {
        Drive d;
        if (std::sscanf(argv[i], "%c%d@%llu=%d", &d.port, &d.bit, &d.cycle, &d.level) != 4 ||
            (d.port != 'B' && d.port != 'D')) {
            std::fprintf(stderr, "bad drive %s\n", argv[i]);
            return 2;
        }
        drives.push_back(d);
    }
    std::stable_sort(drives.begin(), drives.end(), [](const Drive& a, const Drive& b) { return a.cycle < b.cycle; });

    elf_firmware_t firmware;
    std::memset(&firmware, 0, sizeof firmware);
    if (elf_read_firmware(argv[1], &firmware) != 0) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 2;
    }
    avr_t* avr = avr_make_mcu_by_name(argv[2]);
    if (avr == nullptr) {
        std::fprintf(stderr, "unknown mcu %s\n", argv[2]);
        return 2;
    }
    avr_init(avr);
    avr->frequency = static_cast<uint32_t>(std::strtoul(argv[3], nullptr, 10));
    avr->sleep = noSleep;
    avr->log = 0;
    avr_load_firmware(avr, &firmware);
    avr_irq_t* portWrites = avr_io_getirq(avr, AVR_IOCTL_IOPORT_GETIRQ('B'), IOPORT_IRQ_REG_PORT);
    portWrites->flags = static_cast<uint8_t>(portWrites->flags & ~IRQ_FLAG_FILTERED);  // every write, also of the same value
    avr_irq_register_notify(portWrites, onPortWrite, avr);

    const unsigned long long maxCycles = std::strtoull(argv[4], nullptr, 10);
    std::size_t next = 0;
    int state = cpu_Running;
    while (avr->cycle < maxCycles && state != cpu_Done && state != cpu_Crashed) {
        while (next < drives.size() && drives[next].cycle <= avr->cycle) {
            const Drive& d = drives[next++];
            const uint32_t port = d.port == 'B' ? AVR_IOCTL_IOPORT_GETIRQ('B') : AVR_IOCTL_IOPORT_GETIRQ('D');
            avr_raise_irq(avr_io_getirq(avr, port, d.bit), static_cast<uint32_t>(d.level));
        }
        state = avr_run(avr);
    }
    std::printf("end %llu %s\n", static_cast<unsigned long long>(avr->cycle),
                state == cpu_Done ? "done" : state == cpu_Crashed ? "crashed" : "running");
    return 0;
}
