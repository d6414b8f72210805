#include "core/configcodec.h"
#include "core/configuration.h"
#include "fuzz/formproperties.h"
#include "fuzz/fuzztarget.h"

// Any file's bytes, opened as the window opens a file after connecting: on top of the defaults
// file. Whatever the file holds, the form keeps its rules, a download either names the field
// it refuses or sends a frame the module reads back field for field, and saving what was
// opened gives a file that opens the same.

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray content(reinterpret_cast<const char*>(data), qsizetype(size));
    Configuration config = formfuzz::startState();
    const bool loaded = config.load(configfile::decodeLines(content)).ok();
    fuzzCheck(loaded || config.lines() == formfuzz::startState().lines(),
              "a file too short changes nothing");

    formfuzz::checkForm(config);
    formfuzz::checkDownload(config);
    formfuzz::checkSaves(config, formfuzz::Origin::File);
    return 0;
}

QList<QByteArray> fuzzSeeds()
{
    // The sample module read out and saved, as the window saves it.
    Configuration sample = formfuzz::startState();
    sample.fillFromReadOut(formfuzz::sampleFields());
    const QStringList lines = sample.lines();
    const QByteArray saved = configfile::encode(lines);

    // Every box and button line "1", then every other one: hidden columns, RING without
    // a column, outputs the module lacks.
    QStringList allOn = lines;
    QStringList everyOther = lines;
    for (qsizetype i = 58; i < allOn.size(); ++i) {
        allOn[i] = QStringLiteral("1");
        everyOther[i] = QLatin1String(i % 2 ? "1" : "0");
    }
    // A custom SMS centre, texts with the separator, accents and a tab, a short PIN, letters
    // in a number.
    QStringList odd = lines;
    odd[1] = QStringLiteral("+36 30 1");
    odd[2] = QStringLiteral("12");
    odd[4] = QStringLiteral("Kút|1");
    odd[20] = QStringLiteral("Fazis\tR");
    odd[43] = QStringLiteral("12a");

    return {saved,
            QByteArray(saved).replace("\r\n", "\n"),
            configfile::encode(allOn),
            configfile::encode(everyOther),
            configfile::encode(odd),
            saved + "link\r\n---\r\nabout\r\n",
            saved.left(saved.lastIndexOf("\r\n", saved.size() - 3) + 2),
            formfuzz::defaultsFile()};
}
