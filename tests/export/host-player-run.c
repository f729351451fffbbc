/* Plays sound N on the host: prints every tick's value as one digit (pin A
 * in bit 0, pin B in bit 1, 4 once over) for TICKS ticks, then a newline. */
#include <stdio.h>
#include <stdlib.h>

#include "ryx_player.h"

int main(int argc, char **argv)
{
    ryx_player player;
    long ticks;
    if (argc != 3) return 2;
    ryx_player_start(&player, (unsigned)atoi(argv[1]));
    for (ticks = atol(argv[2]); ticks > 0; --ticks) putchar('0' + ryx_player_tick(&player));
    putchar('\n');
    return 0;
}
