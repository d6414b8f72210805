// The simulated module's state: what it answers and how it behaves, set and read from any
// thread, what it recorded, and the waits on those recordings.

#include "sim/simmodule_p.h"

#include <QDeadlineTimer>

Q_LOGGING_CATEGORY(lcSim, "vexagrid.sim", QtWarningMsg)

namespace {

template <typename Condition>
bool waitUntil(QMutex& mutex, QWaitCondition& changed, int timeoutMs, Condition reached)
{
    QMutexLocker lock(&mutex);
    QDeadlineTimer deadline(timeoutMs);
    while (!reached()) {
        if (deadline.hasExpired()) {
            return false;
        }
        changed.wait(&mutex, deadline);
    }
    return true;
}

} // namespace

// --- SimLineSettings ---------------------------------------------------------------------

QString SimLineSettings::toString() const
{
    QString text =
        QStringLiteral("%1 %2%3%4").arg(baudRate).arg(dataBits).arg(QChar(parity)).arg(stopBits);
    if (hardwareFlow) {
        text += QStringLiteral(" rtscts");
    }
    if (softwareFlow) {
        text += QStringLiteral(" xonxoff");
    }
    return text;
}

bool SimLineSettings::operator==(const SimLineSettings& other) const
{
    return baudRate == other.baudRate && dataBits == other.dataBits && parity == other.parity &&
           stopBits == other.stopBits && hardwareFlow == other.hardwareFlow &&
           softwareFlow == other.softwareFlow;
}

// --- SimModule ---------------------------------------------------------------------------

SimModule::SimModule() : d(std::make_unique<Private>()) {}

SimModule::~SimModule()
{
    stop();
}

// --- What it answers ----------------------------------------------------------------------

void SimModule::setIdentification(const QString& text)
{
    QMutexLocker lock(&d->mutex);
    d->config.identification = text.toLatin1();
}

QString SimModule::identification() const
{
    QMutexLocker lock(&d->mutex);
    return QString::fromLatin1(d->config.identification);
}

bool SimModule::setFields(const QStringList& fields)
{
    if (fields.size() != kFieldCount) {
        return false;
    }
    QList<QByteArray> bytes;
    for (const QString& field : fields) {
        bytes.append(field.toLatin1());
    }
    QMutexLocker lock(&d->mutex);
    d->config.fields = bytes;
    return true;
}

bool SimModule::setField(int number, const QString& text)
{
    if (number < 1 || number > kFieldCount) {
        return false;
    }
    QMutexLocker lock(&d->mutex);
    d->config.fields[number - 1] = text.toLatin1();
    return true;
}

QStringList SimModule::fields() const
{
    QMutexLocker lock(&d->mutex);
    QStringList texts;
    for (const QByteArray& field : d->config.fields) {
        texts.append(QString::fromLatin1(field));
    }
    return texts;
}

QString SimModule::field(int number) const
{
    if (number < 1 || number > kFieldCount) {
        return QString();
    }
    QMutexLocker lock(&d->mutex);
    return QString::fromLatin1(d->config.fields.at(number - 1));
}

void SimModule::eraseMemory()
{
    QMutexLocker lock(&d->mutex);
    d->config.fields = SimConfig::erasedMemory();
}

void SimModule::setReadOutFormat(ReadOutFormat format)
{
    QMutexLocker lock(&d->mutex);
    d->config.format = format;
}

SimModule::ReadOutFormat SimModule::readOutFormat() const
{
    QMutexLocker lock(&d->mutex);
    return d->config.format;
}

void SimModule::setStatus(const SimStatus& status)
{
    QMutexLocker lock(&d->mutex);
    d->config.status = status;
}

SimStatus SimModule::status() const
{
    QMutexLocker lock(&d->mutex);
    return d->config.status;
}

void SimModule::setRawReply(Request request, const QByteArray& bytes)
{
    if (request != Request::Write) {
        QMutexLocker lock(&d->mutex);
        d->config.rawReplies.insert(request, bytes);
    }
}

void SimModule::clearRawReply(Request request)
{
    QMutexLocker lock(&d->mutex);
    d->config.rawReplies.remove(request);
}

void SimModule::setFault(Fault fault)
{
    {
        QMutexLocker lock(&d->mutex);
        d->config.fault = fault;
    }
    d->wake();
}

SimModule::Fault SimModule::fault() const
{
    QMutexLocker lock(&d->mutex);
    return d->config.fault;
}

void SimModule::setPaced(bool paced)
{
    QMutexLocker lock(&d->mutex);
    d->config.paced = paced;
}

bool SimModule::isPaced() const
{
    QMutexLocker lock(&d->mutex);
    return d->config.paced;
}

void SimModule::setReplyDelay(int ms)
{
    QMutexLocker lock(&d->mutex);
    d->config.replyDelayMs = qMax(0, ms);
}

void SimModule::setAckDelay(int ms)
{
    QMutexLocker lock(&d->mutex);
    d->config.ackDelayMs = qMax(0, ms);
}

void SimModule::setCutAfter(int bytes)
{
    QMutexLocker lock(&d->mutex);
    d->config.cutAfter = bytes;
}

void SimModule::setVanishAfter(int bytes)
{
    QMutexLocker lock(&d->mutex);
    d->config.vanishAfter = qMax(0, bytes);
}

void SimModule::setFrameTimeout(int ms)
{
    QMutexLocker lock(&d->mutex);
    d->config.frameTimeoutMs = qMax(1, ms);
}

bool SimModule::setAlteredField(int number)
{
    if (number < 1 || number > kFieldCount) {
        return false;
    }
    QMutexLocker lock(&d->mutex);
    d->config.alteredField = number;
    return true;
}

int SimModule::alteredField() const
{
    QMutexLocker lock(&d->mutex);
    return d->config.alteredField;
}

// --- What it saw -------------------------------------------------------------------------

QByteArray SimModule::received() const
{
    QMutexLocker lock(&d->mutex);
    return d->received;
}

QList<SimRequest> SimModule::requests() const
{
    QMutexLocker lock(&d->mutex);
    return d->requests;
}

QList<SimWrite> SimModule::writes() const
{
    QMutexLocker lock(&d->mutex);
    return d->writes;
}

void SimModule::clearRecordings()
{
    QMutexLocker lock(&d->mutex);
    d->received.clear();
    d->requests.clear();
    d->writes.clear();
}

int SimModule::openCount() const
{
    QMutexLocker lock(&d->mutex);
    return d->opens;
}

int SimModule::closeCount() const
{
    QMutexLocker lock(&d->mutex);
    return d->closes;
}

int SimModule::sessionEndCount() const
{
    QMutexLocker lock(&d->mutex);
    return d->sessionEnds;
}

int SimModule::replyCount() const
{
    QMutexLocker lock(&d->mutex);
    return d->replies;
}

bool SimModule::waitForReceived(qsizetype bytes, int timeoutMs)
{
    return waitUntil(d->mutex, d->changed, timeoutMs, [&] { return d->received.size() >= bytes; });
}

bool SimModule::waitForRequests(int count, int timeoutMs)
{
    return waitUntil(d->mutex, d->changed, timeoutMs, [&] { return d->requests.size() >= count; });
}

bool SimModule::waitForWrites(int count, int timeoutMs)
{
    return waitUntil(d->mutex, d->changed, timeoutMs, [&] { return d->writes.size() >= count; });
}

bool SimModule::waitForCloses(int count, int timeoutMs)
{
    return waitUntil(d->mutex, d->changed, timeoutMs, [&] { return d->closes >= count; });
}

bool SimModule::waitForSessionEnds(int count, int timeoutMs)
{
    return waitUntil(d->mutex, d->changed, timeoutMs, [&] { return d->sessionEnds >= count; });
}

bool SimModule::waitForReplies(int count, int timeoutMs)
{
    return waitUntil(d->mutex, d->changed, timeoutMs, [&] { return d->replies >= count; });
}

// --- Helpers -----------------------------------------------------------------------------

QString SimModule::phoneField(int permissionMask, int output, bool sms, const QString& number)
{
    const QChar permission(ushort((0x30 + permissionMask) & 0xFF));
    const QChar mode(ushort((0x30 + output + (sms ? 0 : 8)) & 0xFF));
    return QString(permission) + mode + number;
}

QStringList SimModule::sampleFields()
{
    QStringList f;
    f << QStringLiteral("36309888000")  // 1 SMS centre
      << QStringLiteral("1234")         // 2 PIN
      << QStringLiteral("0001")         // 3 module id
      << QStringLiteral("Szivattyuhaz") // 4 name
      << QStringLiteral("1")            // 5 inputs report their return
      << QStringLiteral("0005")         // 6 relay time
      << QStringLiteral("5")            // 7 SMS limit
      << QStringLiteral("05")           // 8 outputs 1 and 3 monostable
      << QStringLiteral("000") << QStringLiteral("299") << QStringLiteral("1")
      << QStringLiteral("99999");
    for (int i = 13; i <= 16; ++i) {
        f << QString();
    }
    f << QStringLiteral("Analog alacsony") << QStringLiteral("Analog magas")
      << QStringLiteral("Analog vissza") << QStringLiteral("Szamlalo") << QString() << QString()
      << QStringLiteral("Analog 1") << QStringLiteral("Analog 2");
    f << QStringLiteral("Fazis R") << QStringLiteral("Fazis S") << QStringLiteral("Fazis T")
      << QStringLiteral("Bemenet 4");
    f << QStringLiteral("R kimaradt") << QStringLiteral("S kimaradt")
      << QStringLiteral("T kimaradt") << QStringLiteral("Be4 aktiv");
    f << QStringLiteral("R visszajott") << QStringLiteral("S visszajott")
      << QStringLiteral("T visszajott") << QStringLiteral("Be4 nyugalom");
    f << QStringLiteral("Kimenet 1 be") << QStringLiteral("Kimenet 2 be")
      << QStringLiteral("Kimenet 3 be") << QStringLiteral("Kimenet 4 be");
    f << QStringLiteral("Kimenet 1 ki") << QStringLiteral("Kimenet 2 ki")
      << QStringLiteral("Kimenet 3 ki") << QStringLiteral("Kimenet 4 ki");
    f << QStringLiteral("TORLES") << QStringLiteral("RIASZTAS BE") << QStringLiteral("RIASZTAS KI")
      << QString();
    f << phoneField(1 + 2 + 4 + 8 + 64, 1, true, QStringLiteral("36301234567"))
      << phoneField(1 + 2, 0, true, QStringLiteral("36209876543"))
      << phoneField(64, 2, false, QStringLiteral("36701112233"));
    for (int row = 4; row <= 8; ++row) {
        f << phoneField(0, 0, false, QString());
    }
    return f;
}
