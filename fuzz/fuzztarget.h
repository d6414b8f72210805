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

// A property of a codec that failed: report it and stop, so both libFuzzer and the test suite
// record the input as a crash.
inline void fuzzCheck(bool holds, const char* property)
{
    if (!holds) {
        std::fprintf(stderr, "fuzz property failed: %s\n", property);
        std::abort();
    }
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
