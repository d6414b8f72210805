#include "cli/configplan.h"

#include "core/configcodec.h"
#include "core/fieldchecks.h"
#include "core/fieldrules.h"
#include "core/fields.h"
#include "core/maker.h"
#include "core/messages.h"
#include "core/programsettings.h"
#include "core/runtimefiles.h"
#include "device/portmap.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace cli {

namespace {

QString tooShortText(const QString& path)
{
    return messages::oneLine(messages::fileTooShort(path));
}

Failure refusalFailure(const QString& code, const fieldchecks::Refusal& refusal)
{
    QString message = refusal.title + QStringLiteral(": ") + refusal.text;
    if (!refusal.field.isEmpty())
        message += QStringLiteral(" (%1)").arg(refusal.field);
    return {code, message};
}

bool isRadio(const QString& name)
{
    return fields::allRadios().contains(name);
}

bool isBox(const QString& name)
{
    return fields::allBoxes().contains(name);
}

// Splits one line of the table; quotes may hold the separator and doubled quotes.
QStringList splitCells(const QString& line, QChar separator)
{
    QStringList cells;
    QString cell;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted) {
            if (c == u'"' && i + 1 < line.size() && line.at(i + 1) == u'"') {
                cell += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                cell += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == separator) {
            cells << cell;
            cell.clear();
        } else {
            cell += c;
        }
    }
    cells << cell;
    return cells;
}

} // namespace

bool isSettableName(const QString& name)
{
    return name == kProviderName || fields::allEdits().contains(name) || isBox(name) ||
           isRadio(name);
}

Defaults loadDefaults(const QString& base)
{
    Defaults defaults;
    const QString path = base.isEmpty() ? runtimefiles::locate(messages::kDefaultsFile) : base;
    const std::optional<QStringList> lines = configfile::readFile(path);
    if (!lines) {
        if (!base.isEmpty())
            defaults.failure = Failure{QStringLiteral("file-missing"), messages::kFileMissing};
        return defaults;
    }
    if (!configfile::hasAllValues(*lines)) {
        if (!base.isEmpty())
            defaults.failure = Failure{QStringLiteral("file-too-short"), tooShortText(path)};
        return defaults;
    }
    defaults.lines = *lines;
    return defaults;
}

Configuration startState(const QStringList& defaults)
{
    Configuration config = Configuration::connected();
    // The window ignores a defaults file that is missing or too short; so does this.
    config.load(defaults);
    return config;
}

std::optional<Failure> openFile(const QString& path, Configuration& config)
{
    const std::optional<QStringList> lines = configfile::readFile(path);
    if (!lines)
        return Failure{QStringLiteral("file-missing"), messages::kFileMissing};
    if (!config.load(*lines))
        return Failure{QStringLiteral("file-too-short"), tooShortText(path)};
    return std::nullopt;
}

std::optional<Failure> applyOverride(Configuration& config, const Override& override)
{
    const QString& name = override.name;
    const QString& value = override.value;
    const auto badValue = [](const QString& text) {
        return Failure{QStringLiteral("bad-value"), text};
    };

    if (name == kProviderName) {
        bool ok = false;
        const int index = value.toInt(&ok);
        if (!ok || index < 0 || index > fieldrules::kCustomProvider)
            return badValue(
                QStringLiteral("%1: az értéke 0, 1, 2 vagy 3 lehet (3 = egyéni).").arg(name));
        config.selectProvider(index);
        return std::nullopt;
    }

    // The user can type only into what is shown and enabled after connecting.
    if (!config.isEnabled(name) || config.isHidden(name))
        return Failure{QStringLiteral("field-locked"),
                       QStringLiteral("A(z) %1 mező nem szerkeszthető.").arg(name)};

    if (isBox(name) || isRadio(name)) {
        if (value != QLatin1String("0") && value != QLatin1String("1"))
            return badValue(QStringLiteral("%1: az értéke 0 vagy 1 lehet.").arg(name));
        const bool on = value == QLatin1String("1");
        // A radio button is switched off only by choosing another of its group.
        if (isRadio(name) && !on && config.isChecked(name))
            return badValue(
                QStringLiteral("%1: választógomb nem kapcsolható ki, a csoport egy másik "
                               "gombját kell választani.")
                    .arg(name));
        config.setChecked(name, on);
        return std::nullopt;
    }

    const int maximum = fields::maxLength(name);
    if (value.size() > maximum)
        return Failure{QStringLiteral("too-long"),
                       QStringLiteral("%1: túl hosszú érték (legfeljebb %2 karakter).")
                           .arg(name)
                           .arg(maximum)};
    config.setText(name, value);
    if (const std::optional<fieldchecks::Group> group = fieldchecks::groupOf(name)) {
        if (const std::optional<fieldchecks::Refusal> refusal = fieldchecks::check(*group, config))
            return refusalFailure(QStringLiteral("field-refused"), *refusal);
    }
    return std::nullopt;
}

Plan prepare(Configuration config, const QList<Override>& overrides)
{
    Plan plan;
    for (const Override& override : overrides) {
        if (std::optional<Failure> failure = applyOverride(config, override)) {
            plan.failure = failure;
            return plan;
        }
    }
    const ProgramSettings record;
    const fieldchecks::Download download =
        fieldchecks::prepareDownload(config, QChar::fromLatin1(record.downloadSeparator));
    switch (download.outcome) {
    case fieldchecks::Download::Ready:
        plan.frame = download.frame;
        break;
    case fieldchecks::Download::Missing:
        plan.failure = refusalFailure(QStringLiteral("field-missing"), download.refusal);
        break;
    case fieldchecks::Download::Refused:
        plan.failure = refusalFailure(QStringLiteral("field-refused"), download.refusal);
        break;
    case fieldchecks::Download::Unsendable:
        plan.failure = refusalFailure(QStringLiteral("unsendable"), download.refusal);
        break;
    }
    return plan;
}

EachTable readEach(const QString& path)
{
    EachTable table;
    QFile file(path);
    if (!QFileInfo::exists(path) || !file.open(QIODevice::ReadOnly)) {
        table.failure = Failure{QStringLiteral("file-missing"), messages::kFileMissing};
        return table;
    }
    QString text = QString::fromUtf8(file.readAll());
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));

    QStringList lines = text.split(u'\n');
    QList<int> numbers; // line numbers as an editor counts them
    for (int i = 0; i < lines.size(); ++i)
        numbers << i + 1;
    for (int i = int(lines.size()) - 1; i >= 0; --i) {
        if (lines.at(i).trimmed().isEmpty()) {
            lines.removeAt(i);
            numbers.removeAt(i);
        }
    }
    const auto usage = [&table](const QString& text) {
        table.usageError = text;
        return table;
    };
    if (lines.isEmpty())
        return usage(QStringLiteral("%1: üres táblázat.").arg(path));

    const QChar separator =
        lines.first().contains(u',') || !lines.first().contains(u';') ? u',' : u';';
    QStringList header = splitCells(lines.first(), separator);
    for (QString& name : header)
        name = name.trimmed();
    int portColumn = -1;
    QSet<QString> seen;
    for (int column = 0; column < header.size(); ++column) {
        const QString& name = header.at(column);
        if (seen.contains(name))
            return usage(
                QStringLiteral("%1: a(z) \"%2\" oszlop kétszer szerepel.").arg(path, name));
        seen.insert(name);
        if (name == QLatin1String("port"))
            portColumn = column;
        else if (!isSettableName(name))
            return usage(
                QStringLiteral("%1: ismeretlen mezőnév a fejlécben: \"%2\".").arg(path, name));
    }
    if (portColumn < 0)
        return usage(QStringLiteral("%1: a fejlécből hiányzik a \"port\" oszlop.").arg(path));

    QSet<int> ports;
    for (int i = 1; i < lines.size(); ++i) {
        const QStringList cells = splitCells(lines.at(i), separator);
        const QString where = QStringLiteral("%1, %2. sor").arg(path).arg(numbers.at(i));
        if (cells.size() > header.size())
            return usage(QStringLiteral("%1: több cella, mint ahány oszlop.").arg(where));
        const QString port = cells.value(portColumn).trimmed();
        const int number = PortMap::portNumber(port);
        if (number < PortMap::kFirstPort || number > PortMap::kLastPort)
            return usage(QStringLiteral("%1: hibás port: \"%2\".").arg(where, port));
        if (ports.contains(number))
            return usage(QStringLiteral("%1: a(z) %2 port kétszer szerepel.").arg(where, port));
        ports.insert(number);

        EachRow row;
        row.port = QStringLiteral("COM%1").arg(number);
        for (int column = 0; column < header.size(); ++column) {
            const QString cell = cells.value(column);
            if (column != portColumn && !cell.isEmpty())
                row.overrides.append({header.at(column), cell});
        }
        table.rows.append(row);
    }
    if (table.rows.isEmpty())
        return usage(QStringLiteral("%1: a táblázatnak nincs egy sora sem.").arg(path));
    return table;
}

} // namespace cli
