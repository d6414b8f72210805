#pragma once

#include "core/configuration.h"
#include "core/messages.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

// What `write`, `diff` and `check` send: the window's state after connecting (the defaults
// file loaded), the file opened on top of it, the --set / --each overrides typed in, then the
// download's own checks and frame. The whole plan is made, and every problem of it found,
// before any module is contacted.
namespace cli {

// Why something was refused: a code for scripts and the text a user reads.
struct Failure
{
    messages::Code code = messages::Code::None;
    QString message;
};

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

// "NAME=VALUE" as --set takes it; nullopt, with the reason in `error`, for anything else.
std::optional<Override> parseAssignment(const QString& text, QString* error);

// A file the command line reads: nullopt when it is a file with text in it; otherwise why
// not (missing, a directory, empty, binary), in words that name `path` and never echo its
// bytes.
std::optional<Failure> inspectFile(const QString& path);

// The defaults file's lines. `base` names one that must be usable; empty means the window's
// own lookup, where a missing or short file is no error (the window then keeps its connected
// state).
struct Defaults
{
    std::optional<Failure> failure;
    QStringList lines;
};
Defaults loadDefaults(const QString& base);

// The connected window with the defaults loaded.
Configuration startState(const QStringList& defaults);

// The window's Open: the file's lines loaded on top of `config`.
std::optional<Failure> openFile(const QString& path, Configuration& config);

// As a user typing the value into the field and leaving it: refused when the field cannot
// be typed into, the text is too long or a box gets anything but 0 / 1; then the field's
// group check runs (and zero-fills the module id, as it does in the window).
std::optional<Failure> applyOverride(Configuration& config, const Override& override);

// What would go to a module, or why nothing may.
struct Plan
{
    std::optional<Failure> failure;
    QString frame;
};

// The overrides in order, then the download's completeness check, field checks and frame.
Plan prepare(Configuration config, const QList<Override>& overrides);

// --- One module per row: the --each table ------------------------------------------------

struct EachRow
{
    QString port;
    int line = 0;
    QList<Override> overrides; // the row's non-empty cells, in column order
};

// A problem of the plan, said before any port is opened.
struct Problem
{
    Failure failure;        // the message names the file, the row and the column
    QString port;           // the module it is for, "" for the whole run
    int row = 0;            // the table's line, 0 for none
    bool malformed = false; // the table itself (exit 2), not the values in it (exit 1)
};

struct EachTable
{
    QList<EachRow> rows;
    QList<Problem> problems;
};

// A header of "port" and object names, then one row per module (csvtable.h tells the
// format). Every problem is listed: cells that do not fit the header, unknown or repeated
// names, bad or repeated ports. An empty cell keeps the file's value.
EachTable readEach(const QString& path);

// --- The whole plan ----------------------------------------------------------------------

struct Plans
{
    QStringList defaults;
    QMap<QString, Plan> byPort; // with --each; otherwise the one plan under ""
    QMap<QString, int> lineOf;  // with --each: the table's line of each port
    QList<Problem> problems;

    bool ok() const { return problems.isEmpty(); }
    // 2 when the table is malformed, 1 when values are refused or a file cannot be used.
    int exitCode() const;
};

Plans makePlans(const QString& file, const QString& base, const QList<Override>& overrides,
                const QString& each);

} // namespace cli
