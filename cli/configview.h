#pragma once

#include "cli/exit.h"
#include "cli/options.h"
#include "core/configuration.h"

#include <QJsonObject>
#include <QStringList>

// A configuration as people read it on the command line, wherever it came from (a file, a
// module, the record): shown under the window's captions and groups, or compared with another
// one field by field.
namespace cli::configview {

// One object keyed by object name: each field's caption, page, section, value and whether the
// VexaGrid-3 uses it (--all: the others too; the PIN's digits only with --pin).
QJsonObject json(const Configuration& config, const Options& options);

// The configuration as aligned text under `heading` (lines such as "Fájl: alap.vgf").
void print(const Configuration& config, const Options& options, const QStringList& heading);

// `left` and `right` compared as diff compares two files: one result line that begins with
// `title`, the differences below it naming where each value is (`leftName`, `rightName`), the
// line's own `keys` beside "differences"; the exit as diff's (0 equal, 1 they differ).
struct Sides
{
    QString title;
    QString leftName;
    QString rightName;
    QJsonObject keys;
};
Exit compare(const Configuration& left, const Configuration& right, const Options& options,
             const Sides& sides);
// How many fields that count differ between them, as compare() counts.
int countDifferences(const Configuration& left, const Configuration& right, const Options& options);

} // namespace cli::configview
