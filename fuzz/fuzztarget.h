#pragma once

// Shared by the fuzz targets. Each target defines LLVMFuzzerTestOneInput() and fuzzSeeds();
// libFuzzer calls the first, the bounded run of the test suite (driver.cpp) calls both.

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

// A few well-formed inputs that the bounded run mutates.
QList<QByteArray> fuzzSeeds();

// A session can go on past faults already found: VEXAGRID_FUZZ_KNOWN lists properties by
// their texts, separated by ";". Such a property is reported the first time it fails and then
// let pass. The test suite never sets it.
inline bool fuzzKnownFault(const char* property)
{
    static const QList<QByteArray> known = qgetenv("VEXAGRID_FUZZ_KNOWN").split(';');
    static QList<QByteArray> reported;
    const QByteArray name(property);
    if (!known.contains(name))
        return false;
    if (!reported.contains(name)) {
        reported.append(name);
        std::fprintf(stderr, "fuzz property failed (known, going on): %s\n", property);
    }
    return true;
}

// A property that failed: report it and stop, so both libFuzzer and the test suite record the
// input as a crash. False when a known fault lets it pass, so that the caller can stop
// looking at an input whose later checks would not make sense.
inline bool fuzzCheck(bool holds, const char* property)
{
    if (holds)
        return true;
    if (fuzzKnownFault(property))
        return false;
    std::fprintf(stderr, "fuzz property failed: %s\n", property);
    std::abort();
}

inline QString latin1Text(const uint8_t* data, size_t size)
{
    return QString::fromLatin1(reinterpret_cast<const char*>(data), qsizetype(size));
}

// Any 16-bit characters, including those above U+00FF and lone surrogates.
inline QString utf16Text(const uint8_t* data, size_t size)
{
    QString text;
    text.reserve(qsizetype(size / 2));
    for (size_t i = 0; i + 1 < size; i += 2)
        text += QChar(char16_t(data[i] | (data[i + 1] << 8)));
    return text;
}
