#pragma once

#include "cli/configplan.h"
#include "cli/moduletasks.h"

#include <QJsonObject>
#include <QString>

// Everything the command line prints. Results go to stdout, one line per module: "COM3:
// text", or with --json one JSON object. Safe to call from any thread.
namespace cli::report {

void setJson(bool json);
bool isJson();

void result(const Result& result);
// A failure that is no module's: a file that cannot be opened, a refused override.
void failure(const QString& subject, const Failure& failure);
// A line of its own (text mode) or an object (JSON mode).
void text(const QString& line);
void object(const QJsonObject& object);
// A usage error, on stderr.
void usage(const QString& message);

} // namespace cli::report
