// Time on the line against the line's own speed.
//
//   bench_line [--baud N]
//
// Starts the simulated module in a temporary device directory, paced at the line's speed
// (10 bits a byte for 8-N-1), and runs each request through SerialPort: the time from the
// request to the last byte of the reply, beside the time the reply's bytes need on the
// line. A ratio near 1 means the byte-at-a-time loop keeps up with the line. A pty cannot
// slow down what the program writes, so the frame of the write request costs only the
// program's own time here. Then the loop's own speed on an unpaced 64 KiB reply. Last, what
// a read that meets silence costs: it waits in slices (device/serialport.cpp), so it wakes
// up once per slice; its wall time should be the read wait and its CPU time next to nothing.

#include "device/serialport.h"
#include "sim/simmodule.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>

namespace {

struct Result
{
    qint64 sent = 0;
    qint64 received = 0;
    double ms = 0;
};

// Reads until `count` bytes have come (or silence), timing the last one.
Result exchange(SerialPort& serial, const QByteArray& request, int count)
{
    Result result;
    QElapsedTimer timer;
    timer.start();
    serial.writeText(QString::fromLatin1(request));
    result.sent = request.size();
    char byte = 0;
    while (result.received < count && serial.readByte(&byte)) {
        ++result.received;
    }
    result.ms = double(timer.nsecsElapsed()) / 1e6;
    return result;
}

void report(const char* what, const Result& result, int baud)
{
    const double lineMs = double(result.received) * 10.0 * 1000.0 / baud;
    std::printf("%-16s %6lld B out %6lld B in   %9.1f ms   line %9.1f ms   ratio %.3f\n", what,
                static_cast<long long>(result.sent), static_cast<long long>(result.received),
                result.ms, lineMs, lineMs > 0 ? result.ms / lineMs : 0.0);
}

// The rate given with --baud (1200 by default); 0 for a rate that is none.
int baudOf(const QStringList& args)
{
    const qsizetype at = args.indexOf(QStringLiteral("--baud"));
    if (at > 0 && at + 1 < args.size())
        return qMax(0, args.at(at + 1).toInt());
    return 1200;
}

// The four requests, each against the line's own speed.
void measureRequests(SerialPort& serial, int baud)
{
    std::printf("bench_line: %d baud 8-N-1, %d bytes/s on the line\n", baud, baud / 10);
    report("identification", exchange(serial, "~|", 21), baud);
    report("status", exchange(serial, "~[", 64), baud);
    report("read-out", exchange(serial, "~{", 56 * 18), baud);

    QByteArray frame;
    for (const QString& field : SimModule::sampleFields()) {
        frame += field.toLatin1().leftJustified(SimModule::kFieldWidth, ' ') + '\r';
    }
    frame += '\r';
    Result write = exchange(serial, "~}", 2);
    const Result rest = exchange(serial, frame, 2);
    write.sent += rest.sent;
    write.received += rest.received;
    write.ms += rest.ms;
    report("write (frame)", write, baud);
    std::printf("%-16s the %lld bytes out would take %.1f ms on a real line; a pty passes them "
                "at once\n",
                "", static_cast<long long>(write.sent), double(write.sent) * 10000.0 / baud);
}

// How fast the line layer takes a reply that comes as fast as the pty can pass it.
void measureUnpaced(SimModule& module, SerialPort& serial, int baud)
{
    module.setPaced(false);
    QByteArray big(65536, 'x');
    module.setRawReply(SimModule::Request::ReadOut, big);
    const Result loop = exchange(serial, "~{", int(big.size()));
    std::printf("%-16s %6lld B in %9.1f ms: %.0f bytes/s, %.1f times the line\n", "unpaced 64 KiB",
                static_cast<long long>(loop.received), loop.ms,
                double(loop.received) * 1000.0 / loop.ms,
                double(loop.received) * 1000.0 / loop.ms / (baud / 10.0));
}

// A read that waits for a byte that never comes: how long, and what it costs the CPU.
void measureSilence(SerialPort& serial)
{
    const int silenceWait = 1000;
    if (!serial.open(SerialPort::Timeouts::read(0, silenceWait)))
        return;
    QElapsedTimer timer;
    timer.start();
    const std::clock_t cpuStart = std::clock();
    char byte = 0;
    const bool got = serial.readByte(&byte);
    const double wallMs = double(timer.nsecsElapsed()) / 1e6;
    const double cpuMs = double(std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC;
    std::printf("%-16s %s after %.1f ms (read wait %d ms), %.2f ms CPU in the process\n", "silence",
                got ? "a byte" : "nothing", wallMs, silenceWait, cpuMs);
    serial.close();
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("vexagrid.serial.debug=false"));
    const int baud = baudOf(app.arguments());
    if (baud <= 0) {
        std::fprintf(stderr, "bench_line: --baud wants a positive rate\n");
        return 2;
    }

    QTemporaryDir directory;
    qputenv("VEXAGRID_DOSDEVICES", QFile::encodeName(directory.path()));
    SimModule module;
    QString error;
    if (!directory.isValid() || !module.start(QStringLiteral("COM3"), directory.path(), &error)) {
        std::fprintf(stderr, "bench_line: %s\n", qPrintable(error));
        return 1;
    }
    module.setFields(SimModule::sampleFields());
    module.setPaced(true);

    SerialPort serial(QStringLiteral("COM3"), baud);
    if (!serial.open(SerialPort::Timeouts::read(0, 3500))) {
        return 1;
    }
    measureRequests(serial, baud);
    measureUnpaced(module, serial, baud);
    serial.close();
    measureSilence(serial);
    module.stop();
    return 0;
}
