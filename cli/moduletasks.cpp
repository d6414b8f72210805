#include "cli/moduletasks.h"

#include "cli/configplan.h"
#include "core/configcodec.h"
#include "core/fields.h"
#include "core/messages.h"
#include "core/programsettings.h"
#include "core/readoutcodec.h"
#include "core/statuscodec.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QMutex>
#include <QRegularExpression>
#include <QSet>

namespace cli {

namespace {

// The window's device kind once a VexaGrid-3 has answered the identification.
constexpr int kVexaGridKind = 4;
// The read-out's bar, as the window's: 56 fields of 16 characters.
constexpr int kReadOutRange = fields::kSlots * fields::kSlotWidth;
// The status query's bar, as the window's.
constexpr int kStatusRange = 50;

// The first line of the window's text; the reason follows in brackets.
QString downloadFailedText()
{
    return messages::kDownloadFailed.section(QLatin1Char('\n'), 0, 0);
}

Result success(const Context& context, const QString& message)
{
    Result result;
    result.port = context.port;
    result.ok = true;
    result.message = message;
    return result;
}

Result failure(const Context& context, const QString& code, const QString& message)
{
    Result result;
    result.port = context.port;
    result.error = code;
    result.message = message;
    return result;
}

Result interrupted(const Context& context, const QString& message)
{
    Result result = failure(context, QStringLiteral("interrupted"), message);
    result.finished = false;
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

std::optional<Result> identifyStep(Context& context, Result* carrier)
{
    context.progress->start(Phase::Identify);
    const conversation::Identification identification =
        context.identification ? *context.identification
                               : conversation::identify(context.port, context.baud);
    if (!identification.isModule()) {
        // The window gives the same answer for a port that does not open.
        return failure(context,
                       identification.opened ? QStringLiteral("no-device")
                                             : QStringLiteral("open-failed"),
                       messages::kNoDevice);
    }
    carrier->details.insert(QStringLiteral("identification"), oneLine(identification.shown()));
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
    const conversation::ReadOut reply =
        conversation::readOut(context.port, context.baud, [&context, progress](char) {
            ++progress->value;
            return !stopRequested(context);
        });
    switch (reply.outcome) {
    case conversation::ReadOut::Ok:
        step.fields = reply.fields;
        break;
    case conversation::ReadOut::OpenFailed:
        step.failure = failure(context, QStringLiteral("open-failed"),
                               messages::oneLine(messages::kReadOutPortFailed));
        break;
    case conversation::ReadOut::Cancelled:
        step.failure = interrupted(context, QStringLiteral("Megszakítva kiolvasás közben."));
        break;
    case conversation::ReadOut::NoSeparator:
    case conversation::ReadOut::WrongCount:
        step.failure =
            failure(context, QStringLiteral("unknown-format"), messages::kReadOutUnknownFormat);
        break;
    }
    return step;
}

// The window's state after connecting and reading the module out.
Configuration readOutState(const QStringList& defaults, const QStringList& fields)
{
    Configuration config = startState(defaults);
    config.fillFromReadOut(fields);
    return config;
}

// What the form calls a field of the module's record: its one form field's caption, or for
// a field of several form fields or none a name of its own.
QString slotCaption(int slot)
{
    const QList<int> members = fields::slotFields(slot);
    if (members.isEmpty())
        return QStringLiteral("%1. mező (üres)").arg(slot);
    const fields::Field& first = fields::all()[std::size_t(members.first())];
    switch (first.coding) {
    case fields::Coding::Monostable:
    case fields::Coding::Bistable:
        return QStringLiteral("Kimenetek rácsengetés hatására");
    case fields::Coding::Range15:
    case fields::Coding::Range30:
        return QStringLiteral("Max. bemenő feszültség");
    case fields::Coding::TelNumber:
    case fields::Coding::TelColumn:
    case fields::Coding::TelUnsent:
    case fields::Coding::TelOutput:
        return QStringLiteral("%1. telefonszám").arg(first.row);
    default:
        return fields::caption(first);
    }
}

// The object name of a record field that stands for one line edit, or "".
QString slotName(int slot)
{
    for (const int index : fields::slotFields(slot)) {
        const fields::Field& field = fields::all()[std::size_t(index)];
        if (field.coding == fields::Coding::Text || field.coding == fields::Coding::TelNumber)
            return QLatin1String(field.name);
    }
    return QString();
}

QString quoted(const QString& text)
{
    return u'"' + text + u'"';
}

QString describe(const QList<Difference>& differences)
{
    QStringList parts;
    for (const Difference& difference : differences)
        parts << QStringLiteral("%1: a modulban %2, várt %3")
                     .arg(slotCaption(difference.number), quoted(difference.module),
                          quoted(difference.expected));
    return parts.join(QStringLiteral("; "));
}

QJsonArray toJson(const QList<Difference>& differences)
{
    QJsonArray list;
    for (const Difference& difference : differences) {
        QJsonObject item{{QStringLiteral("field"), difference.number},
                         {QStringLiteral("caption"), slotCaption(difference.number)},
                         {QStringLiteral("module"), difference.module},
                         {QStringLiteral("expected"), difference.expected}};
        const QString name = slotName(difference.number);
        if (!name.isEmpty())
            item.insert(QStringLiteral("name"), name);
        list.append(item);
    }
    return list;
}

// A name no other module of this run and no file in `dir` has: two modules with the
// same id backed up in the same second must not overwrite each other.
QString claimBackupName(const QString& dir, const QString& id, const QString& port)
{
    static QMutex mutex;
    static QSet<QString> claimed;
    const QString time =
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QString safeId = id;
    safeId.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_-]")), QStringLiteral("_"));
    const QMutexLocker lock(&mutex);
    QStringList candidates{QStringLiteral("%1-%2.vgf").arg(safeId, time),
                           QStringLiteral("%1-%2-%3.vgf").arg(safeId, port, time)};
    for (int n = 2;; ++n) {
        const QString candidate =
            candidates.isEmpty() ? QStringLiteral("%1-%2-%3-%4.vgf").arg(safeId, port, time).arg(n)
                                 : candidates.takeFirst();
        const QString path = QDir(dir).filePath(candidate);
        if (!claimed.contains(path) && !QFileInfo::exists(path)) {
            claimed.insert(path);
            return path;
        }
    }
}

} // namespace

QList<Difference> compareFields(const QStringList& moduleFields, const QString& frame)
{
    const ProgramSettings record;
    // The frame split as a read-out is split, so that both sides are trimmed alike.
    const QStringList expected =
        readout::split(frame, QChar::fromLatin1(record.downloadSeparator)).fields;
    QList<Difference> differences;
    for (int i = 0; i < fields::kSlots; ++i) {
        const QString module = moduleFields.value(i);
        const QString sent = expected.value(i);
        if (module != sent)
            differences.append({i + 1, module, sent});
    }
    return differences;
}

Result identifyTask(Context& context)
{
    Result found;
    if (std::optional<Result> failed = identifyStep(context, &found))
        return *failed;
    Result result =
        success(context, found.details.value(QStringLiteral("identification")).toString());
    result.details = found.details;
    return result;
}

Result readTask(Context& context, const QStringList& defaults, const QString& path)
{
    Result details;
    if (std::optional<Result> failed = identifyStep(context, &details))
        return *failed;
    if (stopRequested(context))
        return interrupted(context, QStringLiteral("Megszakítva kiolvasás előtt."));
    const ReadStep read = readStep(context, Phase::Read);
    if (read.failure)
        return *read.failure;
    const Configuration config = readOutState(defaults, read.fields);
    if (!configfile::writeFile(path, config.lines()))
        return failure(context, QStringLiteral("save-failed"),
                       QStringLiteral("A fájl mentése nem sikerült. (%1)").arg(path));
    Result result = success(context, QStringLiteral("Sikeres kiolvasás, mentve: %1").arg(path));
    result.details = details.details;
    result.details.insert(QStringLiteral("file"), path);
    result.details.insert(QStringLiteral("m_id"), config.text(QStringLiteral("m_id")));
    result.details.insert(QStringLiteral("m_nev"), config.text(QStringLiteral("m_nev")));
    return result;
}

Result writeTask(Context& context, const WriteJob& job)
{
    Result details;
    if (std::optional<Result> failed = identifyStep(context, &details))
        return *failed;
    const QString nothingWritten = QStringLiteral("Megszakítva, a modulba nem került semmi.");
    if (stopRequested(context))
        return interrupted(context, nothingWritten);

    if (!job.backupDir.isEmpty()) {
        const ReadStep read = readStep(context, Phase::Backup);
        if (read.failure) {
            Result failed = *read.failure;
            if (failed.finished) {
                failed.error = QStringLiteral("backup-failed");
                failed.message = QStringLiteral("A mentés nem sikerült, a modulba nem került "
                                                "semmi: %1")
                                     .arg(read.failure->message);
            } else {
                failed.message = nothingWritten;
            }
            return failed;
        }
        const Configuration config = readOutState(job.defaults, read.fields);
        const QString id = config.text(QStringLiteral("m_id")).trimmed();
        const QString path =
            claimBackupName(job.backupDir, id.isEmpty() ? context.port : id, context.port);
        if (!configfile::writeFile(path, config.lines()))
            return failure(context, QStringLiteral("backup-failed"),
                           QStringLiteral("A mentés nem sikerült (%1), a modulba nem került "
                                          "semmi.")
                               .arg(path));
        details.details.insert(QStringLiteral("backup"), path);
        if (stopRequested(context)) {
            Result stopped = interrupted(context, nothingWritten);
            stopped.details = details.details;
            return stopped;
        }
    }

    const ProgramSettings record;
    Progress* progress = context.progress;
    progress->start(Phase::Write);
    conversation::WriteProgress steps;
    steps.started = [progress](int maximum) { progress->maximum = maximum; };
    steps.value = [progress](int value) { progress->value = value; };
    const conversation::WriteResult written = conversation::writeFrame(
        context.port, job.frame, record.downloadSeparator, record.ackChar, steps, context.stop);
    const auto downloadFailed = [&](const QString& code, const QString& why) {
        Result failed =
            failure(context, code, downloadFailedText() + QStringLiteral(" (%1)").arg(why));
        failed.details = details.details;
        failed.details.insert(QStringLiteral("bytesSent"), written.bytesSent);
        return failed;
    };
    switch (written.outcome) {
    case conversation::WriteResult::Acknowledged:
        break;
    case conversation::WriteResult::Unsendable:
        return downloadFailed(QStringLiteral("unsendable"),
                              QStringLiteral("a keret nem küldhető el"));
    case conversation::WriteResult::OpenFailed:
        return downloadFailed(QStringLiteral("open-failed"),
                              QStringLiteral("nem lehet megnyitni a portot"));
    case conversation::WriteResult::NoStart:
        return downloadFailed(QStringLiteral("no-start"),
                              QStringLiteral("a modul nem kezdte el a fogadást"));
    case conversation::WriteResult::NotAcknowledged:
        return downloadFailed(QStringLiteral("not-acknowledged"),
                              QStringLiteral("a modul nem nyugtázta"));
    case conversation::WriteResult::Vanished:
        return downloadFailed(QStringLiteral("port-vanished"),
                              QStringLiteral("a port megszűnt átvitel közben"));
    case conversation::WriteResult::Stopped: {
        Result stopped = interrupted(
            context, QStringLiteral("Megszakítva betöltés közben (%1 bájt ment el), a modul "
                                    "beállítása nem teljes.")
                         .arg(written.bytesSent));
        stopped.details = details.details;
        stopped.details.insert(QStringLiteral("bytesSent"), written.bytesSent);
        return stopped;
    }
    }

    if (!job.verify) {
        Result result = success(context, messages::kDownloadSucceeded);
        result.details = details.details;
        return result;
    }

    const ReadStep read = readStep(context, Phase::Verify);
    if (read.failure) {
        Result failed = *read.failure;
        failed.details = details.details;
        if (failed.finished) {
            failed.error = QStringLiteral("verify-failed");
            failed.message = messages::kDownloadSucceeded +
                             QStringLiteral(" Az ellenőrzés nem sikerült: ") +
                             read.failure->message;
        } else {
            failed.message =
                messages::kDownloadSucceeded + QStringLiteral(" Az ellenőrzés megszakadt.");
        }
        return failed;
    }
    const QList<Difference> differences = compareFields(read.fields, job.frame);
    if (!differences.isEmpty()) {
        Result failed = failure(context, QStringLiteral("verify-mismatch"),
                                messages::kDownloadSucceeded +
                                    QStringLiteral(" A visszaolvasott tartalom "
                                                   "eltér: ") +
                                    describe(differences));
        failed.details = details.details;
        failed.details.insert(QStringLiteral("differences"), toJson(differences));
        return failed;
    }
    Result result =
        success(context, messages::kDownloadSucceeded + QStringLiteral(" Ellenőrizve."));
    result.details = details.details;
    result.details.insert(QStringLiteral("verified"), true);
    return result;
}

Result diffTask(Context& context, const QString& frame)
{
    Result details;
    if (std::optional<Result> failed = identifyStep(context, &details))
        return *failed;
    if (stopRequested(context))
        return interrupted(context, QStringLiteral("Megszakítva kiolvasás előtt."));
    const ReadStep read = readStep(context, Phase::Read);
    if (read.failure)
        return *read.failure;
    const QList<Difference> differences = compareFields(read.fields, frame);
    Result result = differences.isEmpty()
                        ? success(context, QStringLiteral("Egyezik."))
                        : failure(context, QStringLiteral("differs"),
                                  QStringLiteral("Eltér (%1 mező): ").arg(differences.size()) +
                                      describe(differences));
    result.details = details.details;
    result.details.insert(QStringLiteral("differences"), toJson(differences));
    return result;
}

Result statusTask(Context& context, bool identified)
{
    Result details;
    if (!identified) {
        if (std::optional<Result> failed = identifyStep(context, &details))
            return *failed;
    }
    Progress* progress = context.progress;
    progress->start(Phase::Status, kStatusRange);
    conversation::StatusProgress steps;
    steps.requestSent = [progress] { ++progress->value; };
    steps.byte = [progress](char) { ++progress->value; };
    const conversation::StatusReply reply = conversation::queryStatus(context.port, steps);
    const std::optional<status::View> view =
        reply.opened ? status::decode(reply.line, kVexaGridKind) : std::nullopt;
    if (!view)
        return failure(context, QStringLiteral("status-failed"),
                       messages::oneLine(messages::kStatusFailed));

    // What the window's panel shows for a VexaGrid-3: the signal, phases R, S, T, outputs 1
    // and 2, the firmware.
    const auto phase = [](status::Lamp lamp) {
        return lamp == status::Lamp::Alarm ? QStringLiteral("riasztás") : QStringLiteral("rendben");
    };
    const auto output = [](status::Lamp lamp) {
        return lamp == status::Lamp::Active ? QStringLiteral("be") : QStringLiteral("ki");
    };
    const int strength = view->signal / 10;
    QString line = QStringLiteral("Térerő: %1/5%2, Fázis R: %3, Fázis S: %4, Fázis T: %5, "
                                  "Kimenet 1: %6, Kimenet 2: %7, Verzió: %8")
                       .arg(strength)
                       .arg(view->signalLow ? QStringLiteral(" (gyenge)") : QString())
                       .arg(phase(view->phase[0]), phase(view->phase[1]), phase(view->phase[2]),
                            output(view->out[0]), output(view->out[1]), view->version);
    Result result = success(context, line);
    result.details = details.details;
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
    result.details.insert(QStringLiteral("signal"), strength);
    result.details.insert(QStringLiteral("signalLow"), view->signalLow);
    result.details.insert(QStringLiteral("phaseR"), lampName(view->phase[0]));
    result.details.insert(QStringLiteral("phaseS"), lampName(view->phase[1]));
    result.details.insert(QStringLiteral("phaseT"), lampName(view->phase[2]));
    result.details.insert(QStringLiteral("output1"), lampName(view->out[0]));
    result.details.insert(QStringLiteral("output2"), lampName(view->out[1]));
    result.details.insert(QStringLiteral("firmware"), view->version);
    return result;
}

} // namespace cli
