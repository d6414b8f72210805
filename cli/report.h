#pragma once

#include "core/failure.h"
#include "core/messages.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <cstdio>

// Everything the command line prints. Results go to stdout: a line per module ("COM3:
// text"), with the further lines that belong to it indented below; errors and diagnostics
// go to stderr. With --json every result and every error is one JSON object per line on
// stdout, each with the same keys: port, command, ok, error, message and the command's own
// keys, null where they do not apply. Safe to call from any thread.
namespace cli::report {

// Where the lines go: stdout and stderr, or a test's files.
void setStreams(std::FILE* out, std::FILE* err);
// The command being run: its name and its own JSON keys; and whether to print JSON.
void begin(const QString& command, const QStringList& keys, bool json);
bool isJson();

struct Line
{
    QString port; // "" for none (null in JSON)
    bool ok = false;
    messages::Code error = messages::Code::None;
    QString message;  // one line
    QStringList more; // the text's further lines, printed indented below the first
    QJsonObject keys; // the command's own keys; those not given are null

    // A failure as a line: its code, its words, its details as keys (and their "port", when
    // it names one, as the line's port).
    static Line of(const Failure& failure);
};

// A module's result: stdout.
void result(const Line& line);
// An error of the run, or of a module before any was contacted: stderr as text, stdout as
// JSON (so a script reads one stream).
void error(const Line& line);
// A line of text that is no result, for the user: stderr, or nothing with --json.
void note(const QString& text);
// A line of output as it is: stdout.
void text(const QString& line);
// The command line is wrong: stderr, always as text.
void usage(const QString& message);
// The failure that ended a run: a usage failure as usage(), anything else as error().
void failure(const Failure& failure);

} // namespace cli::report
