/* commprobe: what the Windows serial API does on one COM port, without Qt.
 *
 *   commprobe.exe COM3
 *
 * Sends the identification request to a module and watches the reply two ways, the way
 * Qt Serial Port does: an overlapped WaitCommEvent for EV_RXCHAR ("a character came"),
 * then ClearCommError's count of bytes waiting in the driver. On a real port both see
 * the reply. Under wine on a pseudo-terminal the event never comes while the bytes are
 * there: that is the wait a blocking QSerialPort::waitForReadyRead stands on, which is why
 * SerialPort waits in short slices and asks for bytes before each one.
 *
 * Build: x86_64-w64-mingw32-gcc -O2 -o commprobe.exe commprobe.c
 * Exit: 0 when the event came, 1 when bytes came without it (or it came for nothing), 2 when
 * nothing came, 3 on an error. */
#include <stdio.h>
#include <windows.h>

/* The port at 1200 baud 8-N-1, overlapped, its time-outs and event mask as Qt Serial Port
 * sets them; INVALID_HANDLE_VALUE when it does not open. */
static HANDLE openPort(const char* name)
{
    char path[64];
    snprintf(path, sizeof path, "\\\\.\\%s", name);
    HANDLE port = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED, NULL);
    if (port == INVALID_HANDLE_VALUE) {
        printf("open %s: error %lu\n", path, GetLastError());
        return port;
    }
    DCB dcb = {0};
    dcb.DCBlength = sizeof dcb;
    GetCommState(port, &dcb);
    dcb.BaudRate = 1200;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    printf("SetCommState: %s\n", SetCommState(port, &dcb) ? "ok" : "failed");
    COMMTIMEOUTS timeouts = {MAXDWORD, 0, 0, 0, 0}; /* as Qt Serial Port sets them */
    SetCommTimeouts(port, &timeouts);
    printf("SetCommMask(EV_RXCHAR): %s\n", SetCommMask(port, EV_RXCHAR) ? "ok" : "failed");
    return port;
}

/* Writes the identification request; 0 when it could not be written. */
static int sendRequest(HANDLE port)
{
    OVERLAPPED write = {0};
    write.hEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
    DWORD written = 0;
    if (!WriteFile(port, "~|", 2, NULL, &write) && GetLastError() != ERROR_IO_PENDING) {
        printf("WriteFile: error %lu\n", GetLastError());
        return 0;
    }
    GetOverlappedResult(port, &write, &written, TRUE);
    printf("wrote %lu bytes: the identification request\n", written);
    return 1;
}

/* What a plain ReadFile gets now; the number of bytes. */
static DWORD readReply(HANDLE port)
{
    char reply[128] = {0};
    OVERLAPPED read = {0};
    read.hEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
    DWORD got = 0;
    if (ReadFile(port, reply, sizeof reply - 1, NULL, &read) ||
        GetLastError() == ERROR_IO_PENDING) {
        GetOverlappedResult(port, &read, &got, TRUE);
    }
    printf("a plain ReadFile then gets %lu bytes:", got);
    for (DWORD i = 0; i < got; ++i)
        printf(" %02x", (unsigned char)reply[i]);
    printf("\n");
    return got;
}

int main(int argc, char** argv)
{
    HANDLE port = openPort(argc > 1 ? argv[1] : "COM3");
    if (port == INVALID_HANDLE_VALUE)
        return 3;
    OVERLAPPED wait = {0};
    wait.hEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
    DWORD mask = 0;
    if (!WaitCommEvent(port, &mask, &wait) && GetLastError() != ERROR_IO_PENDING) {
        printf("WaitCommEvent: error %lu\n", GetLastError());
        return 3;
    }

    /* Before anything is sent, the event has nothing to report. */
    DWORD transferred = 0;
    if (WaitForSingleObject(wait.hEvent, 500) == WAIT_OBJECT_0) {
        const BOOL ok = GetOverlappedResult(port, &wait, &transferred, FALSE);
        printf("WaitCommEvent completed before any byte was sent: %s, error %lu, mask 0x%lx\n",
               ok ? "success" : "failure", ok ? 0 : GetLastError(), mask);
        return 1;
    }
    printf("WaitCommEvent pending before any byte was sent: as it should be\n");
    if (!sendRequest(port))
        return 3;

    const DWORD waited = WaitForSingleObject(wait.hEvent, 3000);
    COMSTAT status = {0};
    DWORD errors = 0;
    ClearCommError(port, &errors, &status);
    BOOL ok = FALSE;
    DWORD error = 0;
    if (waited == WAIT_OBJECT_0) {
        ok = GetOverlappedResult(port, &wait, &transferred, FALSE);
        error = ok ? 0 : GetLastError();
    }
    printf("WaitCommEvent within 3 s: %s; %s, error %lu, mask 0x%lx (EV_RXCHAR is 0x%x)\n",
           waited == WAIT_OBJECT_0 ? "completed" : "still pending", ok ? "success" : "failure",
           error, mask, EV_RXCHAR);
    printf("bytes waiting in the driver: %lu\n", status.cbInQue);
    const DWORD got = readReply(port);
    CloseHandle(port);
    if (waited == WAIT_OBJECT_0 && ok && (mask & EV_RXCHAR))
        return 0;
    return got > 0 || status.cbInQue > 0 ? 1 : 2;
}
