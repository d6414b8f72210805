/* comopen: whether a COM port opens while another program holds it, without Qt.
 *
 *   comopen.exe hold COM4    opens the port with no sharing and keeps it until killed
 *   comopen.exe try COM4     opens the port the same way, says how it went and closes it
 *
 * Both open the port as Qt Serial Port does (read and write, no sharing, overlapped) and
 * print what CreateFile returned. On Windows a held port gives "try" error 5 (access
 * denied), which the program shows as "in use". A name with a colon or a backslash is a
 * file, for comparison: there a held file gives error 32 (sharing violation).
 *
 * Build: x86_64-w64-mingw32-gcc -O2 -o comopen.exe comopen.c
 * Exit: 0 when the port opened, 1 when it did not, 2 on a wrong command line. */
#include <stdio.h>
#include <string.h>
#include <windows.h>

int main(int argc, char** argv)
{
    if (argc != 3 || (strcmp(argv[1], "hold") != 0 && strcmp(argv[1], "try") != 0)) {
        fprintf(stderr, "usage: comopen.exe hold|try COMn|FILE\n");
        return 2;
    }
    char path[MAX_PATH];
    if (strpbrk(argv[2], ":\\"))
        snprintf(path, sizeof path, "%s", argv[2]);
    else
        snprintf(path, sizeof path, "\\\\.\\%s", argv[2]);
    HANDLE port = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED, NULL);
    const DWORD error = port == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
    printf("%s %s: CreateFile %s, GetLastError %lu\n", argv[1], argv[2],
           port == INVALID_HANDLE_VALUE ? "failed" : "succeeded", error);
    /* The check waits for this line before it tries the port from another process. */
    fflush(stdout);
    if (port == INVALID_HANDLE_VALUE)
        return 1;
    if (strcmp(argv[1], "hold") == 0)
        Sleep(INFINITE);
    CloseHandle(port);
    return 0;
}
