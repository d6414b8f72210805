// A bounded, deterministic stand-in for libFuzzer, so that the test suite always contains a short
// fuzz run of every codec: the seeds, every one-byte input, then mutations of the seeds and of
// earlier inputs. Files named on the command line are run first (to replay a crash found by a
// real libFuzzer session); the files of a folder named there are run too, and join the seeds.
// An input that fails is left in the working directory as failed-input, to replay it.
// --write-seeds writes the built-in seeds into a folder, to start a libFuzzer corpus with.
//
//   fuzz_<target> [--runs N] [--seed S] [file | folder ...]
//   fuzz_<target> --write-seeds FOLDER

#include "fuzz/fuzztarget.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr qsizetype kMaxInput = 8192;

// Bytes that carry meaning in one format or another.
constexpr char kInteresting[] = {'|',    '\r',   '\n',   ' ',    '0',   '1',    '3',    '5',
                                 '8',    '9',    '.',    '_',    'r',   '+',    '-',    '~',
                                 'y',    '?',    '<',    'V',    '\0',  '\x7F', '\x80', '\xB0',
                                 '\xEF', '\xBB', '\xBF', '\xFE', '\xFF'};

class Mutator
{
public:
    Mutator(quint32 seed, QList<QByteArray> seeds) : m_random(seed), m_pool(std::move(seeds))
    {
        if (m_pool.isEmpty())
            m_pool.append(QByteArray());
    }

    QByteArray next()
    {
        QByteArray input;
        const int choice = below(10);
        if (choice == 0)
            input = randomBytes(below(1024));
        else
            input = m_pool.at(below(int(m_pool.size())));

        const int steps = 1 + below(8);
        for (int i = 0; i < steps; ++i)
            mutate(input);
        if (input.size() > kMaxInput)
            input.truncate(kMaxInput);

        // Keep some inputs as bases for later ones, so mutations stack up.
        if (below(8) == 0) {
            if (m_pool.size() < 256)
                m_pool.append(input);
            else
                m_pool[below(int(m_pool.size()))] = input;
        }
        return input;
    }

private:
    int below(int bound) { return bound <= 0 ? 0 : int(m_random.bounded(quint32(bound))); }

    char randomByte()
    {
        if (below(2) == 0)
            return kInteresting[below(int(sizeof kInteresting))];
        return char(below(256));
    }

    QByteArray randomBytes(int size)
    {
        QByteArray bytes;
        for (int i = 0; i < size; ++i)
            bytes += randomByte();
        return bytes;
    }

    void mutate(QByteArray& input)
    {
        const int at = below(int(input.size()) + 1);
        const int length = 1 + below(32);
        switch (below(7)) {
        case 0: // flip a bit
            if (!input.isEmpty())
                input[at % input.size()] ^= char(1 << below(8));
            break;
        case 1: // overwrite a byte
            if (!input.isEmpty())
                input[at % input.size()] = randomByte();
            break;
        case 2: // insert bytes
            input.insert(at, randomBytes(length));
            break;
        case 3: // remove bytes
            input.remove(at, length);
            break;
        case 4: // repeat a piece
            input.insert(at, input.mid(at, length));
            break;
        case 5: { // splice in a piece of another input
            const QByteArray& other = m_pool.at(below(int(m_pool.size())));
            input.insert(at, other.mid(below(int(other.size()) + 1), length * 8));
            break;
        }
        case 6: // cut
            input.truncate(at);
            break;
        }
    }

    QRandomGenerator m_random;
    QList<QByteArray> m_pool;
};

// The input being run, for the abort handler.
QByteArray current;

extern "C" void keepFailedInput(int)
{
    // Only calls that are safe in a signal handler.
    const int fd = ::open("failed-input", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd >= 0) {
        [[maybe_unused]] const ssize_t written = ::write(fd, current.constData(), current.size());
        ::close(fd);
        constexpr char note[] = "the failed input is in failed-input\n";
        [[maybe_unused]] const ssize_t noted = ::write(2, note, sizeof note - 1);
    }
    std::signal(SIGABRT, SIG_DFL);
    std::raise(SIGABRT);
}

void run(const QByteArray& input)
{
    current = input;
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.constData()),
                           size_t(input.size()));
}

bool runFile(const QString& path, QList<QByteArray>* seeds)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        return false;
    }
    // Named, so that a failure says which input it was.
    std::fprintf(stderr, "%s\n", qPrintable(path));
    const QByteArray input = file.readAll();
    run(input);
    if (seeds)
        seeds->append(input);
    return true;
}

bool writeSeeds(const QString& path)
{
    if (!QDir().mkpath(path)) {
        std::fprintf(stderr, "cannot make %s\n", qPrintable(path));
        return false;
    }
    const QList<QByteArray> seeds = fuzzSeeds();
    for (qsizetype i = 0; i < seeds.size(); ++i) {
        QFile file(QDir(path).filePath(QStringLiteral("seed-%1").arg(i, 2, 10, QLatin1Char('0'))));
        if (!file.open(QIODevice::WriteOnly) || file.write(seeds[i]) != seeds[i].size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
            return false;
        }
    }
    std::printf("%d seeds in %s\n", int(seeds.size()), qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    std::signal(SIGABRT, keepFailedInput);
    int runs = 3000;
    quint32 seed = 1;
    QList<QByteArray> kept;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            runs = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--seed") == 0 && i + 1 < argc) {
            seed = quint32(std::strtoul(argv[++i], nullptr, 10));
        } else if (std::strcmp(argv[i], "--write-seeds") == 0 && i + 1 < argc) {
            return writeSeeds(QString::fromLocal8Bit(argv[++i])) ? 0 : 1;
        } else if (const QString path = QString::fromLocal8Bit(argv[i]); QFileInfo(path).isDir()) {
            const QDir folder(path);
            for (const QString& name : folder.entryList(QDir::Files, QDir::Name)) {
                if (!runFile(folder.filePath(name), &kept))
                    return 2;
            }
        } else if (!runFile(path, nullptr)) {
            return 2;
        }
    }

    const QList<QByteArray> seeds = fuzzSeeds();
    for (const QByteArray& input : seeds)
        run(input);
    run(QByteArray());
    for (int b = 0; b < 256; ++b)
        run(QByteArray(1, char(b)));

    Mutator mutator(seed, kept + seeds);
    for (int i = 0; i < runs; ++i)
        run(mutator.next());

    std::printf("%d inputs, no failure\n", int(kept.size() + seeds.size()) + 257 + runs);
    return 0;
}
