#include "record/bundle.h"

#include "core/configcodec.h"
#include "record/record.h"
#include "record/recordprivate.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QSqlError>

namespace record::bundle {

namespace {

Failure bad(const QString& what)
{
    return Failure(messages::Code::BadBundle, what);
}

QJsonValue textOrNull(const QString& text)
{
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

QJsonValue timeOrNull(const QDateTime& time)
{
    return time.isValid() ? QJsonValue(timeText(time)) : QJsonValue();
}

bool isIdValue(const QJsonValue& value)
{
    return value.isString() && isId(value.toString());
}

bool hasExactly(const QJsonObject& json, const QStringList& keys)
{
    if (json.size() != keys.size())
        return false;
    for (const QString& key : keys) {
        if (!json.contains(key))
            return false;
    }
    return true;
}

// Checks the event's texts and reads them into `event`: the ids, ids as this program makes them.
std::optional<QString> readTexts(const QJsonObject& json, Event* event)
{
    for (int i = 0; i < rows::kTexts; ++i) {
        const rows::Text& each = rows::kEventTexts[i];
        const QJsonValue value = json.value(QLatin1String(each.key));
        const bool isText = value.isString() && value.toString().size() <= kMaxText;
        if (!isText || (i < 2 && !isId(value.toString())))
            return QStringLiteral("az esemény „%1” értéke hibás").arg(QLatin1String(each.key));
        event->*each.member = value.toString();
    }
    return std::nullopt;
}

std::optional<QString> readTimes(const QJsonObject& json, Event* event)
{
    event->startedAt = timeFromText(json.value(QLatin1String("started")).toString());
    if (!event->startedAt.isValid())
        return QStringLiteral("az esemény kezdete hibás");
    const QJsonValue finished = json.value(QLatin1String("finished"));
    event->finishedAt = timeFromText(finished.toString());
    if (!finished.isNull() && !event->finishedAt.isValid())
        return QStringLiteral("az esemény vége hibás");
    if (event->state == State::Finished && !event->finishedAt.isValid())
        return QStringLiteral("a befejezett eseménynek nincs vége");
    return std::nullopt;
}

std::optional<QString> readReferences(const QJsonObject& json, const QSet<QString>& known,
                                      Event* event)
{
    const QJsonValue configuration = json.value(QLatin1String("configuration"));
    if (!configuration.isNull()) {
        if (!known.contains(configuration.toString()))
            return QStringLiteral("az esemény olyan konfigurációt nevez meg, amely nincs előtte "
                                  "a csomagban");
        event->configurationHash = configuration.toString();
    }
    const QJsonValue source = json.value(QLatin1String("source"));
    if (!source.isNull() && !isIdValue(source))
        return QStringLiteral("az esemény forrásának azonosítója hibás");
    event->sourceEvent = source.toString();
    const QJsonValue status = json.value(QLatin1String("status"));
    const QJsonValue differences = json.value(QLatin1String("differences"));
    if (!(status.isNull() || status.isObject()) || !(differences.isNull() || differences.isArray()))
        return QStringLiteral("az esemény állapota vagy eltérései hibásak");
    event->status = status;
    event->differences = differences;
    return std::nullopt;
}

} // namespace

QJsonObject eventJson(const Event& event)
{
    QJsonObject json;
    for (const rows::Text& each : rows::kEventTexts)
        json.insert(QLatin1String(each.key), event.*each.member);
    json.insert(QLatin1String("operation"), operationName(event.operation));
    json.insert(QLatin1String("state"), stateName(event.state));
    json.insert(QLatin1String("configuration"), textOrNull(event.configurationHash));
    json.insert(QLatin1String("status"), event.status.isObject() ? event.status : QJsonValue());
    json.insert(QLatin1String("differences"),
                event.differences.isArray() ? event.differences : QJsonValue());
    json.insert(QLatin1String("source"), textOrNull(event.sourceEvent));
    json.insert(QLatin1String("started"), timeOrNull(event.startedAt));
    json.insert(QLatin1String("finished"), timeOrNull(event.finishedAt));
    return json;
}

Expected<Event> eventFromJson(const QJsonObject& json, const QSet<QString>& configurations)
{
    static const QStringList keys = eventJson(Event()).keys();
    if (!hasExactly(json, keys))
        return bad(QStringLiteral("az esemény mezői nem a vártak"));
    Event event;
    const auto operation = operationNamed(json.value(QLatin1String("operation")).toString());
    const auto state = stateNamed(json.value(QLatin1String("state")).toString());
    if (!operation)
        return bad(QStringLiteral("ismeretlen művelet"));
    // A started event belongs to the program still working on it, on its own machine.
    if (!state || *state == State::Started)
        return bad(QStringLiteral("az esemény állapota hibás"));
    event.operation = *operation;
    event.state = *state;
    for (const auto& problem : {readTexts(json, &event), readTimes(json, &event),
                                readReferences(json, configurations, &event)}) {
        if (problem)
            return bad(*problem);
    }
    return event;
}

Expected<QByteArray> configurationFromJson(const QJsonObject& json)
{
    const QJsonValue hash = json.value(QLatin1String("configuration"));
    const QJsonValue content = json.value(QLatin1String("content"));
    if (!hasExactly(json, {"configuration", "content"}) || !hash.isString() ||
        !isHash(hash.toString()) || !content.isString())
        return bad(QStringLiteral("a konfiguráció sora hibás"));
    if (content.toString().size() > kMaxConfiguration * 4 / 3 + 4)
        return bad(QStringLiteral("a konfiguráció túl nagy"));
    const auto decoded = QByteArray::fromBase64Encoding(content.toString().toLatin1(),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.size() > kMaxConfiguration)
        return bad(QStringLiteral("a konfiguráció tartalma hibás"));
    if (configurationHash(decoded.decoded) != hash.toString())
        return bad(QStringLiteral("a konfiguráció tartalma nem egyezik az ellenőrzőösszegével"));
    if (!configfile::hasAllValues(configfile::decodeLines(decoded.decoded)))
        return bad(QStringLiteral("a konfiguráció nem teljes"));
    return decoded.decoded;
}

} // namespace record::bundle

namespace record {

namespace {

using namespace bundle;

QByteArray lineOf(const QJsonObject& json)
{
    return QJsonDocument(json).toJson(QJsonDocument::Compact) + '\n';
}

QByteArray endLine(const BundleCounts& counts, const QByteArray& sum)
{
    const QJsonObject end{{"configurations", counts.configurations},
                          {"events", counts.events},
                          {"sha256", QString::fromLatin1(sum.toHex())}};
    return lineOf(QJsonObject{{"end", end}});
}

// Writes the lines of a bundle, keeping their checksum.
class Writer
{
public:
    explicit Writer(QIODevice& out) : m_out(out) {}

    bool write(const QJsonObject& json)
    {
        const QByteArray line = lineOf(json);
        m_sum.addData(line);
        return m_out.write(line) == line.size();
    }
    bool end(const BundleCounts& counts)
    {
        const QByteArray line = endLine(counts, m_sum.result());
        return m_out.write(line) == line.size();
    }

private:
    QIODevice& m_out;
    QCryptographicHash m_sum{QCryptographicHash::Sha256};
};

// `file` is "" when the caller gave a device of its own.
Failure outputFailed(const QString& file, const QString& reason)
{
    const QString where = file.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(file);
    return Failure(messages::Code::OutputFailed,
                   QStringLiteral("A csomag nem írható%1: %2").arg(where, reason),
                   QJsonObject{{QStringLiteral("path"), file}});
}

// The whole bundle refused, and why: which line, what was wrong with it.
Failure refused(qint64 line, const QString& what)
{
    return Failure(messages::Code::BadBundle,
                   QStringLiteral("A csomag nem importálható (%1. sor): %2. Semmi sem került az "
                                  "előzményekbe.")
                       .arg(line)
                       .arg(what),
                   QJsonObject{{QStringLiteral("line"), line}, {QStringLiteral("reason"), what}});
}

} // namespace

Expected<BundleCounts> Record::exportBundle(QIODevice& out, const QDateTime& since) const
{
    // One read transaction: the configurations and the events of one moment.
    auto& connection = d->connection;
    if (auto begun = connection.run(QStringLiteral("BEGIN")); !begun)
        return begun.failure();
    struct End
    {
        db::Connection& connection;
        ~End() { QSqlQuery(connection.database()).exec(QStringLiteral("ROLLBACK")); }
    } end{connection};

    const QString selected = QStringLiteral("state <> 'started' AND started_at >= ?");
    const QVariantList from = {since.isValid() ? timeText(since) : QStringLiteral("")};
    Writer writer(out);
    BundleCounts counts;
    const QJsonObject header{
        {"bundle", kKind},
        {"version", kVersion},
        {"created", timeText(QDateTime::currentDateTimeUtc())},
        {"host", d->identity.host},
        {"since", since.isValid() ? QJsonValue(timeText(since)) : QJsonValue()}};
    if (!writer.write(header))
        return outputFailed(QString(), out.errorString());
    {
        Expected<QSqlQuery> query = connection.run(
            QStringLiteral("SELECT hash, content FROM configurations WHERE hash IN "
                           "(SELECT configuration FROM events WHERE %1) ORDER BY hash")
                .arg(selected),
            from);
        if (!query)
            return query.failure();
        while (query->next()) {
            const QJsonObject line{
                {"configuration", query->value(0).toString()},
                {"content", QString::fromLatin1(query->value(1).toByteArray().toBase64())}};
            if (!writer.write(line))
                return outputFailed(QString(), out.errorString());
            ++counts.configurations;
        }
    }
    Expected<QSqlQuery> query =
        connection.run(QStringLiteral("SELECT %1 FROM events WHERE %2 ORDER BY started_at, id")
                           .arg(rows::kEventColumns, selected),
                       from);
    if (!query)
        return query.failure();
    while (query->next()) {
        if (!writer.write(QJsonObject{{"event", eventJson(rows::eventFromRow(*query))}}))
            return outputFailed(QString(), out.errorString());
        ++counts.events;
    }
    if (!writer.end(counts))
        return outputFailed(QString(), out.errorString());
    return counts;
}

Expected<BundleCounts> Record::exportBundle(const QString& file, const QDateTime& since) const
{
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return outputFailed(file, out.errorString());
    Expected<BundleCounts> counts = exportBundle(out, since);
    if (!counts) {
        out.cancelWriting();
        return counts;
    }
    if (!out.commit())
        return outputFailed(file, out.errorString());
    return counts;
}

namespace {

// Reads a bundle's lines into the record, inside the caller's transaction.
class Reader
{
public:
    explicit Reader(Inserter& insert) : m_insert(insert) {}

    // One line, its LF taken off; `sum` holds the lines before it.
    Expected<void> line(const QByteArray& text, const QCryptographicHash& sum);
    bool ended() const { return m_ended; }
    const BundleCounts& counts() const { return m_counts; }

private:
    Expected<void> header(const QJsonObject& json);
    Expected<void> configuration(const QJsonObject& json);
    Expected<void> event(const QJsonObject& json);
    Expected<void> end(const QJsonObject& json, const QCryptographicHash& sum);

    Inserter& m_insert;
    qint64 m_number = 0;
    bool m_ended = false;
    bool m_inEvents = false;
    QSet<QString> m_configurations;
    BundleCounts m_counts;
};

Expected<void> Reader::line(const QByteArray& text, const QCryptographicHash& sum)
{
    ++m_number;
    if (m_ended)
        return bad(QStringLiteral("a záró sor után még van valami"));
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return bad(QStringLiteral("a sor nem JSON-objektum"));
    const QJsonObject json = document.object();
    if (m_number == 1)
        return header(json);
    if (json.contains(QLatin1String("configuration")))
        return configuration(json);
    if (json.contains(QLatin1String("event")))
        return event(json);
    if (json.contains(QLatin1String("end")))
        return end(json, sum);
    return bad(QStringLiteral("ismeretlen sor"));
}

Expected<void> Reader::header(const QJsonObject& json)
{
    const QStringList keys = {"bundle", "version", "created", "host", "since"};
    if (!hasExactly(json, keys) || json.value(QLatin1String("bundle")).toString() != kKind)
        return bad(QStringLiteral("nem előzménycsomag"));
    const QJsonValue version = json.value(QLatin1String("version"));
    if (!version.isDouble() || version.toDouble() != kVersion)
        return bad(version.isDouble() && version.toDouble() > kVersion
                       ? QStringLiteral("a csomagot a program egy újabb változata írta")
                       : QStringLiteral("a csomag változata hibás"));
    const QJsonValue since = json.value(QLatin1String("since"));
    if (!timeFromText(json.value(QLatin1String("created")).toString()).isValid() ||
        !(since.isNull() || timeFromText(since.toString()).isValid()) ||
        !json.value(QLatin1String("host")).isString())
        return bad(QStringLiteral("a csomag fejléce hibás"));
    return {};
}

Expected<void> Reader::configuration(const QJsonObject& json)
{
    if (m_inEvents)
        return bad(QStringLiteral("konfiguráció az események között"));
    Expected<QByteArray> content = configurationFromJson(json);
    if (!content)
        return content.failure();
    Expected<bool> stored = m_insert.configuration(*content);
    if (!stored)
        return stored.failure();
    m_configurations.insert(json.value(QLatin1String("configuration")).toString());
    ++m_counts.configurations;
    m_counts.newConfigurations += *stored ? 1 : 0;
    return {};
}

Expected<void> Reader::event(const QJsonObject& json)
{
    m_inEvents = true;
    if (json.size() != 1 || !json.value(QLatin1String("event")).isObject())
        return bad(QStringLiteral("az esemény sora hibás"));
    Expected<Event> event =
        eventFromJson(json.value(QLatin1String("event")).toObject(), m_configurations);
    if (!event)
        return event.failure();
    Expected<bool> stored = m_insert.event(*event, true);
    if (!stored)
        return stored.failure();
    ++m_counts.events;
    m_counts.newEvents += *stored ? 1 : 0;
    return {};
}

Expected<void> Reader::end(const QJsonObject& json, const QCryptographicHash& sum)
{
    const QJsonObject end = json.value(QLatin1String("end")).toObject();
    if (json.size() != 1 || !hasExactly(end, {"configurations", "events", "sha256"}))
        return bad(QStringLiteral("a záró sor hibás"));
    if (end.value(QLatin1String("sha256")).toString() != QString::fromLatin1(sum.result().toHex()))
        return bad(QStringLiteral("a csomag sérült (az ellenőrzőösszeg nem egyezik)"));
    if (end.value(QLatin1String("configurations")).toDouble(-1) !=
            double(m_counts.configurations) ||
        end.value(QLatin1String("events")).toDouble(-1) != double(m_counts.events))
        return bad(QStringLiteral("a csomag sorainak száma nem egyezik a záró sorral"));
    m_ended = true;
    return {};
}

} // namespace

Expected<BundleCounts> Record::importBundle(QIODevice& in)
{
    db::WriteTransaction transaction(d->connection);
    Inserter insert(d->connection);
    if (auto begun = insert.begin(transaction); !begun)
        return begun.failure();
    Reader reader(insert);
    QCryptographicHash sum(QCryptographicHash::Sha256);
    qint64 number = 0;
    while (!in.atEnd()) {
        const QByteArray line = in.readLine(kMaxLine + 2);
        ++number;
        if (line.size() > kMaxLine)
            return refused(number, QStringLiteral("túl hosszú sor"));
        if (!line.endsWith('\n'))
            return refused(number, QStringLiteral("csonka (a sor vége hiányzik)"));
        if (auto read = reader.line(line.chopped(1), sum); !read)
            return refused(number, read.failure().message);
        sum.addData(line);
    }
    if (number == 0)
        return refused(1, QStringLiteral("üres"));
    if (!reader.ended())
        return refused(number, QStringLiteral("csonka (a záró sor hiányzik)"));
    if (auto committed = transaction.commit(); !committed)
        return committed.failure();
    return reader.counts();
}

Expected<BundleCounts> Record::importBundle(const QString& file)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return Failure(
            QFileInfo::exists(file) ? messages::Code::FileUnreadable : messages::Code::FileMissing,
            QStringLiteral("A csomag nem olvasható (%1): %2").arg(file, in.errorString()),
            QJsonObject{{QStringLiteral("path"), file}});
    return importBundle(in);
}

} // namespace record

namespace record::bundle {

QByteArray sealed(const QByteArray& lines)
{
    QList<QByteArray> kept = lines.split('\n');
    kept.removeLast(); // what follows the last LF: an unfinished line, or nothing
    QByteArray body;
    BundleCounts counts;
    for (const QByteArray& line : std::as_const(kept)) {
        const QJsonObject json = QJsonDocument::fromJson(line).object();
        if (json.contains(QLatin1String("end")))
            continue;
        counts.configurations += json.contains(QLatin1String("configuration")) ? 1 : 0;
        counts.events += json.contains(QLatin1String("event")) ? 1 : 0;
        body += line + '\n';
    }
    return body + endLine(counts, QCryptographicHash::hash(body, QCryptographicHash::Sha256));
}

} // namespace record::bundle
