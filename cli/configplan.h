#pragma once

#include "core/configuration.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// What `write`, `diff` and `check` send: the window's state after connecting (the defaults
// file loaded), the file opened on top of it, the --set / --each overrides typed in, then the
// download's own checks and frame.
namespace cli {

// Why something was refused: a stable code for scripts and the text a user reads.
struct Failure
{
    QString code;
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

// The defaults file's lines. `base` names one that must exist; empty means the window's own
// lookup, where a missing file is no error (the window then keeps its connected state).
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
    QList<Override> overrides; // the row's non-empty cells, in column order
};

struct EachTable
{
    std::optional<QString> usageError; // names the culprit
    std::optional<Failure> failure;    // the file is missing
    QList<EachRow> rows;
};

// A header of "port" and object names, then one row per module. Cells are separated by ","
// (or by ";" when the header holds no ","); a cell may be quoted with "...", "" inside
// being a quote. An empty cell keeps the file's value.
EachTable readEach(const QString& path);

} // namespace cli
