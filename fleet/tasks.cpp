#include "fleet/tasks.h"

#include "core/configcodec.h"
#include "core/description.h"
#include "core/fields.h"
#include "core/messages.h"
#include "core/programsettings.h"
#include "core/readoutcodec.h"
#include "core/statuscodec.h"
#include "fleet/outputs.h"
#include "fleet/plan.h"

#include <QDateTime>

namespace fleet {

namespace {

using messages::Code;

// The read-out's bar, as the window's: 56 fields of 16 characters.
constexpr int kReadOutRange = fields::kSlots * fields::kSlotWidth;
// The status query's bar, as the window's.
constexpr int kStatusRange = 50;

struct PhaseEntry
{
    Phase phase;
    const char* name;
};

constexpr PhaseEntry kPhases[] = {
    {Phase::Waiting, "várakozás"}, {Phase::Identify, "azonosítás"}, {Phase::Backup, "mentés"},
    {Phase::Write, "betöltés"},    {Phase::Verify, "ellenőrzés"},   {Phase::Read, "kiolvasás"},
    {Phase::Status, "lekérdezés"}, {Phase::Done, "kész"},           {Phase::Failed, "hiba"},
};

// What the JSON of a status query says of a lamp.
struct LampEntry
{
    status::Lamp lamp;
    const char* name;
};

constexpr LampEntry kLamps[] = {
    {status::Lamp::Normal, "normal"},
    {status::Lamp::Active, "on"},
    {status::Lamp::Off, "off"},
    {status::Lamp::Alarm, "alarm"},
};

QString lampName(status::Lamp lamp)
{
    for (const LampEntry& entry : kLamps) {
        if (entry.lamp == lamp)
            return QLatin1String(entry.name);
    }
    return QStringLiteral("normal");
}

// A module's result: `message` and the keys gathered so far.
Result succeeded(const Context& context, const QString& message, const QJsonObject& keys)
{
    Result result;
    result.port = context.port;
    result.ok = true;
    result.message = message;
    result.keys = keys;
    return result;
}

// The failure that ended a module's work, with the keys gathered so far beside its own.
Result failed(const Context& context, const Failure& failure, const QJsonObject& keys)
{
    Result result = Result::failed(context.port, failure);
    for (auto it = keys.constBegin(); it != keys.constEnd(); ++it) {
        if (!result.keys.contains(it.key()))
            result.keys.insert(it.key(), it.value());
    }
    return result;
}

// One exchange told to the context's observer: started before it talks to the module (the
// observer may forbid it), finished with what it saw. One that started and was not finished
// explicitly is finished when it goes.
class Told
{
public:
    Told(Context& context, Operation operation) : m_context(context)
    {
        m_exchange.operation = operation;
        m_exchange.port = context.port;
        if (context.identification && context.identification->ok())
            m_exchange.identification = context.identification->shown();
        m_exchange.moduleId = context.moduleId;
    }
    ~Told() { finish(); }
    Told(const Told&) = delete;
    Told& operator=(const Told&) = delete;

    Exchange& exchange() { return m_exchange; }

    Expected<void> start()
    {
        m_exchange.startedAt = QDateTime::currentDateTimeUtc();
        Expected<void> allowed = observer().started(m_exchange);
        m_started = allowed.ok();
        return allowed;
    }
    // What the conversation found: the port's device and how it ended.
    void saw(const conversation::Result& talk)
    {
        m_exchange.device = talk.port;
        m_exchange.outcome = talk.failure();
    }
    void finish()
    {
        if (!m_started)
            return;
        m_started = false;
        m_exchange.finishedAt = QDateTime::currentDateTimeUtc();
        observer().finished(m_exchange);
    }

private:
    Observer& observer() const
    {
        return m_context.observer ? *m_context.observer : Observer::none();
    }

    Context& m_context;
    Exchange m_exchange;
    bool m_started = false;
};

// Who the module is: its identification as the window shows it, on one line ("module" and
// "identification" among the keys); or why the port holds none. Only an identification that
// found a module is kept: a status watch asks again after a failure.
// The module asked who it is, told to the observer; or the observer's refusal.
Expected<conversation::Result> askWho(Context& context)
{
    Told told(context, Operation::Identify);
    if (const Expected<void> allowed = told.start(); !allowed)
        return allowed.failure();
    const conversation::Result answer = conversation::identify(context.port, context.baud);
    told.exchange().identification = answer.shown();
    told.saw(answer);
    return answer;
}

Expected<void> identifyStep(Context& context, QJsonObject* keys)
{
    context.progress->start(Phase::Identify);
    std::optional<conversation::Result> answer = context.identification;
    if (!answer) {
        const Expected<conversation::Result> asked = askWho(context);
        if (!asked)
            return asked.failure();
        answer = *asked;
    }
    keys->insert(QStringLiteral("module"),
                 answer->opened() ? QJsonValue(answer->ok()) : QJsonValue(QJsonValue::Null));
    if (!answer->ok())
        return answer->failure();
    context.identification = answer;
    keys->insert(QStringLiteral("identification"), identificationText(*answer));
    return {};
}

// The module's 56 fields, read out and told as `told`'s exchange (with the configuration
// they make), which the caller finishes.
Expected<QStringList> readStep(Context& context, Phase phase, Told& told)
{
    Progress* progress = context.progress;
    progress->start(phase, kReadOutRange);
    if (Expected<void> allowed = told.start(); !allowed)
        return allowed.failure();
    const conversation::Result reply =
        conversation::readOut(context.port, context.baud, [&context, progress](char) {
            ++progress->value;
            return !context.stopRequested();
        });
    told.saw(reply);
    if (!reply.ok())
        return reply.failure();
    const Configuration read = readOutState(context.defaults, reply.fields);
    context.moduleId = read.text(QStringLiteral("m_id"));
    told.exchange().moduleId = context.moduleId;
    told.exchange().configuration = read.lines();
    return reply.fields;
}

QStringList recordOf(const QString& frame)
{
    const ProgramSettings record;
    return readout::split(frame, QChar::fromLatin1(record.downloadSeparator))
        .valueOr(QStringList());
}

// The keys gathered so far, and why a file was not saved: "reason" and "systemError".
QJsonObject whyNotSaved(QJsonObject keys, const ::Failure& why)
{
    keys.insert(QStringLiteral("reason"), why.details.value(QStringLiteral("reason")));
    keys.insert(QStringLiteral("systemError"), why.details.value(QStringLiteral("systemError")));
    return keys;
}

// A text field's value in quotes, so that blanks and an empty text show; the rows, modes and
// ranges as they read.
QString shown(const description::Difference& difference, const QString& value)
{
    const fields::Field* field = fields::find(difference.key);
    const bool text = field && field->widget == fields::Widget::LineEdit &&
                      field->coding != fields::Coding::TelNumber;
    return text ? u'"' + value + u'"' : value;
}

const QString kNothingWritten = QStringLiteral("Megszakítva, a modulba nem került semmi.");

// The backup before a write: the module read out and saved ("backup" among the keys), or why
// nothing may be written.
Expected<void> backupStep(Context& context, const WriteJob& job, QJsonObject* keys)
{
    Told told(context, Operation::Backup);
    const Expected<QStringList> read = readStep(context, Phase::Backup, told);
    told.finish();
    if (!read) {
        if (read.failure().code == Code::Interrupted)
            return Failure{Code::Interrupted, kNothingWritten, read.failure().details};
        return Failure{Code::BackupFailed,
                       QStringLiteral("A mentés nem sikerült, a modulba nem került semmi: %1")
                           .arg(read.failure().message),
                       read.failure().details};
    }
    const Configuration config = readOutState(context.defaults, *read);
    const QString path = outputs::backupPath(job.backupDir, config.text(QStringLiteral("m_id")),
                                             context.port, QDateTime::currentDateTimeUtc());
    if (const Expected<void> saved = configfile::writeFile(path, config.lines()); !saved) {
        *keys = whyNotSaved(*keys, saved.failure());
        return Failure{
            Code::BackupFailed,
            QStringLiteral("A mentés nem sikerült (%1), a modulba nem került semmi.").arg(path)};
    }
    keys->insert(QStringLiteral("backup"), path);
    if (context.stopRequested())
        return Failure{Code::Interrupted, kNothingWritten};
    return {};
}

// The frame sent ("bytesSent" among the keys) and acknowledged.
Expected<void> writeStep(Context& context, const WriteJob& job, QJsonObject* keys)
{
    const ProgramSettings record;
    Progress* progress = context.progress;
    progress->start(Phase::Write);
    Told told(context, job.operation);
    const Configuration sent = readOutState(context.defaults, recordOf(job.frame));
    told.exchange().moduleId = sent.text(QStringLiteral("m_id"));
    told.exchange().configuration = sent.lines();
    if (Expected<void> allowed = told.start(); !allowed)
        return allowed;
    conversation::WriteProgress steps;
    steps.started = [progress](int maximum) { progress->maximum = maximum; };
    steps.value = [progress](int value) { progress->value = value; };
    const conversation::Result written = conversation::writeFrame(
        context.port, job.frame, record.downloadSeparator, record.ackChar, steps, context.stop);
    told.exchange().bytesSent = written.bytesSent;
    told.saw(written);
    told.finish();
    keys->insert(QStringLiteral("bytesSent"), written.bytesSent);
    if (!written.ok())
        return written.failure();
    return {};
}

// The module read back after its acknowledgement and compared as diff compares: the
// differences from what was sent, or why it could not be read back.
Expected<Differences> verifyStep(Context& context, const WriteJob& job)
{
    Told told(context, Operation::Verify);
    const Expected<QStringList> read = readStep(context, Phase::Verify, told);
    if (!read) {
        if (read.failure().code == Code::Interrupted)
            return Failure{Code::Interrupted, QStringLiteral("Az ellenőrzés megszakadt."),
                           read.failure().details};
        return Failure{Code::VerifyFailed,
                       QStringLiteral("Az ellenőrzés nem sikerült: ") + read.failure().message,
                       read.failure().details};
    }
    Differences found = differences(*read, recordOf(job.frame), {job.frame},
                                    QStringLiteral("a modulban"), QStringLiteral("a küldöttben"));
    told.exchange().differences = found.list;
    if (found.used > 0)
        told.exchange().outcome = {Code::VerifyMismatch, found.lines.join(QStringLiteral("; "))};
    return found;
}

// After the acknowledgement: the write's result, verified when asked for.
Result written(Context& context, const WriteJob& job, QJsonObject& keys)
{
    const QString done = messages::kDownloadSucceeded;
    if (!job.verify)
        return succeeded(context, done, keys);
    keys.insert(QStringLiteral("verified"), false);
    const Expected<Differences> found = verifyStep(context, job);
    if (!found) {
        Failure failure = found.failure();
        failure.message = done + u' ' + failure.message;
        return failed(context, failure, keys);
    }
    keys.insert(QStringLiteral("differences"), found->list);
    if (found->used > 0) {
        const QString differs =
            QStringLiteral(" A visszaolvasott tartalom eltér (%1 mező):").arg(found->used);
        Result result = failed(context, {Code::VerifyMismatch, done + differs}, keys);
        result.more = found->lines;
        return result;
    }
    keys.insert(QStringLiteral("verified"), true);
    return succeeded(context, done + QStringLiteral(" Ellenőrizve."), keys);
}

// A status reply as the window's panel shows it for a VexaGrid-3 (the signal, phases R, S, T,
// outputs 1 and 2, the firmware): the line, with its values among the keys.
QString statusLine(const status::View& view, QJsonObject& keys)
{
    const auto phase = [](status::Lamp lamp) {
        return lamp == status::Lamp::Alarm ? QStringLiteral("riasztás") : QStringLiteral("rendben");
    };
    const auto output = [](status::Lamp lamp) {
        return lamp == status::Lamp::Active ? QStringLiteral("be") : QStringLiteral("ki");
    };
    const int strength = view.signal / 10;
    keys.insert(QStringLiteral("signal"), strength);
    keys.insert(QStringLiteral("signalLow"), view.signalLow);
    keys.insert(QStringLiteral("phaseR"), lampName(view.phase[0]));
    keys.insert(QStringLiteral("phaseS"), lampName(view.phase[1]));
    keys.insert(QStringLiteral("phaseT"), lampName(view.phase[2]));
    keys.insert(QStringLiteral("output1"), lampName(view.out[0]));
    keys.insert(QStringLiteral("output2"), lampName(view.out[1]));
    keys.insert(QStringLiteral("firmware"), view.version);
    return QStringLiteral("Térerő: %1/5%2, Fázis R: %3, Fázis S: %4, Fázis T: %5, "
                          "Kimenet 1: %6, Kimenet 2: %7, Verzió: %8")
        .arg(strength)
        .arg(view.signalLow ? QStringLiteral(" (gyenge)") : QString())
        .arg(phase(view.phase[0]), phase(view.phase[1]), phase(view.phase[2]), output(view.out[0]),
             output(view.out[1]), view.version);
}

} // namespace

QString phaseName(Phase phase)
{
    for (const PhaseEntry& entry : kPhases) {
        if (entry.phase == phase)
            return QString::fromUtf8(entry.name);
    }
    return QString();
}

Differences differences(const QStringList& left, const QStringList& right, const Comparison& how,
                        const QString& leftName, const QString& rightName)
{
    const description::Options options{how.pin};
    const QList<description::Difference> all =
        description::compare(description::describe(readout::decodeRecord(left), options),
                             description::describe(readout::decodeRecord(right), options));
    Differences found;
    QStringList unused;
    for (const description::Difference& difference : all) {
        const bool counts = difference.used || how.all;
        QJsonArray names;
        for (const QString& name : difference.names)
            names.append(name);
        found.list.append(
            QJsonObject{{QStringLiteral("name"), difference.key},
                        {QStringLiteral("names"), names},
                        {QStringLiteral("caption"), difference.caption},
                        {QStringLiteral("section"), description::sectionKey(difference.section)},
                        {QStringLiteral("used"), difference.used},
                        {QStringLiteral("counted"), counts},
                        {QStringLiteral("left"), difference.left},
                        {QStringLiteral("right"), difference.right}});
        if (!counts) {
            unused << difference.caption;
            continue;
        }
        ++found.used;
        found.lines << QStringLiteral("%1: %2 %3; %4 %5")
                           .arg(difference.caption, leftName, shown(difference, difference.left),
                                rightName, shown(difference, difference.right));
    }
    if (!unused.isEmpty())
        found.lines << QStringLiteral("a VexaGrid-3 nem használja, nem számít eltérésnek: %1")
                           .arg(unused.join(QStringLiteral(", ")));
    return found;
}

Configuration readOutState(const QStringList& defaults, const QStringList& record)
{
    Configuration config = startState(defaults);
    config.fillFromReadOut(record);
    return config;
}

Result identifyTask(Context& context)
{
    QJsonObject keys;
    if (const Expected<void> identified = identifyStep(context, &keys); !identified)
        return failed(context, identified.failure(), keys);
    return succeeded(context, keys.value(QStringLiteral("identification")).toString(), keys);
}

QString identificationText(const conversation::Result& answer)
{
    return messages::oneLine(answer.shown()).trimmed();
}

Result searchTask(Context& context)
{
    context.progress->start(Phase::Identify);
    const Expected<conversation::Result> asked = askWho(context);
    if (!asked)
        return Result::failed(context.port, asked.failure());
    Result result;
    result.ok = asked->ok();
    result.identification = *asked;
    return result;
}

Result fetchTask(Context& context)
{
    Result result = identifyTask(context);
    if (!result.ok)
        return result;
    if (context.stopRequested())
        return failed(context, {Code::Interrupted, QStringLiteral("Megszakítva kiolvasás előtt.")},
                      result.keys);
    Told told(context, Operation::ReadOut);
    const Expected<QStringList> record = readStep(context, Phase::Read, told);
    told.finish();
    if (!record)
        return failed(context, record.failure(), result.keys);
    result.message = QStringLiteral("Sikeres kiolvasás.");
    result.record = *record;
    return result;
}

Result readTask(Context& context, const QString& path)
{
    Result result = fetchTask(context);
    if (!result.ok)
        return result;
    const Configuration config = readOutState(context.defaults, result.record);
    result.record.clear();
    result.keys.insert(QStringLiteral("m_id"), config.text(QStringLiteral("m_id")));
    result.keys.insert(QStringLiteral("m_nev"), config.text(QStringLiteral("m_nev")));
    if (path == QLatin1String("-")) {
        result.content = configfile::encode(config.lines());
        return result;
    }
    result.keys.insert(QStringLiteral("file"), path);
    if (const Expected<void> saved = configfile::writeFile(path, config.lines()); !saved)
        return failed(
            context,
            {Code::SaveFailed, QStringLiteral("A fájl mentése nem sikerült: %1").arg(path)},
            whyNotSaved(result.keys, saved.failure()));
    result.message = QStringLiteral("Sikeres kiolvasás, mentve: %1").arg(path);
    return result;
}

Result writeTask(Context& context, const WriteJob& job)
{
    QJsonObject keys;
    Expected<void> step = identifyStep(context, &keys);
    if (step && context.stopRequested())
        step = Failure{Code::Interrupted, kNothingWritten};
    if (step && !job.backupDir.isEmpty())
        step = backupStep(context, job, &keys);
    if (step)
        step = writeStep(context, job, &keys);
    Result result = step ? written(context, job, keys) : failed(context, step.failure(), keys);
    const QString backup = keys.value(QStringLiteral("backup")).toString();
    if (step && !backup.isEmpty())
        result.message += QStringLiteral(" Mentés: %1").arg(backup);
    return result;
}

Result diffTask(Context& context, const Comparison& comparison)
{
    const Result fetched = fetchTask(context);
    if (!fetched.ok)
        return fetched;
    QJsonObject keys = fetched.keys;
    const Differences found =
        differences(fetched.record, recordOf(comparison.frame), comparison,
                    QStringLiteral("a modulban"), QStringLiteral("a fájlban"));
    keys.insert(QStringLiteral("differences"), found.list);
    Result result =
        found.used == 0
            ? succeeded(context, QStringLiteral("Egyezik."), keys)
            : failed(context, {Code::Differs, QStringLiteral("Eltér (%1 mező):").arg(found.used)},
                     keys);
    result.more = found.lines;
    return result;
}

Result statusTask(Context& context, bool identified)
{
    QJsonObject keys;
    if (!identified) {
        if (const Expected<void> step = identifyStep(context, &keys); !step)
            return failed(context, step.failure(), keys);
    }
    Progress* progress = context.progress;
    progress->start(Phase::Status, kStatusRange);
    Told told(context, Operation::Status);
    if (const Expected<void> allowed = told.start(); !allowed)
        return failed(context, allowed.failure(), keys);
    conversation::StatusProgress steps;
    steps.requestSent = [progress] { ++progress->value; };
    steps.byte = [progress](char) { ++progress->value; };
    const conversation::Result reply = conversation::queryStatus(context.port, steps);
    told.saw(reply);
    const Expected<status::View> view = reply.ok()
                                            ? status::decode(reply.reply, DeviceKind::VexaGrid3)
                                            : Expected<status::View>(reply.failure());
    if (!view) {
        told.exchange().outcome = view.failure();
        return failed(context, view.failure(), keys);
    }
    QJsonObject values;
    const QString line = statusLine(*view, values);
    told.exchange().status = values;
    for (auto it = values.constBegin(); it != values.constEnd(); ++it)
        keys.insert(it.key(), it.value());
    return succeeded(context, line, keys);
}

} // namespace fleet
