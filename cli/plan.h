#pragma once

#include "core/configuration.h"
#include "core/failure.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// What `write`, `diff` and `check` send: the window's state after connecting (the defaults
// file loaded), the file opened on top of it, the --set / --each overrides typed in, then the
// download's own checks and frame. The whole plan is made, and every problem of it found,
// before any module is contacted.
namespace cli {

struct Override
{
    QString name;
    QString value;
};

// The provider list beside the SMS-centre number: not one of the file's 172 values, but
// the only way to make that number typeable.
inline const QString kProviderName = QStringLiteral("smskp_combo");

// A name --set and --each take: a line edit, check box or radio button of the form, or the
// provider list.
bool isSettableName(const QString& name);

// "NAME=VALUE" as --set takes it; anything else is a usage failure.
Expected<Override> parseAssignment(const QString& text);

// The defaults file's lines. `base` names one that must be usable; empty means the window's
// own lookup, where a missing or short file is no error (the window then keeps its connected
// state, and so there are no lines).
Expected<QStringList> loadDefaults(const QString& base);

// The connected window with the defaults loaded.
Configuration startState(const QStringList& defaults);

// The window's Open: the file's lines loaded on top of `config`. A file that is missing, a
// directory, empty, binary or short is refused in words that name `path` and never echo its
// bytes.
Expected<void> openFile(const QString& path, Configuration& config);

// As a user typing the value into the field and leaving it: refused when the field cannot
// be typed into, the text is too long or a box gets anything but 0 / 1; then the field's
// group check runs (and zero-fills the module id, as it does in the window).
Expected<void> applyOverride(Configuration& config, const Override& override);

// The overrides in order, then the download's completeness check, field checks and frame:
// what would go to a module, or why nothing may.
Expected<QString> prepare(Configuration config, const QList<Override>& overrides);

// --- One module per row: the --each table ------------------------------------------------

struct EachRow
{
    QString port;
    int line = 0;
    QList<Override> overrides; // the row's non-empty cells, in column order
};

struct EachTable
{
    QList<EachRow> rows;
    // Every problem of the table itself, in the order of its rows. Each message names the
    // file, the row and the column; the details hold "row" and "column" (from 1, where
    // there is one) and "port" (when the row names a sound one).
    QList<Failure> problems;
};

// A header of "port" and object names, then one row per module (csvtable.h tells the
// format). Every problem is listed: cells that do not fit the header, unknown or repeated
// names, bad or repeated ports. An empty cell keeps the file's value.
EachTable readEach(const QString& path);

// --- The whole plan ----------------------------------------------------------------------

struct Plans
{
    QStringList defaults;
    QMap<QString, QString> frames; // by port with --each; otherwise the one frame under ""
    QMap<QString, int> lineOf;     // with --each: the table's line of each port
    // Every problem, each said before any port is opened: its message names the file (and
    // the table's row and column); with --each its details hold "row" and "port".
    QList<Failure> problems;
    bool tableMalformed = false; // the table itself is wrong, not the values in it

    bool ok() const { return problems.isEmpty(); }
    // The frame for `port`: the table's row, or the one plan.
    QString frameFor(const QString& port) const;
};

Plans makePlans(const QString& file, const QString& base, const QList<Override>& overrides,
                const QString& each);

} // namespace cli
