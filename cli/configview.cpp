#include "cli/configview.h"

#include "cli/report.h"
#include "core/description.h"
#include "core/downloadframe.h"
#include "core/fieldrules.h"
#include "core/fields.h"
#include "fleet/tasks.h"

#include <QJsonArray>

namespace cli::configview {

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

// Each telephone number comes with its row decoded, the provider list as its item's name; a
// box or a button's value is true or false.
QJsonObject json(const Configuration& config, const Options& options)
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
        fleet::kProviderName,
        QJsonObject{{QStringLiteral("caption"), QStringLiteral("SMS központ szolgáltatója")},
                    {QStringLiteral("page"), description::pageTitle(0)},
                    {QStringLiteral("section"), QStringLiteral("general")},
                    {QStringLiteral("used"), true},
                    {QStringLiteral("value"), fieldrules::providerName(config.provider())}});
    return object;
}

void print(const Configuration& config, const Options& options, const QStringList& heading)
{
    const QList<description::Item> items = description::describe(config.values(), {options.pin});
    int width = 0;
    for (const description::Item& item : items) {
        if (item.used || options.all)
            width = qMax(width, int(item.caption.size()));
    }
    for (const QString& line : heading)
        report::text(line);
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

Exit compare(const Configuration& left, const Configuration& right, const Options& options,
             const Sides& sides)
{
    const fleet::Differences found =
        fleet::differences(recordOf(left), recordOf(right), {QString(), options.all, options.pin},
                           sides.leftName, sides.rightName);
    fleet::Result line;
    line.ok = found.used == 0;
    line.error = line.ok ? messages::Code::None : messages::Code::Differs;
    line.message = sides.title + (line.ok ? QStringLiteral("Egyezik.")
                                          : QStringLiteral("Eltér (%1 mező):").arg(found.used));
    line.more = found.lines;
    line.keys = sides.keys;
    line.keys.insert(QStringLiteral("differences"), found.list);
    report::result(line);
    return exitFor(QList<fleet::Result>{line}, Goal::Comparison);
}

int countDifferences(const Configuration& left, const Configuration& right, const Options& options)
{
    return fleet::differences(recordOf(left), recordOf(right),
                              {QString(), options.all, options.pin}, QString(), QString())
        .used;
}

} // namespace cli::configview
