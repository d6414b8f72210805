#include "cli/plan.h"

#include "cli/csvtable.h"
#include "core/configcodec.h"
#include "core/fieldchecks.h"
#include "core/fieldrules.h"
#include "core/fields.h"
#include "core/programsettings.h"
#include "core/runtimefiles.h"
#include "device/portmap.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <optional>

namespace cli {

namespace {

using messages::Code;

bool isRadio(const QString& name)
{
    return fields::allRadios().contains(name);
}

bool isBox(const QString& name)
{
    return fields::allBoxes().contains(name);
}

// Bytes no text file holds: NUL and the other control characters but tab and line ends.
bool isBinary(const QByteArray& content)
{
    return std::any_of(content.cbegin(), content.cend(), [](char c) {
        const uchar u = uchar(c);
        return (u < 0x20 && u != '\t' && u != '\r' && u != '\n') || u == 0x7F;
    });
}

// The file's content, or why it cannot be used; `kind` names what the file should be. A
// table's cells are judged one by one (its errors name the row and column), so for a table
// only a NUL byte makes the whole file binary.
Expected<QByteArray> readText(const QString& path, const QString& kind, bool cellsJudged = false)
{
    const QFileInfo info(path);
    if (!info.exists())
        return Failure{Code::FileMissing, QStringLiteral("%1: nincs ilyen fájl.").arg(path)};
    if (info.isDir())
        return Failure{Code::NotAFile, QStringLiteral("%1: könyvtár, nem %2.").arg(path, kind)};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Failure{Code::FileUnreadable,
                       QStringLiteral("%1: nem olvasható (%2).")
                           .arg(path, file.error() == QFileDevice::PermissionsError
                                          ? QStringLiteral("nincs jogosultság")
                                          : file.errorString())};
    const QByteArray content = file.readAll();
    if (content.isEmpty())
        return Failure{Code::EmptyFile, QStringLiteral("%1: üres.").arg(path)};
    if (cellsJudged ? content.contains('\0') : isBinary(content))
        return Failure{Code::BinaryFile, QStringLiteral("%1: nem szöveges fájl.").arg(path)};
    return content;
}

// The lines of a configuration file, or why it cannot be opened.
Expected<QStringList> readLines(const QString& path)
{
    const Expected<QByteArray> content = readText(path, QStringLiteral("konfigurációs fájl"));
    if (!content)
        return content.failure();
    const QStringList lines = configfile::decodeLines(*content);
    if (!configfile::hasAllValues(lines))
        return Failure{Code::FileTooShort,
                       QStringLiteral("%1: túl rövid: %2 sor, egy konfigurációs fájl %3 sorból "
                                      "áll (régebbi vagy csonka fájl).")
                           .arg(path)
                           .arg(lines.size())
                           .arg(configfile::kValueLines)};
    return lines;
}

QString where(const QString& path, int line, int column = 0, const QString& name = QString())
{
    QString text = QStringLiteral("%1, %2. sor").arg(path).arg(line);
    if (column > 0)
        text += QStringLiteral(", %1. oszlop").arg(column);
    if (!name.isEmpty())
        text += QStringLiteral(" (%1)").arg(name);
    return text;
}

// Where a problem of the table is, for a script or a record: the row and column from 1
// (when there is one) and the module it is for.
QJsonObject place(int line, int column = 0, const QString& port = QString())
{
    QJsonObject details;
    if (line > 0)
        details.insert(QStringLiteral("row"), line);
    if (column > 0)
        details.insert(QStringLiteral("column"), column);
    if (!port.isEmpty())
        details.insert(QStringLiteral("port"), port);
    return details;
}

} // namespace

bool isSettableName(const QString& name)
{
    return name == kProviderName || fields::find(name) != nullptr;
}

Expected<Override> parseAssignment(const QString& text)
{
    const qsizetype equals = text.indexOf(u'=');
    if (equals <= 0)
        return Failure{Code::Usage, QStringLiteral("--set NÉV=ÉRTÉK kell, nem \"%1\"").arg(text)};
    const QString name = text.left(equals).trimmed();
    if (!isSettableName(name))
        return Failure{Code::Usage, QStringLiteral("ismeretlen mezőnév: %1").arg(name)};
    return Override{name, text.mid(equals + 1)};
}

Expected<QStringList> loadDefaults(const QString& base)
{
    if (!base.isEmpty())
        return readLines(base);
    // The window reads the defaults file where it finds it and ignores it when it is
    // missing or too short; so does this.
    const QStringList lines =
        configfile::readFile(runtimefiles::locate(messages::kDefaultsFile)).valueOr(QStringList());
    return configfile::hasAllValues(lines) ? lines : QStringList();
}

Configuration startState(const QStringList& defaults)
{
    Configuration config = Configuration::connected();
    // Without a usable defaults file the window keeps its connected state; so does this.
    static_cast<void>(config.load(defaults));
    return config;
}

Expected<void> openFile(const QString& path, Configuration& config)
{
    const Expected<QStringList> lines = readLines(path);
    if (!lines)
        return lines.failure();
    // readLines() has made sure of every value.
    static_cast<void>(config.load(*lines));
    return {};
}

Expected<void> applyOverride(Configuration& config, const Override& override)
{
    const QString& name = override.name;
    const QString& value = override.value;
    const auto badValue = [](const QString& text) { return Failure{Code::BadValue, text}; };

    if (name == kProviderName) {
        bool ok = false;
        const int index = value.toInt(&ok);
        if (!ok || index < 0 || index > fieldrules::kCustomProvider)
            return badValue(
                QStringLiteral("%1: az értéke 0, 1, 2 vagy 3 lehet (3 = egyéni).").arg(name));
        config.selectProvider(index);
        return {};
    }

    // The user can type only into what is shown and enabled after connecting.
    if (!config.isEnabled(name) || config.isHidden(name))
        return Failure{Code::FieldLocked,
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
        return {};
    }

    const int maximum = fields::maxLength(name);
    if (value.size() > maximum)
        return Failure{Code::TooLong,
                       QStringLiteral("%1: túl hosszú érték (legfeljebb %2 karakter).")
                           .arg(name)
                           .arg(maximum)};
    config.setText(name, value);
    if (const std::optional<fieldchecks::Group> group = fieldchecks::groupOf(name)) {
        if (const Expected<void> checked = fieldchecks::check(*group, config); !checked)
            return Failure{checked.failure().code, checked.failure().message};
    }
    return {};
}

Expected<QString> prepare(Configuration config, const QList<Override>& overrides)
{
    for (const Override& override : overrides) {
        if (const Expected<void> applied = applyOverride(config, override); !applied)
            return applied.failure();
    }
    const ProgramSettings record;
    const Expected<QString> frame =
        fieldchecks::prepareDownload(config, QChar::fromLatin1(record.downloadSeparator));
    // The command line's words for a refusal, without the check's own keys.
    if (!frame)
        return Failure{frame.failure().code, frame.failure().message};
    return *frame;
}

namespace {

// A problem of the table itself: the text names the file, the row and the column.
Failure tableProblem(const QString& text, const QJsonObject& place = {})
{
    return {Code::BadTable, text, place};
}

// The header's port column; none (and a problem said) when it has none. Every other problem
// of the header is said too.
std::optional<int> checkHeader(const csv::Row& header, const QString& path,
                               QList<Failure>& problems)
{
    std::optional<int> portColumn;
    QSet<QString> seen;
    for (int column = 0; column < header.cells.size(); ++column) {
        const QString& name = header.cells.at(column);
        const QString at = where(path, header.line, column + 1);
        if (seen.contains(name))
            problems << tableProblem(
                QStringLiteral("%1: a(z) \"%2\" oszlop kétszer szerepel.").arg(at, name),
                place(header.line, column + 1));
        seen.insert(name);
        if (name == QLatin1String("port"))
            portColumn = column;
        else if (!isSettableName(name))
            problems << tableProblem(
                QStringLiteral("%1: ismeretlen mezőnév a fejlécben: \"%2\".").arg(at, name),
                place(header.line, column + 1));
    }
    if (!portColumn)
        problems << tableProblem(
            QStringLiteral("%1: a fejlécből hiányzik a \"port\" oszlop.").arg(path),
            place(header.line));
    return portColumn;
}

// A row of modules: its port and its overrides, or why the row does not fit the header or
// names a bad or repeated port.
Expected<EachRow> readRow(const csv::Row& row, const csv::Row& header, int portColumn,
                          QSet<int>& ports, const QString& path)
{
    const QString at = where(path, row.line);
    if (row.cells.size() != header.cells.size())
        return tableProblem(QStringLiteral("%1: %2 cella, a fejlécben %3 oszlop van.")
                                .arg(at)
                                .arg(row.cells.size())
                                .arg(header.cells.size()),
                            place(row.line));
    const QString port = row.cells.at(portColumn);
    const int number = PortMap::portNumber(port);
    if (number < PortMap::kFirstPort || number > PortMap::kLastPort)
        return tableProblem(QStringLiteral("%1: hibás port: \"%2\" (COM1 ... COM32).")
                                .arg(where(path, row.line, portColumn + 1), port),
                            place(row.line, portColumn + 1));
    EachRow each;
    each.port = QStringLiteral("COM%1").arg(number);
    each.line = row.line;
    if (ports.contains(number))
        return tableProblem(QStringLiteral("%1: a(z) %2 port kétszer szerepel.").arg(at, each.port),
                            place(row.line, portColumn + 1, each.port));
    ports.insert(number);
    for (int column = 0; column < header.cells.size(); ++column) {
        const QString& cell = row.cells.at(column);
        if (column != portColumn && !cell.isEmpty())
            each.overrides.append({header.cells.at(column), cell});
    }
    return each;
}

} // namespace

EachTable readEach(const QString& path)
{
    EachTable table;
    QList<Failure>& problems = table.problems;
    const Expected<QByteArray> content = readText(path, QStringLiteral("táblázat"), true);
    if (!content) {
        problems << content.failure();
        return table;
    }
    const csv::Table cells = csv::read(*content);
    for (const Failure& error : cells.errors) {
        const int line = error.details.value(QStringLiteral("row")).toInt();
        const int column = error.details.value(QStringLiteral("column")).toInt();
        problems << tableProblem(
            QStringLiteral("%1: %2.").arg(where(path, line, column), error.message),
            place(line, column));
    }
    if (cells.rows.isEmpty()) {
        if (cells.errors.isEmpty())
            problems << tableProblem(QStringLiteral("%1: üres táblázat.").arg(path));
        return table;
    }
    const csv::Row& header = cells.rows.first();
    const std::optional<int> portColumn = checkHeader(header, path, problems);
    QSet<int> ports;
    for (qsizetype i = 1; portColumn && i < cells.rows.size(); ++i) {
        Expected<EachRow> row = readRow(cells.rows.at(i), header, *portColumn, ports, path);
        if (row)
            table.rows.append(std::move(*row));
        else
            problems << row.failure();
    }
    std::stable_sort(problems.begin(), problems.end(), [](const Failure& a, const Failure& b) {
        return a.details.value(QStringLiteral("row")).toInt() <
               b.details.value(QStringLiteral("row")).toInt();
    });
    if (table.rows.isEmpty() && problems.isEmpty())
        problems << tableProblem(
            QStringLiteral("%1: a táblázatnak nincs egy sora sem a fejléc után.").arg(path));
    return table;
}

QString Plans::frameFor(const QString& port) const
{
    return frames.contains(port) ? frames.value(port) : frames.value(QString());
}

Plans makePlans(const QString& file, const QString& base, const QList<Override>& overrides,
                const QString& each)
{
    Plans plans;
    const Expected<QStringList> defaults = loadDefaults(base);
    if (defaults)
        plans.defaults = *defaults;
    else
        plans.problems.append(defaults.failure());
    Configuration opened = startState(plans.defaults);
    if (const Expected<void> open = openFile(file, opened); !open)
        plans.problems.append(open.failure());

    if (each.isEmpty()) {
        if (!plans.problems.isEmpty())
            return plans;
        const Expected<QString> frame = prepare(opened, overrides);
        if (frame)
            plans.frames.insert(QString(), *frame);
        else
            plans.problems.append({frame.failure().code,
                                   QStringLiteral("%1: %2").arg(file, frame.failure().message)});
        return plans;
    }

    const EachTable table = readEach(each);
    plans.problems += table.problems;
    plans.tableMalformed = !table.problems.isEmpty();
    if (!plans.problems.isEmpty())
        return plans;
    // Every row is planned, so that every refused row is named, not only the first.
    for (const EachRow& row : table.rows) {
        const Expected<QString> frame = prepare(opened, overrides + row.overrides);
        if (frame)
            plans.frames.insert(row.port, *frame);
        else
            plans.problems.append(
                {frame.failure().code,
                 QStringLiteral("%1, %2. sor: %3")
                     .arg(each)
                     .arg(row.line)
                     .arg(frame.failure().message),
                 {{QStringLiteral("row"), row.line}, {QStringLiteral("port"), row.port}}});
        plans.lineOf.insert(row.port, row.line);
    }
    return plans;
}

} // namespace cli
