/* Times every tick of sound 0 on pin PB2: high just before the call, low
 * just after it; pins A and B on PB0 and PB1 as main.c drives them. Then
 * interrupts off and asleep, which ends the simulation. */
#include <avr/interrupt.h>
#include <avr/io.h>
#include <avr/sleep.h>

#include "ryx_player.h"

int main(void)
{
    static ryx_player player;
    int pins;
    DDRB = 0x07;
    ryx_player_start(&player, 0);
    do {
        PORTB = 0x04;
        pins = ryx_player_tick(&player);
        PORTB = (unsigned char)(pins & 3);
    } while (!(pins & RYX_PLAYER_OVER));
    cli();
    sleep_enable();
    sleep_cpu();
    return 0;
}
