#include "export/CPlayerSource.h"

#include "core/ProductInfo.h"

#include <algorithm>

namespace ryx {
namespace {

constexpr std::uint32_t kMostUpdates = 32;
constexpr std::uint32_t kFullLevel = 65535;  // pin A always high
constexpr std::uint32_t kHalfLevel = 32768;

std::string madeBy() { return "/* Made by " + std::string(kProductName) + " " + std::string(kVersionText) + ". "; }

std::string number(std::uint64_t value) { return std::to_string(value); }

// The bits of the trigger pins on their port.
std::uint32_t triggerMask(const CPlayerTarget& target, std::size_t soundCount) {
    return ((1u << soundCount) - 1) << target.firstTriggerBit;
}

std::string hexByte(std::uint32_t value) {
    static constexpr char kDigits[] = "0123456789abcdef";
    return std::string("0x") + kDigits[(value >> 4) & 15] + kDigits[value & 15];
}

// The sound's table: the array and the samples it holds of the encoded ones.
std::string soundCases(std::span<const CPlayerSound> sounds) {
    std::string text;
    for (std::size_t k = 0; k < sounds.size(); ++k) {
        const std::string& name = sounds[k].name;
        text += "    case " + number(k) + ": p->first = " + name + "; p->count = RYX_BITS(" + name + ", " +
                number(sounds[k].samples) + "UL); break;\n";
    }
    return text;
}

}  // namespace

CPlayerFineRamp cPlayerFineRamp(const CPlayerTarget& target, const SampleTimer& timer) {
    // The fine bits stop this many cycles before the next sample, time for
    // the main loop to go to sleep: the interrupt then always wakes it alike.
    const std::uint32_t stop = (kFineStopCycles + timer.prescaler - 1) / timer.prescaler;
    CPlayerFineRamp fine;
    fine.stopCount = timer.compare > stop ? timer.compare - stop : 0;
    // The interrupt of a ramp sample waits until the timer counts startCount,
    // past its longest tick: the fine bits start at the same time in every
    // sample, whatever the tick did.
    fine.startCount = (kRampInterruptCycles + target.tickCycles + timer.prescaler - 1) / timer.prescaler;
    const std::uint32_t fineCycles = fine.stopCount * timer.prescaler;
    const std::uint32_t busy = fine.startCount * timer.prescaler + kInterruptExitCycles;
    if (fineCycles <= busy) return {};
    fine.room = std::min<std::uint32_t>(256, (256 * (fineCycles - busy) + timer.cyclesPerSample / 2) /
                                                 timer.cyclesPerSample);
    // Fine bits in under a sixteenth of a sample leave a gap to a high base
    // nearly as wide as a whole sample: no better than the tick's own bits.
    if (fine.room < 16) return {};
    return fine;
}

CPlayerRamp cPlayerRamp(std::uint32_t sampleRate, bool twoPins) {
    // Ticks in 0.15 s; the most updates that keep at least 2 ticks each.
    const std::uint64_t ticks = std::uint64_t{sampleRate} * 3 / 20;
    CPlayerRamp ramp;
    for (ramp.updates = kMostUpdates; ramp.updates > 1; ramp.updates /= 2) {
        if ((ticks + ramp.updates) / (2 * ramp.updates) >= 2) break;
    }
    ramp.wait = static_cast<std::uint32_t>(std::max<std::uint64_t>(1, (ticks + ramp.updates) / (2 * ramp.updates)));
    ramp.step = (twoPins ? kFullLevel : kHalfLevel) / (ramp.updates * ramp.updates);
    ramp.ticks = (2 * ramp.updates - 1) * ramp.wait;
    return ramp;
}

std::string cPlayerHeaderText(const CPlayerSettings& settings, std::size_t soundCount) {
    std::string text = madeBy() +
                       "The player of the sounds in sounds.h.\n"
                       " * ryx_player_start(&p, n) starts sound n (from 0); then call ryx_player_tick(&p)\n"
                       " * once a sample, RYX_PLAYER_RATE times a second, and put its bit 0 on pin A\n"
                       " * and its bit 1 on pin B. The output rises slowly before the sound and falls\n"
                       " * after it; then the tick gives RYX_PLAYER_OVER, both pins low. */\n"
                       "#ifndef RYX_PLAYER_INCLUDED\n#define RYX_PLAYER_INCLUDED\n\n";
    text += "#define RYX_PLAYER_RATE " + number(settings.sampleRate) + "UL /* samples a second */\n";
    text += "#define RYX_PLAYER_PINS " + std::string(settings.twoPins ? "2 /* \"1.5 bit\": pin B plays the bit before */\n"
                                                                       : "1 /* \"1 bit\": pin B stays low */\n");
    text += "#define RYX_PLAYER_SOUNDS " + number(soundCount) + "\n";
    text += "#define RYX_PLAYER_LOOP " + std::string(settings.loop ? "1 /* the sound plays for ever */\n"
                                                                   : "0 /* 1: the sound plays for ever */\n");
    text += "#define RYX_PLAYER_OVER 4 /* the tick's value once over */\n";
    text += "#define RYX_PLAYER_RAMP 8 /* in the tick's value: a sample of the rise or fall */\n\n";
    text += "/* Yours to own (static or on the stack); only the player touches it. */\n"
            "typedef struct ryx_player {\n"
            "    const unsigned char *first; /* the sound's first byte */\n"
            "    const unsigned char *next;  /* the next byte to read */\n"
            "    unsigned long count;        /* its samples */\n"
            "    unsigned long left;         /* samples left */\n"
            "    unsigned int level;         /* the ramp's level, of 65536 */\n"
            "    unsigned int sum;           /* its sigma-delta */\n"
            "    unsigned int speed;\n"
            "    unsigned int wait;          /* ticks to the next update */\n"
            "    unsigned char updates;      /* updates left */\n"
            "    unsigned char phase;\n"
            "    unsigned char byte;         /* the byte being played, shifted */\n"
            "    unsigned char bits;         /* its bits left */\n"
            "    unsigned char last;         /* the bit before, for pin B */\n"
            "} ryx_player;\n\n"
            "void ryx_player_start(ryx_player *p, unsigned sound);\n"
            "int ryx_player_tick(ryx_player *p);\n\n#endif\n";
    return text;
}

std::string cPlayerSourceText(const CPlayerSettings& settings, std::span<const CPlayerSound> sounds) {
    const CPlayerRamp ramp = cPlayerRamp(settings.sampleRate, settings.twoPins);
    std::string text = madeBy() + "See ryx_player.h. */\n#include \"ryx_player.h\"\n\n";
    text += "/* A byte of a sound is read through RYX_READ_BYTE: from program memory on AVR;\n"
            " * define RYX_STORAGE and RYX_READ_BYTE for another chip's program memory. */\n"
            "#if defined(__AVR__) && !defined(RYX_READ_BYTE)\n"
            "#include <avr/pgmspace.h>\n#define RYX_STORAGE PROGMEM\n"
            "#define RYX_READ_BYTE(address) pgm_read_byte(address)\n#endif\n"
            "#ifndef RYX_READ_BYTE\n#define RYX_READ_BYTE(address) (*(address))\n#endif\n"
            "#include \"sounds.h\"\n\n";
    text += "/* The samples an array holds of the encoded ones. */\n"
            "#define RYX_BITS(array, samples) \\\n"
            "    (sizeof(array) * 8UL < (samples) ? sizeof(array) * 8UL : (samples))\n\n";
    text += "/* The slow rise and fall: pin A plays a sigma-delta of a level that follows an\n"
            " * S, RYX_RAMP_UPDATES updates with a growing speed, as many less one shrinking,\n"
            " * RYX_RAMP_WAIT ticks apart: " + number(ramp.ticks) + " ticks. */\n";
    text += "#define RYX_RAMP_UPDATES " + number(ramp.updates) + "u\n";
    text += "#define RYX_RAMP_WAIT " + number(ramp.wait) + "u\n";
    text += "#define RYX_RAMP_STEP " + number(ramp.step) + "u\n\n";
    text += "enum { RYX_RISE, RYX_SOUND, RYX_FALL, RYX_OVER };\n\n";
    text += "void ryx_player_start(ryx_player *p, unsigned sound)\n{\n"
            "    p->phase = RYX_OVER;\n"
            "    switch (sound) {\n" +
            soundCases(sounds) +
            "    default: return;\n    }\n"
            "    p->next = p->first;\n    p->left = p->count;\n    p->bits = 0;\n    p->last = 0;\n"
            "    p->level = 0;\n    p->sum = 0;\n    p->speed = 0;\n"
            "    p->updates = 2 * RYX_RAMP_UPDATES - 1;\n    p->wait = RYX_RAMP_WAIT;\n"
            "    p->phase = RYX_RISE;\n}\n\n";
    text += "/* One bit of the ramp; after its last update the rise gives way to the sound,\n"
            " * the fall to silence. */\n"
            "static int ryx_ramp_tick(ryx_player *p)\n{\n"
            "    unsigned int sum = (p->sum + p->level) & 0xFFFFu;\n"
            "    int pin = sum < p->sum; /* the carry */\n"
            "    p->sum = sum;\n"
            "    if (--p->wait == 0) {\n"
            "        p->wait = RYX_RAMP_WAIT;\n"
            "        if (p->updates >= RYX_RAMP_UPDATES) {\n"
            "            p->speed += RYX_RAMP_STEP;\n"
            "        } else {\n"
            "            p->speed -= RYX_RAMP_STEP;\n"
            "        }\n"
            "        if (p->phase == RYX_RISE) {\n"
            "            p->level += p->speed;\n"
            "        } else {\n"
            "            p->level -= p->speed;\n"
            "        }\n"
            "        if (--p->updates == 0) p->phase = p->phase == RYX_RISE ? RYX_SOUND : RYX_OVER;\n"
            "    }\n"
            "    return pin | RYX_PLAYER_RAMP;\n}\n\n";
    text += "int ryx_player_tick(ryx_player *p)\n{\n"
            "    int pins;\n"
            "    if (p->phase != RYX_SOUND) return p->phase == RYX_OVER ? RYX_PLAYER_OVER : ryx_ramp_tick(p);\n"
            "    if (p->bits == 0) {\n"
            "        p->byte = RYX_READ_BYTE(p->next);\n"
            "        ++p->next;\n"
            "        p->bits = 8;\n"
            "    }\n"
            "    --p->bits;\n"
            "    pins = p->byte >> 7; /* the earliest sample in the top bit */\n"
            "    p->byte = (unsigned char)(p->byte << 1);\n"
            "#if RYX_PLAYER_PINS == 2\n"
            "    pins |= p->last << 1;\n"
            "    p->last = (unsigned char)(pins & 1);\n"
            "#endif\n"
            "    if (--p->left == 0) {\n"
            "#if RYX_PLAYER_LOOP\n"
            "        p->next = p->first;\n        p->left = p->count;\n        p->bits = 0;\n"
            "#else\n"
            "        p->updates = 2 * RYX_RAMP_UPDATES - 1;\n        p->wait = RYX_RAMP_WAIT;\n"
            "        p->speed = 0;\n        p->phase = RYX_FALL;\n"
            "#endif\n"
            "    }\n"
            "    return pins;\n}\n";
    return text;
}

std::string cPlayerMainText(const CPlayerSettings& settings, std::size_t soundCount) {
    const CPlayerTarget& target = *settings.target;
    const SampleTimer& timer = settings.timer;
    const std::string port(1, target.triggerPort);
    const std::string flags = std::string(target.timerFlags) + " = 1 << " + std::string(target.timerFlag);
    const std::uint32_t triggers = settings.bank ? triggerMask(target, soundCount) : 0;
    // Pull-ups of trigger pins on port B ride along in every write of the pins.
    const std::uint32_t pullUps = target.triggerPort == 'B' ? triggers : 0;
    std::string text = madeBy() + "Plays sounds.h on an " + std::string(target.processor) + " at " +
                       number(timer.clockHz) + " Hz:\n * pin A on PB0";
    text += settings.twoPins ? ", pin B on PB1" : "";
    text += ", one sample every " + number(timer.cyclesPerSample) + " cycles of " + std::string(target.timer) + ".\n";
    if (settings.bank) {
        text += " * Sound k (from 0) plays when P" + port + number(target.firstTriggerBit) + "+k is pulled low; "
                "asleep in between.\n";
    } else {
        text += settings.loop ? " * The sound plays for ever.\n"
                              : " * The sound plays once after every reset, then the chip sleeps.\n";
    }
    text += " * avr-gcc -mmcu=" + std::string(target.mcu) + " -Os -o sound.elf main.c ryx_player.c */\n";
    text += "#ifndef F_CPU\n#define F_CPU " + number(timer.clockHz) + "UL\n#endif\n";
    text += "#include <avr/interrupt.h>\n#include <avr/io.h>\n#include <avr/sleep.h>\n";
    if (target.name == "attiny85") text += "#include <avr/power.h>\n";
    text += "\n#include \"ryx_player.h\"\n\n";
    text += "#define PULL_UPS " + hexByte(pullUps) + " /* kept in every write of port B */\n";
    if (settings.bank) text += "#define TRIGGERS " + hexByte(triggers) + " /* on port " + port + " */\n";
    const CPlayerFineRamp fine = cPlayerFineRamp(target, timer);
    const std::string timerCount = std::string(target.timerCompare).replace(0, 3, "TCNT").substr(0, 5);
    text += "\n/* In each sample of the rise and fall the main loop plays fine bits of a\n"
            " * sigma-delta on pin A (both pins for a double step under \"1.5 bit\"), from\n"
            " * the interrupt's end (it waits for the timer to count FINE_START, the same\n"
            " * in every sample) until the timer counts FINE_STOP. The rest of the sample\n"
            " * holds a base, pin A low or high, that the interrupt chose: the fine bits\n"
            " * make up FINE_ROOM of 256 of pin A over a sample per pin, the base the rest.\n"
            " * A level the two cannot give in one sample is carried to the next, so the\n"
            " * ramp's least step is a few cycles, not a whole sample. With FINE_STOP 0 a\n"
            " * sample is too short for them: the ramp is the tick's bits. */\n";
    text += "#define FINE_START " + number(fine.startCount) + "\n";
    text += "#define FINE_STOP " + number(fine.stopCount) + "\n";
    text += "#define FINE_ROOM " + number(fine.room) + "U\n";
    text += "#define FINE_BASE (256U - FINE_ROOM) /* a high base's share, of 256 of pin A */\n";
    text += "#define FINE_MOST " + std::string(settings.twoPins ? "(2U * FINE_ROOM) /* both pins */\n"
                                                                : "FINE_ROOM /* pin A */\n");
    text += "\nstatic ryx_player player;\n"
            "static volatile unsigned char pins = PULL_UPS; /* port B at the next sample */\n"
            "static volatile unsigned char playing;\n"
            "static volatile unsigned char ramping;   /* the sample being played is the ramp's */\n"
            "static volatile unsigned char base;      /* its base, held outside the fine bits */\n"
            "static volatile unsigned int fine_level; /* the fine bits' share, of 256 of pin A */\n"
            "static unsigned char next_ramping;\n"
            "static unsigned int next_fine;\n\n";
    text += "#if FINE_STOP > 0\n"
            "/* The next sample's base and fine bits for the ramp's level. */\n"
            "static unsigned char ramp_pins(void)\n{\n"
            "    static unsigned int owed; /* what a sample could not give */\n"
            "    unsigned int level;\n"
            "    unsigned char high = PULL_UPS;\n"
            "    if (!ramping) owed = 0; /* a new rise or fall */\n"
            "    level = (unsigned int)(player.level >> 8) + owed;\n"
            "    if (level > FINE_MOST && level >= FINE_BASE) {\n"
            "        high = PULL_UPS | 1;\n"
            "        level -= FINE_BASE;\n"
            "    }\n"
            "    next_fine = level > FINE_MOST ? FINE_MOST : level;\n"
            "    owed = level - next_fine;\n"
            "    return high;\n}\n#endif\n\n";
    text += "/* The pins change first thing, from the tick before: on the timer's grid. */\n"
            "ISR(" + std::string(target.timerVector) + ")\n{\n"
            "    int next;\n"
            "    PORTB = pins;\n"
            "    if (!playing) {\n"
            "        " + std::string(target.timerMask) + " = 0; /* both pins low: done */\n"
            "        ramping = 0;\n"
            "        return;\n"
            "    }\n"
            "    ramping = next_ramping;\n"
            "    base = pins;\n"
            "    fine_level = next_fine;\n"
            "    next = ryx_player_tick(&player);\n"
            "    next_ramping = (next & RYX_PLAYER_RAMP) != 0;\n"
            "#if FINE_STOP > 0\n"
            "    pins = next_ramping ? ramp_pins() : (unsigned char)((next & 3) | PULL_UPS);\n"
            "#else\n"
            "    pins = (unsigned char)((next & 3) | PULL_UPS);\n"
            "#endif\n"
            "    if (next & RYX_PLAYER_OVER) playing = 0;\n"
            "#if FINE_STOP > 0\n"
            "    if (ramping) {\n"
            "        while (" + timerCount + " < FINE_START) {\n"
            "        }\n"
            "    }\n"
            "#endif\n}\n\n";
    text += "#if FINE_STOP > 0\n/* Fine bits until the timer reaches FINE_STOP, then the base. */\n"
            "static void fine_bits(void)\n{\n"
            "    static int saved_error;\n"
            "    int error = saved_error; /* in registers while the bits run */\n"
            "    const unsigned int level = fine_level;\n"
            "    while (" + timerCount + " < FINE_STOP) {\n"
            "        error += (int)level;\n"
            "        if (error < (int)FINE_ROOM / 2) {\n"
            "            PORTB = PULL_UPS;\n"
            "        } else if (FINE_MOST > FINE_ROOM && error >= 3 * (int)FINE_ROOM / 2) {\n"
            "            PORTB = PULL_UPS | 3;\n"
            "            error -= 2 * (int)FINE_ROOM;\n"
            "        } else {\n"
            "            PORTB = PULL_UPS | 1;\n"
            "            error -= (int)FINE_ROOM;\n"
            "        }\n"
            "    }\n"
            "    PORTB = base;\n"
            "    saved_error = error;\n}\n#endif\n\n";
    if (settings.bank) text += "EMPTY_INTERRUPT(" + std::string(target.pinChangeVector) + ");\n\n";
    text += "/* Sleeps between the interrupts until they are over (idle: the timer runs). */\n"
            "static void play(unsigned sound)\n{\n"
            "    int first;\n"
            "    ryx_player_start(&player, sound);\n"
            "    first = ryx_player_tick(&player);\n"
            "    next_ramping = (first & RYX_PLAYER_RAMP) != 0;\n"
            "#if FINE_STOP > 0\n"
            "    pins = next_ramping ? ramp_pins() : (unsigned char)((first & 3) | PULL_UPS);\n"
            "#else\n"
            "    pins = (unsigned char)((first & 3) | PULL_UPS);\n"
            "#endif\n"
            "    playing = !(first & RYX_PLAYER_OVER);\n"
            "    /* From a compare on, a whole sample to the first: asleep by then. */\n"
            "    " + flags + ";\n"
            "    while (!(" + std::string(target.timerFlags) + " & (1 << " + std::string(target.timerFlag) + "))) {\n"
            "    }\n"
            "    " + flags + ";\n"
            "    " + std::string(target.timerMask) + " = 1 << " + std::string(target.timerEnable) + ";\n"
            "    set_sleep_mode(SLEEP_MODE_IDLE);\n"
            "    for (;;) {\n"
            "#if FINE_STOP > 0\n"
            "        if (ramping) fine_bits();\n"
            "#endif\n"
            "        cli();\n"
            "        if (" + std::string(target.timerMask) + " == 0) break;\n"
            "        sleep_enable();\n"
            "        sei();\n"
            "        sleep_cpu();\n"
            "        sleep_disable();\n"
            "    }\n"
            "    sei();\n}\n\n";
    if (settings.bank) {
        text += "/* All released, then asleep until one is pulled low (a change wakes the chip):\n"
                " * the first one's sound. A press while a sound plays is ignored. */\n"
                "static unsigned chosen(void)\n{\n"
                "    unsigned char low;\n"
                "    unsigned char armed = 0;\n"
                "    unsigned sound = 0;\n"
                "    set_sleep_mode(SLEEP_MODE_PWR_DOWN);\n"
                "    " + std::string(target.pinChangeFlags) + " = 1 << " + std::string(target.pinChangeFlag) + ";\n"
                "    " + std::string(target.pinChangeControl) + " = 1 << " + std::string(target.pinChangeOn) + ";\n"
                "    for (;;) {\n"
                "        cli();\n"
                "        low = (unsigned char)(~PIN" + port + " & TRIGGERS);\n"
                "        if (low == 0) {\n"
                "            armed = 1;\n"
                "        } else if (armed) {\n"
                "            break;\n"
                "        }\n"
                "        sleep_enable();\n"
                "        sei();\n"
                "        sleep_cpu();\n"
                "        sleep_disable();\n"
                "    }\n"
                "    " + std::string(target.pinChangeControl) + " = 0;\n"
                "    sei();\n"
                "    while (!(low & (1 << (" + number(target.firstTriggerBit) + " + sound)))) ++sound;\n"
                "    return sound;\n}\n\n";
    }
    text += "int main(void)\n{\n";
    if (target.name == "attiny85") text += "    clock_prescale_set(clock_div_1); /* whatever the fuses divide by */\n";
    text += "    PORTB = PULL_UPS;\n";
    text += "    DDRB = " + std::string(settings.twoPins ? "0x03" : "0x01") + "; /* pin A" +
            (settings.twoPins ? " and pin B" : "") + " out, low */\n";
    if (settings.bank && target.triggerPort != 'B') text += "    PORT" + port + " |= TRIGGERS; /* pulled up */\n";
    if (settings.bank) {
        text += "    " + std::string(target.pinChangeMask) + " = TRIGGERS;\n";
        text += "    " + std::string(target.edgeSense) + "; /* external interrupts, unused, on edges: no level wakes the chip */\n";
    }
    text += "    " + std::string(target.timerCompare) + " = " + number(timer.compare) + "; /* " +
            number(timer.compare + 1) + " counts of CPU clock / " + number(timer.prescaler) + " */\n";
    text += "    " + std::string(target.timerControl) + number(timer.clockSelect) + ";\n";
    text += "    sei();\n";
    if (settings.bank) {
        text += "    for (;;) play(chosen());\n}\n";
    } else {
        text += "    play(0);\n"
                "    cli(); /* both pins low, asleep until the next reset */\n"
                "    set_sleep_mode(SLEEP_MODE_PWR_DOWN);\n"
                "    sleep_enable();\n"
                "    sleep_cpu();\n"
                "    return 0;\n}\n";
    }
    return text;
}

}  // namespace ryx
