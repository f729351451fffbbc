/* Times every tick of sound 0 on pin PB2: high just before the call, low
 * just after it; pins A and B on PB0 and PB1 as main.c drives them, PB3 high
 * after a tick of the rise or fall. Then
 * interrupts off and asleep, which ends the simulation. */
#include <avr/interrupt.h>
#include <avr/io.h>
#include <avr/sleep.h>

#include "ryx_player.h"

int main(void)
{
    static ryx_player player;
    int pins;
    DDRB = 0x0F;
    ryx_player_start(&player, 0);
    do {
        PORTB = 0x04;
        pins = ryx_player_tick(&player);
        PORTB = (unsigned char)(pins & 0x0B); /* PB3: a tick of the ramp */
    } while (!(pins & RYX_PLAYER_OVER));
    cli();
    sleep_enable();
    sleep_cpu();
    return 0;
}
