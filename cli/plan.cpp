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
std::optional<Failure> readText(const QString& path, const QString& kind, QByteArray* content,
                                bool cellsJudged = false)
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
    *content = file.readAll();
    if (content->isEmpty())
        return Failure{Code::EmptyFile, QStringLiteral("%1: üres.").arg(path)};
    if (cellsJudged ? content->contains('\0') : isBinary(*content))
        return Failure{Code::BinaryFile, QStringLiteral("%1: nem szöveges fájl.").arg(path)};
    return std::nullopt;
}

const QString kConfigurationKind = QStringLiteral("konfigurációs fájl");

// The lines of a configuration file, or why it cannot be opened.
std::optional<Failure> readLines(const QString& path, QStringList* lines)
{
    QByteArray content;
    if (std::optional<Failure> failure = readText(path, kConfigurationKind, &content))
        return failure;
    *lines = configfile::decodeLines(content);
    if (!configfile::hasAllValues(*lines))
        return Failure{Code::FileTooShort,
                       QStringLiteral("%1: túl rövid: %2 sor, egy konfigurációs fájl %3 sorból "
                                      "áll (régebbi vagy csonka fájl).")
                           .arg(path)
                           .arg(lines->size())
                           .arg(configfile::kValueLines)};
    return std::nullopt;
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

} // namespace

bool isSettableName(const QString& name)
{
    return name == kProviderName || fields::find(name) != nullptr;
}

std::optional<Override> parseAssignment(const QString& text, QString* error)
{
    const qsizetype equals = text.indexOf(u'=');
    if (equals <= 0) {
        *error = QStringLiteral("--set NÉV=ÉRTÉK kell, nem \"%1\"").arg(text);
        return std::nullopt;
    }
    const QString name = text.left(equals).trimmed();
    if (!isSettableName(name)) {
        *error = QStringLiteral("ismeretlen mezőnév: %1").arg(name);
        return std::nullopt;
    }
    return Override{name, text.mid(equals + 1)};
}

std::optional<Failure> inspectFile(const QString& path)
{
    QByteArray content;
    return readText(path, kConfigurationKind, &content);
}

Defaults loadDefaults(const QString& base)
{
    Defaults defaults;
    if (base.isEmpty()) {
        // The window reads the defaults file where it finds it and ignores it when it is
        // missing or too short; so does this.
        const QStringList lines =
            configfile::readFile(runtimefiles::locate(messages::kDefaultsFile))
                .valueOr(QStringList());
        if (configfile::hasAllValues(lines))
            defaults.lines = lines;
        return defaults;
    }
    if (std::optional<Failure> failure = readLines(base, &defaults.lines)) {
        defaults.failure = failure;
        defaults.lines.clear();
    }
    return defaults;
}

Configuration startState(const QStringList& defaults)
{
    Configuration config = Configuration::connected();
    // Without a usable defaults file the window keeps its connected state; so does this.
    static_cast<void>(config.load(defaults));
    return config;
}

std::optional<Failure> openFile(const QString& path, Configuration& config)
{
    QStringList lines;
    if (std::optional<Failure> failure = readLines(path, &lines))
        return failure;
    // readLines() has made sure of every value.
    static_cast<void>(config.load(lines));
    return std::nullopt;
}

std::optional<Failure> applyOverride(Configuration& config, const Override& override)
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
        return std::nullopt;
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
        return std::nullopt;
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
    const Expected<QString> frame =
        fieldchecks::prepareDownload(config, QChar::fromLatin1(record.downloadSeparator));
    if (frame)
        plan.frame = *frame;
    else
        plan.failure = Failure{frame.failure().code, frame.failure().message};
    return plan;
}

namespace {

// Problems of the table itself: each names the file, the row and the column.
class TableProblems
{
public:
    TableProblems(const QString& path, EachTable& table) : m_path(path), m_table(table) {}

    void add(const QString& text, int line = 0, const QString& port = {})
    {
        m_table.problems.append({{Code::BadTable, text}, port, line, true});
    }
    const QString& path() const { return m_path; }

private:
    const QString& m_path;
    EachTable& m_table;
};

// The header's port column; -1 (and a problem said) when it has none.
int checkHeader(const csv::Row& header, TableProblems& problems)
{
    int portColumn = -1;
    QSet<QString> seen;
    for (int column = 0; column < header.cells.size(); ++column) {
        const QString& name = header.cells.at(column);
        const QString at = where(problems.path(), header.line, column + 1);
        if (seen.contains(name))
            problems.add(QStringLiteral("%1: a(z) \"%2\" oszlop kétszer szerepel.").arg(at, name),
                         header.line);
        seen.insert(name);
        if (name == QLatin1String("port"))
            portColumn = column;
        else if (!isSettableName(name))
            problems.add(
                QStringLiteral("%1: ismeretlen mezőnév a fejlécben: \"%2\".").arg(at, name),
                header.line);
    }
    if (portColumn < 0)
        problems.add(
            QStringLiteral("%1: a fejlécből hiányzik a \"port\" oszlop.").arg(problems.path()),
            header.line);
    return portColumn;
}

// A row of modules: its port and its overrides; nullopt (and a problem said) for a row that
// does not fit the header or names a bad or repeated port.
std::optional<EachRow> readRow(const csv::Row& row, const csv::Row& header, int portColumn,
                               QSet<int>& ports, TableProblems& problems)
{
    const QString at = where(problems.path(), row.line);
    if (row.cells.size() != header.cells.size()) {
        problems.add(QStringLiteral("%1: %2 cella, a fejlécben %3 oszlop van.")
                         .arg(at)
                         .arg(row.cells.size())
                         .arg(header.cells.size()),
                     row.line);
        return std::nullopt;
    }
    const QString port = row.cells.at(portColumn);
    const int number = PortMap::portNumber(port);
    if (number < PortMap::kFirstPort || number > PortMap::kLastPort) {
        problems.add(QStringLiteral("%1: hibás port: \"%2\" (COM1 ... COM32).")
                         .arg(where(problems.path(), row.line, portColumn + 1), port),
                     row.line);
        return std::nullopt;
    }
    EachRow each;
    each.port = QStringLiteral("COM%1").arg(number);
    each.line = row.line;
    if (ports.contains(number)) {
        problems.add(QStringLiteral("%1: a(z) %2 port kétszer szerepel.").arg(at, each.port),
                     row.line, each.port);
        return std::nullopt;
    }
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
    TableProblems problems(path, table);
    QByteArray content;
    if (std::optional<Failure> failure =
            readText(path, QStringLiteral("táblázat"), &content, true)) {
        table.problems.append({{failure->code, failure->message}, QString(), 0, true});
        return table;
    }
    const csv::Table cells = csv::read(content);
    for (const csv::Error& error : cells.errors)
        problems.add(
            QStringLiteral("%1: %2.").arg(where(path, error.line, error.column), error.text),
            error.line);
    if (cells.rows.isEmpty()) {
        if (cells.errors.isEmpty())
            problems.add(QStringLiteral("%1: üres táblázat.").arg(path));
        return table;
    }
    const csv::Row& header = cells.rows.first();
    const int portColumn = checkHeader(header, problems);
    QSet<int> ports;
    for (qsizetype i = 1; portColumn >= 0 && i < cells.rows.size(); ++i) {
        if (std::optional<EachRow> row =
                readRow(cells.rows.at(i), header, portColumn, ports, problems))
            table.rows.append(*row);
    }
    std::stable_sort(table.problems.begin(), table.problems.end(),
                     [](const Problem& a, const Problem& b) { return a.row < b.row; });
    if (table.rows.isEmpty() && table.problems.isEmpty())
        problems.add(
            QStringLiteral("%1: a táblázatnak nincs egy sora sem a fejléc után.").arg(path));
    return table;
}

int Plans::exitCode() const
{
    if (problems.isEmpty())
        return 0;
    for (const Problem& problem : problems) {
        if (problem.malformed)
            return 2;
    }
    return 1;
}

Plans makePlans(const QString& file, const QString& base, const QList<Override>& overrides,
                const QString& each)
{
    Plans plans;
    const Defaults defaults = loadDefaults(base);
    if (defaults.failure)
        plans.problems.append({*defaults.failure, QString(), 0, false});
    plans.defaults = defaults.lines;
    Configuration opened = startState(defaults.lines);
    if (std::optional<Failure> failure = openFile(file, opened))
        plans.problems.append({*failure, QString(), 0, false});

    if (each.isEmpty()) {
        if (!plans.problems.isEmpty())
            return plans;
        const Plan plan = prepare(opened, overrides);
        if (plan.failure)
            plans.problems.append(
                {{plan.failure->code, QStringLiteral("%1: %2").arg(file, plan.failure->message)},
                 QString(),
                 0,
                 false});
        plans.byPort.insert(QString(), plan);
        return plans;
    }

    const EachTable table = readEach(each);
    plans.problems += table.problems;
    if (!plans.problems.isEmpty())
        return plans;
    // Every row is planned, so that every refused row is named, not only the first.
    for (const EachRow& row : table.rows) {
        const Plan plan = prepare(opened, overrides + row.overrides);
        if (plan.failure)
            plans.problems.append({{plan.failure->code, QStringLiteral("%1, %2. sor: %3")
                                                            .arg(each)
                                                            .arg(row.line)
                                                            .arg(plan.failure->message)},
                                   row.port,
                                   row.line,
                                   false});
        plans.byPort.insert(row.port, plan);
        plans.lineOf.insert(row.port, row.line);
    }
    return plans;
}

} // namespace cli
