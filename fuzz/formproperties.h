#pragma once

// What every configuration the program can reach must satisfy, whatever file or read-out it
// came from: shared by fuzz_configuration and fuzz_readoutfill. The checks go through the
// public calls of Configuration and fieldchecks only and name the form's widgets themselves,
// so they hold the core to the form as the user sees it, not to its own tables.

#include "core/configuration.h"

#include <QByteArray>
#include <QStringList>

namespace formfuzz {

// The window right after a module was identified and the shipped defaults file was read.
const Configuration& startState();

// The shipped defaults file, as its bytes.
QByteArray defaultsFile();

// The simulated module's sample read-out: its 56 fields, trailing blanks trimmed.
QStringList sampleFields();

// A reply as a module sends it: every field padded to 16 characters with `fill`, then `end`.
QByteArray reply(const QStringList& fields, char fill = ' ', const QByteArray& end = "|");

// The form's own invariants: RING and SMS only in a row with an alarm column, one output per
// telephone row and never one the module lacks, one choice in every other exclusive group.
void checkForm(const Configuration& config);

// The download of a copy of `config`: a refusal that names a field, or a frame of 56 fields
// that carries exactly the form and that the module's read-out gives back field for field.
void checkDownload(const Configuration& config);

// Save and open again on the same start. A file saves what it opened; a read-out saves what
// it filled, but for the analog page, which a file never carries. Either way the second save
// is the same as the first one after it, and the saved bytes read back as the saved lines.
enum class Origin { File, ReadOut };
void checkSaves(const Configuration& config, Origin origin);

} // namespace formfuzz
