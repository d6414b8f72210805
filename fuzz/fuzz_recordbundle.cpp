// The reader of a record bundle, a file that comes from another machine: any bytes are either
// refused whole (the record as it was) or imported with every event's configuration readable,
// and importing them again changes nothing.

#include "record/bundle.h"
#include "record/record.h"

#include "core/configcodec.h"
#include "fuzz/fuzztarget.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QTemporaryDir>

#include <memory>

namespace {

// Past this many events the record starts again empty, so every input costs about the same.
constexpr qint64 kMaxEvents = 400;

// A record in memory-backed storage where there is one: a commit's flush costs nothing there.
class Fixture
{
public:
    Fixture()
        : m_folder((QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm")
                                                                       : QDir::tempPath()) +
                   QStringLiteral("/fuzz_recordbundle-XXXXXX"))
    {
        reset();
    }

    record::Record& record() { return *m_record; }

    void reset()
    {
        m_record.reset();
        const QString path = m_folder.filePath(QStringLiteral("record.sqlite"));
        for (const char* suffix : {"", "-wal", "-shm"})
            QFile::remove(path + QLatin1String(suffix));
        Expected<record::Record> opened = record::Record::open(path);
        if (!opened) {
            std::fprintf(stderr, "%s\n", qPrintable(opened.failure().message));
            std::abort();
        }
        m_record = std::make_unique<record::Record>(std::move(opened).value());
    }

private:
    QTemporaryDir m_folder;
    std::unique_ptr<record::Record> m_record;
};

Fixture& fixture()
{
    static int argc = 1;
    static char name[] = "fuzz_recordbundle";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
    static Fixture instance;
    return instance;
}

Expected<record::BundleCounts> import(record::Record& record, QByteArray bytes)
{
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    return record.importBundle(in);
}

void checkImported(record::Record& record)
{
    const Expected<QList<record::Event>> events = record.events({});
    fuzzCheck(events.ok(), "the imported events can be listed");
    for (const record::Event& event : events.valueOr({})) {
        if (event.configurationHash.isEmpty())
            continue;
        const Expected<record::StoredConfiguration> stored =
            record.configuration(event.configurationHash);
        fuzzCheck(stored.ok(), "an event's configuration is there");
        if (stored)
            fuzzCheck(configfile::hasAllValues(stored->lines()),
                      "an event's configuration is readable");
    }
}

} // namespace

// The first byte chooses: even, the rest as it is; odd, the rest sealed afresh.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Fixture& fix = fixture();
    if (*fix.record().count({}) > kMaxEvents)
        fix.reset();
    record::Record& record = fix.record();

    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const bool seal = !bytes.isEmpty() && (bytes.front() & 1);
    bytes.remove(0, 1);
    if (seal)
        bytes = record::bundle::sealed(bytes);

    const qint64 before = *record.count({});
    const Expected<record::BundleCounts> first = import(record, bytes);
    if (!first) {
        fuzzCheck(first.failure().code == messages::Code::BadBundle, "refused as a bad bundle");
        fuzzCheck(*record.count({}) == before, "a refused bundle leaves nothing behind");
        return 0;
    }
    fuzzCheck(*record.count({}) == before + first->newEvents, "every new event counted");
    checkImported(record);
    const Expected<record::BundleCounts> again = import(record, bytes);
    fuzzCheck(again.ok() && again->newEvents == 0 && again->newConfigurations == 0,
              "a bundle imported twice changes nothing");
    return 0;
}

QList<QByteArray> fuzzSeeds()
{
    // A small history exported from a record of its own.
    QTemporaryDir folder;
    fixture();
    Expected<record::Record> opened =
        record::Record::open(folder.filePath(QStringLiteral("seed.sqlite")));
    if (!opened)
        return {};
    record::Record& source = opened.value();
    QStringList lines(configfile::kValueLines, QStringLiteral("0"));
    lines[4] = QStringLiteral("Szivattyu 1");
    for (const record::Operation operation :
         {record::Operation::ReadOut, record::Operation::Status, record::Operation::Write}) {
        record::Event event;
        event.operation = operation;
        event.moduleId = QStringLiteral("0101");
        event.port = QStringLiteral("COM3");
        if (operation != record::Operation::Status)
            event.configuration = lines;
        else
            event.status = QJsonObject{{"signal", 4}};
        lines[4] = QStringLiteral("Szivattyu 2");
        if (!source.add(event).ok())
            return {};
    }
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    if (!source.exportBundle(out).ok())
        return {};
    const QByteArray bundle = out.data();
    return {QByteArray(1, '\0') + bundle, QByteArray(1, '\1') + bundle,
            QByteArray(1, '\1') + bundle.left(bundle.indexOf('\n') + 1)};
}
