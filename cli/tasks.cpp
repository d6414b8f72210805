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

Result success(const Context& context, const QString& message)
{
    Result result;
    result.port = context.port;
    result.ok = true;
    result.message = message;
    return result;
}

Result failure(const Context& context, Code code, const QString& message)
{
    Result result;
    result.port = context.port;
    result.error = code;
    result.message = message;
    return result;
}

Result interrupted(const Context& context, const QString& message)
{
    Result result = failure(context, Code::Interrupted, message);
    result.finished = false;
    return result;
}

// An exchange that did not end well, in the words the window would use.
Result failed(const Context& context, const conversation::Result& exchange)
{
    const outcomes::Words words = outcomes::of(exchange);
    Result result = exchange.outcome == conversation::Outcome::Cancelled
                        ? interrupted(context, words.line)
                        : failure(context, words.code, words.line);
    addOpenFailure(result.keys, exchange);
    return result;
}

bool stopRequested(const Context& context)
{
    return context.stop && context.stop->load();
}

// The identification as the window shows it, its line feeds turned into blanks.
QString oneLine(const QString& text)
{
    QString line = text;
    line.replace(u'\n', u' ');
    return line.trimmed();
}

std::optional<Result> identifyStep(Context& context, QJsonObject* keys)
{
    context.progress->start(Phase::Identify);
    const conversation::Result identification =
        context.identification ? *context.identification
                               : conversation::identify(context.port, context.baud);
    keys->insert(QStringLiteral("module"), identification.opened() ? QJsonValue(identification.ok())
                                                                   : QJsonValue(QJsonValue::Null));
    if (!identification.ok()) {
        Result result = failed(context, identification);
        result.notModule = identification.opened();
        result.keys.insert(QStringLiteral("module"), keys->value(QStringLiteral("module")));
        return result;
    }
    keys->insert(QStringLiteral("identification"), oneLine(identification.shown()));
    return std::nullopt;
}

struct ReadStep
{
    std::optional<Result> failure;
    QStringList fields;
};

ReadStep readStep(Context& context, Phase phase)
{
    ReadStep step;
    Progress* progress = context.progress;
    progress->start(phase, kReadOutRange);
    const conversation::Result reply =
        conversation::readOut(context.port, context.baud, [&context, progress](char) {
            ++progress->value;
            return !stopRequested(context);
        });
    if (reply.ok())
        step.fields = reply.fields;
    else
        step.failure = failed(context, reply);
    return step;
}

// A result that carries the keys gathered so far.
Result with(Result result, const QJsonObject& keys)
{
    for (auto it = keys.constBegin(); it != keys.constEnd(); ++it) {
        if (!result.keys.contains(it.key()))
            result.keys.insert(it.key(), it.value());
    }
    return result;
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

// The backup before a write: the module read out and saved, or why nothing may be written.
std::optional<Result> backupStep(Context& context, const WriteJob& job, QJsonObject* keys)
{
    const QString nothingWritten = QStringLiteral("Megszakítva, a modulba nem került semmi.");
    const ReadStep read = readStep(context, Phase::Backup);
    if (read.failure) {
        Result failed = *read.failure;
        if (failed.finished) {
            failed.error = Code::BackupFailed;
            failed.message = QStringLiteral("A mentés nem sikerült, a modulba nem került "
                                            "semmi: %1")
                                 .arg(read.failure->message);
        } else {
            failed.message = nothingWritten;
        }
        return with(failed, *keys);
    }
    const Configuration config = readOutState(job.defaults, read.fields);
    const QString path = outputs::backupPath(job.backupDir, config.text(QStringLiteral("m_id")),
                                             context.port, QDateTime::currentDateTimeUtc());
    if (const Expected<void> saved = configfile::writeFile(path, config.lines()); !saved)
        return with(failure(context, Code::BackupFailed,
                            QStringLiteral("A mentés nem sikerült (%1), a modulba nem került "
                                           "semmi.")
                                .arg(path)),
                    whyNotSaved(*keys, saved.failure()));
    keys->insert(QStringLiteral("backup"), path);
    if (stopRequested(context))
        return with(interrupted(context, nothingWritten), *keys);
    return std::nullopt;
}

std::optional<Result> writeStep(Context& context, const WriteJob& job, QJsonObject* keys)
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
    if (written.ok())
        return std::nullopt;
    return with(failed(context, written), *keys);
}

// The module read back after its acknowledgement and compared as diff compares.
Result verifyStep(Context& context, const WriteJob& job, const QString& done, QJsonObject* keys)
{
    const ReadStep read = readStep(context, Phase::Verify);
    keys->insert(QStringLiteral("verified"), false);
    if (read.failure) {
        Result result = *read.failure;
        if (result.finished) {
            result.error = Code::VerifyFailed;
            result.message =
                done + QStringLiteral(" Az ellenőrzés nem sikerült: ") + read.failure->message;
        } else {
            result.message = done + QStringLiteral(" Az ellenőrzés megszakadt.");
        }
        return with(result, *keys);
    }
    const Differences found =
        differences(read.fields, recordOf(job.frame), {job.frame}, QStringLiteral("a modulban"),
                    QStringLiteral("a küldöttben"));
    keys->insert(QStringLiteral("differences"), found.list);
    if (found.used > 0) {
        Result result = failure(context, Code::VerifyMismatch,
                                done + QStringLiteral(" A visszaolvasott tartalom eltér (%1 "
                                                      "mező):")
                                           .arg(found.used));
        result.more = found.lines;
        return with(result, *keys);
    }
    keys->insert(QStringLiteral("verified"), true);
    return with(success(context, done + QStringLiteral(" Ellenőrizve.")), *keys);
}

// The identification and the read-out, as read, diff and show do them; the failure that
// ended them, or nothing with the module's fields in `record`.
std::optional<Result> identifyAndRead(Context& context, QJsonObject* keys, QStringList* record)
{
    if (std::optional<Result> failed = identifyStep(context, keys))
        return failed;
    if (stopRequested(context))
        return with(interrupted(context, QStringLiteral("Megszakítva kiolvasás előtt.")), *keys);
    const ReadStep read = readStep(context, Phase::Read);
    if (read.failure)
        return with(*read.failure, *keys);
    *record = read.fields;
    return std::nullopt;
}

} // namespace

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

Result fetchTask(Context& context)
{
    QJsonObject keys;
    QStringList record;
    if (std::optional<Result> failed = identifyAndRead(context, &keys, &record))
        return *failed;
    Result result = with(success(context, QStringLiteral("Sikeres kiolvasás.")), keys);
    result.record = record;
    return result;
}

Result identifyTask(Context& context)
{
    QJsonObject keys;
    if (std::optional<Result> failed = identifyStep(context, &keys))
        return *failed;
    return with(success(context, keys.value(QStringLiteral("identification")).toString()), keys);
}

Result readTask(Context& context, const QStringList& defaults, const QString& path)
{
    QJsonObject keys;
    QStringList record;
    if (std::optional<Result> failed = identifyAndRead(context, &keys, &record))
        return *failed;
    const Configuration config = readOutState(defaults, record);
    keys.insert(QStringLiteral("m_id"), config.text(QStringLiteral("m_id")));
    keys.insert(QStringLiteral("m_nev"), config.text(QStringLiteral("m_nev")));
    if (path == QLatin1String("-")) {
        Result result = with(success(context, QStringLiteral("Sikeres kiolvasás.")), keys);
        result.content = configfile::encode(config.lines());
        return result;
    }
    keys.insert(QStringLiteral("file"), path);
    if (const Expected<void> saved = configfile::writeFile(path, config.lines()); !saved)
        return with(failure(context, Code::SaveFailed,
                            QStringLiteral("A fájl mentése nem sikerült: %1").arg(path)),
                    whyNotSaved(keys, saved.failure()));
    return with(success(context, QStringLiteral("Sikeres kiolvasás, mentve: %1").arg(path)), keys);
}

Result writeTask(Context& context, const WriteJob& job)
{
    QJsonObject keys;
    if (std::optional<Result> failed = identifyStep(context, &keys))
        return *failed;
    if (stopRequested(context))
        return with(interrupted(context, QStringLiteral("Megszakítva, a modulba nem került "
                                                        "semmi.")),
                    keys);
    if (!job.backupDir.isEmpty()) {
        if (std::optional<Result> failed = backupStep(context, job, &keys))
            return *failed;
    }
    if (std::optional<Result> failed = writeStep(context, job, &keys))
        return *failed;

    QString done = messages::kDownloadSucceeded;
    const QString backup = keys.value(QStringLiteral("backup")).toString();
    if (!job.verify) {
        Result result = with(success(context, done), keys);
        if (!backup.isEmpty())
            result.message += QStringLiteral(" Mentés: %1").arg(backup);
        return result;
    }
    Result result = verifyStep(context, job, done, &keys);
    if (!backup.isEmpty())
        result.message += QStringLiteral(" Mentés: %1").arg(backup);
    return result;
}

Result diffTask(Context& context, const Comparison& comparison)
{
    QJsonObject keys;
    QStringList record;
    if (std::optional<Result> failed = identifyAndRead(context, &keys, &record))
        return *failed;
    const Differences found =
        differences(record, recordOf(comparison.frame), comparison, QStringLiteral("a modulban"),
                    QStringLiteral("a fájlban"));
    keys.insert(QStringLiteral("differences"), found.list);
    Result result = found.used == 0 ? success(context, QStringLiteral("Egyezik."))
                                    : failure(context, Code::Differs,
                                              QStringLiteral("Eltér (%1 mező):").arg(found.used));
    result.more = found.lines;
    return with(result, keys);
}

Result statusTask(Context& context, bool identified)
{
    QJsonObject keys;
    if (!identified) {
        if (std::optional<Result> failed = identifyStep(context, &keys))
            return *failed;
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
        return with(failed(context, reply), keys);

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
    const auto lampName = [](status::Lamp lamp) {
        switch (lamp) {
        case status::Lamp::Active:
            return QStringLiteral("on");
        case status::Lamp::Off:
            return QStringLiteral("off");
        case status::Lamp::Alarm:
            return QStringLiteral("alarm");
        case status::Lamp::Normal:
            break;
        }
        return QStringLiteral("normal");
    };
    keys.insert(QStringLiteral("signal"), strength);
    keys.insert(QStringLiteral("signalLow"), view->signalLow);
    keys.insert(QStringLiteral("phaseR"), lampName(view->phase[0]));
    keys.insert(QStringLiteral("phaseS"), lampName(view->phase[1]));
    keys.insert(QStringLiteral("phaseT"), lampName(view->phase[2]));
    keys.insert(QStringLiteral("output1"), lampName(view->out[0]));
    keys.insert(QStringLiteral("output2"), lampName(view->out[1]));
    keys.insert(QStringLiteral("firmware"), view->version);
    return with(success(context, line), keys);
}

} // namespace cli
