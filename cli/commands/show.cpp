// show: a configuration as a person reads it, from a file or a module: aligned text under
// the window's captions and groups, or one JSON object keyed by object name.
#include "cli/argchecks.h"
#include "cli/commands.h"
#include "cli/report.h"
#include "cli/source.h"
#include "core/description.h"
#include "core/fieldrules.h"
#include "core/fields.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace cli {

namespace {

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

Expected<Exit> showConfiguration(const Options& options)
{
    return withSource(options, [&options](const Source& source) -> Expected<Exit> {
        if (options.json)
            report::text(
                QString::fromUtf8(
                    QJsonDocument(exported(source.config, options)).toJson(QJsonDocument::Indented))
                    .trimmed());
        else
            printText(source.config, options, source);
        return Exit::Success;
    });
}

} // namespace

namespace commands {

// clang-format off
CommandInfo show()
{
    return {"show", "show (FÁJL | --port P) [--all] [--pin] [--base FÁJL]",
            "a konfiguráció olvashatóan: fájlból vagy a modulból",
            "A konfiguráció az ablak feliratai és csoportjai szerint, a telefonszámok sorai "
            "olvashatóan; csak amit a VexaGrid-3 használ (--all: a többi is, jelölve). A PIN-kód "
            "****, hacsak nincs --pin. --json: egy objektum objektumnevek szerint (felirat, lap, "
            "érték), a telefonszámok sorai kibontva.",
            {{"port", "egy modul kiolvasása (mint a read)"}, {"baud"}, {"base"}, {"all", "a VexaGrid-3 által nem használt mezők is, jelölve"}, {"pin"}},
            {"file", "identification", "module", "reason", "systemError"},
            "vexagrid-cli show alap.vgf",
            argchecks::source, showConfiguration};
}
// clang-format on

} // namespace commands

} // namespace cli
