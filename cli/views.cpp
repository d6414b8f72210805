#include "cli/views.h"

#include "cli/commands.h"
#include "cli/fleet.h"
#include "cli/outputs.h"
#include "cli/plan.h"
#include "cli/report.h"
#include "cli/tasks.h"
#include "core/description.h"
#include "core/downloadframe.h"
#include "core/fieldrules.h"
#include "core/fields.h"
#include "sheet/sheet.h"

#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace cli {

namespace {

using messages::Code;

report::Line problem(Code code, const QString& message)
{
    report::Line line;
    line.error = code;
    line.message = message;
    return line;
}

// What show and sheet read: a file opened as the window opens it, or a module read out.
struct Source
{
    std::optional<Configuration> config;
    QString file;
    QString port;
    QString identification;
    int exitCode = 0; // when there is no configuration: already reported
};

std::optional<Configuration> openAsTheWindowDoes(const QString& file, const QString& base)
{
    const Defaults defaults = loadDefaults(base);
    if (defaults.failure) {
        report::error(problem(defaults.failure->code, defaults.failure->message));
        return std::nullopt;
    }
    Configuration config = startState(defaults.lines);
    if (const std::optional<Failure> failure = openFile(file, config)) {
        report::error(problem(failure->code, failure->message));
        return std::nullopt;
    }
    return config;
}

Source sourceOf(const Options& options)
{
    Source source;
    if (!options.files.isEmpty()) {
        source.file = options.files.first();
        source.config = openAsTheWindowDoes(source.file, options.base);
        source.exitCode = source.config ? 0 : 1;
        return source;
    }
    const Defaults defaults = loadDefaults(options.base);
    if (defaults.failure) {
        report::error(problem(defaults.failure->code, defaults.failure->message));
        source.exitCode = 1;
        return source;
    }
    if (!deviceMapUsable()) {
        source.exitCode = 2;
        return source;
    }
    source.port = options.ports.first();
    const QList<Result> results = runFleet(
        {{source.port, std::nullopt}}, options.baud,
        [](Context& context) { return fetchTask(context); }, false);
    const Result& result = results.first();
    if (!result.ok) {
        report::result(result);
        source.exitCode = 1;
        return source;
    }
    source.identification = result.keys.value(QStringLiteral("identification")).toString();
    source.config = readOutState(defaults.lines, result.record);
    return source;
}

QJsonObject rowJson(const description::TelRow& row)
{
    QJsonArray phases;
    const char* names[] = {"R", "S", "T", "4", "5", "6"};
    for (int column = 0; column < fields::kAlarmColumns; ++column) {
        if (row.columns[std::size_t(column)])
            phases.append(QLatin1String(names[column]));
    }
    return {{QStringLiteral("number"),
             row.number.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(u'+' + row.number)},
            {QStringLiteral("ring"), row.ring},
            {QStringLiteral("sms"), row.sms},
            {QStringLiteral("phases"), phases},
            {QStringLiteral("output"),
             row.output > 0 ? QJsonValue(row.output) : QJsonValue(QJsonValue::Null)}};
}

// One object keyed by object name: each field's caption, page, section, value (a text, or
// true / false for a box or a button) and whether the VexaGrid-3 uses it; each telephone
// number with its row decoded; the provider list as its item's name.
QJsonObject exported(const Configuration& config, const Options& options)
{
    const QList<description::Item> items = description::describe(config.values(), {true});
    QJsonObject object;
    for (const fields::Field& field : fields::all()) {
        const QString name = QLatin1String(field.name);
        const bool used = field.layout == fields::Layout::Shown;
        if (!used && !options.all)
            continue;
        QJsonObject entry{{QStringLiteral("caption"), fields::caption(field)},
                          {QStringLiteral("page"), description::pageTitle(fields::pageOf(field))},
                          {QStringLiteral("used"), used}};
        if (field.widget == fields::Widget::LineEdit) {
            QString value = config.text(name);
            if (name == QLatin1String("m_pin") && !options.pin && !value.isEmpty())
                value = QStringLiteral("****");
            entry.insert(QStringLiteral("value"), value);
        } else {
            entry.insert(QStringLiteral("value"), config.isChecked(name));
        }
        if (field.coding == fields::Coding::TelNumber)
            entry.insert(QStringLiteral("row"),
                         rowJson(description::rowOf(config.values(), field.row)));
        for (const description::Item& item : items) {
            if (item.names.contains(name)) {
                entry.insert(QStringLiteral("section"), description::sectionKey(item.section));
                break;
            }
        }
        object.insert(name, entry);
    }
    object.insert(
        kProviderName,
        QJsonObject{{QStringLiteral("caption"), QStringLiteral("SMS központ szolgáltatója")},
                    {QStringLiteral("page"), description::pageTitle(0)},
                    {QStringLiteral("section"), QStringLiteral("general")},
                    {QStringLiteral("used"), true},
                    {QStringLiteral("value"), fieldrules::providerName(config.provider())}});
    return object;
}

void printText(const Configuration& config, const Options& options, const Source& source)
{
    const QList<description::Item> items = description::describe(config.values(), {options.pin});
    int width = 0;
    for (const description::Item& item : items) {
        if (item.used || options.all)
            width = qMax(width, int(item.caption.size()));
    }
    if (!source.file.isEmpty())
        report::text(QStringLiteral("Fájl: %1").arg(source.file));
    if (!source.port.isEmpty())
        report::text(QStringLiteral("Modul: %1 (%2)").arg(source.identification, source.port));
    for (const description::Section section : description::kSections) {
        QStringList lines;
        for (const description::Item& item : items) {
            if (item.section != section || (!item.used && !options.all))
                continue;
            QString line =
                QStringLiteral("  %1  %2").arg(item.caption.leftJustified(width, u' '), item.value);
            if (!item.used)
                line += QStringLiteral("  (a VexaGrid-3 nem használja)");
            lines << line;
        }
        if (lines.isEmpty())
            continue;
        report::text(QString());
        report::text(description::sectionTitle(section));
        for (const QString& line : std::as_const(lines))
            report::text(line);
    }
}

// The record a write of the configuration would send, as a read-out gives it back.
QStringList recordOf(const Configuration& config)
{
    QStringList record = frame::slotTexts(config.values());
    for (QString& field : record) {
        while (field.endsWith(u' '))
            field.chop(1);
    }
    return record;
}

} // namespace

int show(const Options& options)
{
    const Source source = sourceOf(options);
    if (!source.config)
        return source.exitCode;
    if (options.json)
        report::text(
            QString::fromUtf8(
                QJsonDocument(exported(*source.config, options)).toJson(QJsonDocument::Indented))
                .trimmed());
    else
        printText(*source.config, options, source);
    return 0;
}

int sheet(const Options& options)
{
    // The PDF's place is made sure of before a module is asked.
    if (const std::optional<Failure> failure = outputs::ensureFile(options.output)) {
        report::error(problem(Code::OutputFailed, failure->message));
        return 1;
    }
    const Source source = sourceOf(options);
    if (!source.config)
        return source.exitCode;
    const Expected<int> written = sheet::write(
        source.config->values(),
        {source.file, source.identification, QDate::currentDate(), options.pin}, options.output);
    report::Line line;
    line.port = source.port;
    line.keys.insert(QStringLiteral("file"), options.output);
    if (!source.identification.isEmpty())
        line.keys.insert(QStringLiteral("identification"), source.identification);
    if (!written) {
        line.error = Code::OutputFailed;
        line.message =
            QStringLiteral("%1: nem írható: %2.").arg(options.output, written.failure().message);
        report::result(line);
        return 1;
    }
    line.ok = true;
    line.keys.insert(QStringLiteral("pages"), *written);
    line.message =
        QStringLiteral("Konfigurációs lap mentve: %1 (%2 oldal)").arg(options.output).arg(*written);
    report::result(line);
    return 0;
}

int diffFiles(const Options& options)
{
    const QString& left = options.files.at(0);
    const QString& right = options.files.at(1);
    const std::optional<Configuration> a = openAsTheWindowDoes(left, options.base);
    const std::optional<Configuration> b =
        a ? openAsTheWindowDoes(right, options.base) : std::nullopt;
    if (!a || !b)
        return 2;
    const Differences found =
        differences(recordOf(*a), recordOf(*b), {QString(), options.all, options.pin},
                    QStringLiteral("az elsőben"), QStringLiteral("a másodikban"));
    report::Line line;
    line.ok = found.used == 0;
    line.error = line.ok ? Code::None : Code::Differs;
    line.message =
        QStringLiteral("%1 és %2: ").arg(left, right) +
        (line.ok ? QStringLiteral("Egyezik.") : QStringLiteral("Eltér (%1 mező):").arg(found.used));
    line.more = found.lines;
    line.keys.insert(QStringLiteral("file"), left);
    line.keys.insert(QStringLiteral("differences"), found.list);
    report::result(line);
    return line.ok ? 0 : 1;
}

} // namespace cli
