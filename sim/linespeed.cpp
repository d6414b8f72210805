// The line's real baud rate, including rates without a B constant (28800, 76800, ...).
// Kept apart: the kernel's termios2 header cannot share a file with <termios.h>.

#include "sim/linespeed.h"

#if defined(__linux__)
#include <asm/ioctls.h>
#include <asm/termbits.h>

extern "C" int ioctl(int fd, unsigned long request, ...);

int simLineSpeed(int fd)
{
    struct termios2 settings;
    if (ioctl(fd, TCGETS2, &settings) != 0) {
        return -1;
    }
    return int(settings.c_ospeed);
}
#else
int simLineSpeed(int)
{
    return -1;
}
#endif
