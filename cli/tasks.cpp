#include "cli/tasks.h"

#include "cli/outputs.h"
#include "cli/plan.h"
#include "core/configcodec.h"
#include "core/description.h"
#include "core/fields.h"
#include "core/messages.h"
#include "core/programsettings.h"
#include "core/readoutcodec.h"
#include "core/statuscodec.h"
#include "device/outcomes.h"
#include "device/porttexts.h"

#include <QDateTime>

namespace cli {

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

// An exchange that did not end well, in the words the window would use.
Failure failureOf(const conversation::Result& exchange)
{
    const outcomes::Words words = outcomes::of(exchange);
    QJsonObject keys;
    addOpenFailure(keys, exchange);
    return {words.code, words.line, keys};
}

bool stopRequested(const Context& context)
{
    return context.stop && context.stop->load();
}

// Who the module is: its identification as the window shows it, on one line ("module" and
// "identification" among the keys); or why the port holds none.
Expected<void> identifyStep(Context& context, QJsonObject* keys)
{
    context.progress->start(Phase::Identify);
    const conversation::Result identification =
        context.identification ? *context.identification
                               : conversation::identify(context.port, context.baud);
    keys->insert(QStringLiteral("module"), identification.opened() ? QJsonValue(identification.ok())
                                                                   : QJsonValue(QJsonValue::Null));
    if (!identification.ok())
        return failureOf(identification);
    keys->insert(QStringLiteral("identification"),
                 messages::oneLine(identification.shown()).trimmed());
    return {};
}

// The module's 56 fields, read out.
Expected<QStringList> readStep(Context& context, Phase phase)
{
    Progress* progress = context.progress;
    progress->start(phase, kReadOutRange);
    const conversation::Result reply =
        conversation::readOut(context.port, context.baud, [&context, progress](char) {
            ++progress->value;
            return !stopRequested(context);
        });
    if (!reply.ok())
        return failureOf(reply);
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
    const Expected<QStringList> read = readStep(context, Phase::Backup);
    if (!read) {
        if (read.failure().code == Code::Interrupted)
            return Failure{Code::Interrupted, kNothingWritten, read.failure().details};
        return Failure{Code::BackupFailed,
                       QStringLiteral("A mentés nem sikerült, a modulba nem került semmi: %1")
                           .arg(read.failure().message),
                       read.failure().details};
    }
    const Configuration config = readOutState(job.defaults, *read);
    const QString path = outputs::backupPath(job.backupDir, config.text(QStringLiteral("m_id")),
                                             context.port, QDateTime::currentDateTimeUtc());
    if (const Expected<void> saved = configfile::writeFile(path, config.lines()); !saved) {
        *keys = whyNotSaved(*keys, saved.failure());
        return Failure{
            Code::BackupFailed,
            QStringLiteral("A mentés nem sikerült (%1), a modulba nem került semmi.").arg(path)};
    }
    keys->insert(QStringLiteral("backup"), path);
    if (stopRequested(context))
        return Failure{Code::Interrupted, kNothingWritten};
    return {};
}

// The frame sent ("bytesSent" among the keys) and acknowledged.
Expected<void> writeStep(Context& context, const WriteJob& job, QJsonObject* keys)
{
    const ProgramSettings record;
    Progress* progress = context.progress;
    progress->start(Phase::Write);
    conversation::WriteProgress steps;
    steps.started = [progress](int maximum) { progress->maximum = maximum; };
    steps.value = [progress](int value) { progress->value = value; };
    const conversation::Result written = conversation::writeFrame(
        context.port, job.frame, record.downloadSeparator, record.ackChar, steps, context.stop);
    keys->insert(QStringLiteral("bytesSent"), written.bytesSent);
    if (!written.ok())
        return failureOf(written);
    return {};
}

// The module read back after its acknowledgement and compared as diff compares: the
// differences from what was sent, or why it could not be read back.
Expected<Differences> verifyStep(Context& context, const WriteJob& job)
{
    const Expected<QStringList> read = readStep(context, Phase::Verify);
    if (!read) {
        if (read.failure().code == Code::Interrupted)
            return Failure{Code::Interrupted, QStringLiteral("Az ellenőrzés megszakadt."),
                           read.failure().details};
        return Failure{Code::VerifyFailed,
                       QStringLiteral("Az ellenőrzés nem sikerült: ") + read.failure().message,
                       read.failure().details};
    }
    return differences(*read, recordOf(job.frame), {job.frame}, QStringLiteral("a modulban"),
                       QStringLiteral("a küldöttben"));
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

} // namespace

QString phaseName(Phase phase)
{
    for (const PhaseEntry& entry : kPhases) {
        if (entry.phase == phase)
            return QString::fromUtf8(entry.name);
    }
    return QString();
}

Result Result::failed(const QString& port, const Failure& failure)
{
    Result result;
    static_cast<report::Line&>(result) = report::Line::of(failure);
    result.port = port;
    return result;
}

void addOpenFailure(QJsonObject& keys, const conversation::Result& exchange)
{
    if (exchange.opened())
        return;
    keys.insert(QStringLiteral("reason"), porttexts::reasonCode(exchange.port));
    keys.insert(QStringLiteral("systemError"), exchange.port.error.isEmpty()
                                                   ? QJsonValue(QJsonValue::Null)
                                                   : QJsonValue(exchange.port.error));
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

Result fetchTask(Context& context)
{
    Result result = identifyTask(context);
    if (!result.ok)
        return result;
    if (stopRequested(context))
        return failed(context, {Code::Interrupted, QStringLiteral("Megszakítva kiolvasás előtt.")},
                      result.keys);
    const Expected<QStringList> record = readStep(context, Phase::Read);
    if (!record)
        return failed(context, record.failure(), result.keys);
    result.message = QStringLiteral("Sikeres kiolvasás.");
    result.record = *record;
    return result;
}

Result readTask(Context& context, const QStringList& defaults, const QString& path)
{
    Result result = fetchTask(context);
    if (!result.ok)
        return result;
    const Configuration config = readOutState(defaults, result.record);
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
    if (step && stopRequested(context))
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
    conversation::StatusProgress steps;
    steps.requestSent = [progress] { ++progress->value; };
    steps.byte = [progress](char) { ++progress->value; };
    const conversation::Result reply = conversation::queryStatus(context.port, steps);
    const Expected<status::View> view = reply.ok()
                                            ? status::decode(reply.reply, DeviceKind::VexaGrid3)
                                            : Expected<status::View>(reply.failure());
    if (!view)
        return failed(context, failureOf(reply), keys);

    // What the window's panel shows for a VexaGrid-3: the signal, phases R, S, T, outputs 1
    // and 2, the firmware.
    const auto phase = [](status::Lamp lamp) {
        return lamp == status::Lamp::Alarm ? QStringLiteral("riasztás") : QStringLiteral("rendben");
    };
    const auto output = [](status::Lamp lamp) {
        return lamp == status::Lamp::Active ? QStringLiteral("be") : QStringLiteral("ki");
    };
    const int strength = view->signal / 10;
    const QString line =
        QStringLiteral("Térerő: %1/5%2, Fázis R: %3, Fázis S: %4, Fázis T: %5, "
                       "Kimenet 1: %6, Kimenet 2: %7, Verzió: %8")
            .arg(strength)
            .arg(view->signalLow ? QStringLiteral(" (gyenge)") : QString())
            .arg(phase(view->phase[0]), phase(view->phase[1]), phase(view->phase[2]),
                 output(view->out[0]), output(view->out[1]), view->version);
    keys.insert(QStringLiteral("signal"), strength);
    keys.insert(QStringLiteral("signalLow"), view->signalLow);
    keys.insert(QStringLiteral("phaseR"), lampName(view->phase[0]));
    keys.insert(QStringLiteral("phaseS"), lampName(view->phase[1]));
    keys.insert(QStringLiteral("phaseT"), lampName(view->phase[2]));
    keys.insert(QStringLiteral("output1"), lampName(view->out[0]));
    keys.insert(QStringLiteral("output2"), lampName(view->out[1]));
    keys.insert(QStringLiteral("firmware"), view->version);
    return succeeded(context, line, keys);
}

} // namespace cli
