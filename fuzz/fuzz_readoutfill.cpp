#include "core/configuration.h"
#include "core/readoutcodec.h"
#include "fuzz/formproperties.h"
#include "fuzz/fuzztarget.h"

// Any read-out reply, filled into the form as the window does after connecting. Whatever the
// module sent, the form keeps its rules, a download either names the field it refuses or
// sends a frame the module reads back field for field, and a saved read-out opens the same
// but for the analog page.

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const Expected<QStringList> reply =
        readout::split(readout::normalise(latin1Text(data, size)), u'|');
    Configuration config = formfuzz::startState();
    config.fillFromReadOut(reply.valueOr(QStringList()));
    if (!reply) {
        fuzzCheck(config.lines() == formfuzz::startState().lines(),
                  "a reply of the wrong count fills nothing");
        return 0;
    }

    formfuzz::checkForm(config);
    formfuzz::checkDownload(config);
    formfuzz::checkSaves(config, formfuzz::Origin::ReadOut);
    return 0;
}

QList<QByteArray> fuzzSeeds()
{
    const QStringList sample = formfuzz::sampleFields();
    QList<QByteArray> seeds{formfuzz::reply(sample), formfuzz::reply(sample, '\xFF', "\r\n"),
                            formfuzz::reply(sample, ' ', "\n"), formfuzz::reply(sample, ' ', "\r"),
                            formfuzz::reply(QStringList(56, QString()), '\xFF', "|")};

    // Telephone rows whose code characters run through the byte values, a few per reply.
    for (int base = 0; base < 256; base += 16) {
        QStringList fields = sample;
        for (int row = 0; row < 8; ++row) {
            const char16_t first = char16_t((base + row * 37) & 0xFF);
            const char16_t second = char16_t((base + row * 11 + 0x30) & 0xFF);
            fields[48 + row] = QString(QChar(first)) + QChar(second) + QStringLiteral("3630");
        }
        seeds << formfuzz::reply(fields);
    }

    // Control characters, accents, a degree sign in a hidden field, letters in a number.
    QStringList odd = sample;
    odd[3] = QStringLiteral("\x01Kut\x7F");
    odd[24] = QStringLiteral("F\xE1zis R");
    odd[27] = QStringLiteral("\xB0");
    odd[49] = QStringLiteral("0812ab");
    seeds << formfuzz::reply(odd);
    return seeds;
}
