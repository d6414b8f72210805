#pragma once

// The output baud rate set on the terminal fd (bits per second), or -1 when the kernel
// cannot tell it this way (the caller then decodes the termios speed constant).
int simLineSpeed(int fd);
