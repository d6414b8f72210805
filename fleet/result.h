#pragma once

#include "core/failure.h"
#include "core/messages.h"
#include "device/conversations.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// What the engine hands its views: plain data, said by each view its own way (the command
// line's lines and JSON, the dialog's table and its file of results).
namespace fleet {

// One thing that happened: a module's result, or a problem of the whole run.
struct Line
{
    QString port; // "" for none
    bool ok = false;
    messages::Code error = messages::Code::None;
    QString message;  // one line
    QStringList more; // the further lines that belong to it (a comparison's differences)
    // What a script reads besides: "identification", "backup", "bytesSent", "differences" ...
    QJsonObject keys;

    // A failure as a line: its code, its words, its details as keys (and their "port", when
    // it names one, as the line's port).
    static Line of(const Failure& failure);
};

// A module's result. One whose error is Code::Interrupted is unfinished: a stop left its work
// half done.
struct Result : Line
{
    QByteArray content; // read for standard output: the configuration file's bytes
    QStringList record; // fetchTask: the module's 56 fields
    // searchTask: the identification exchange, handed on to the work that follows
    std::optional<conversation::Result> identification;

    // The failure that ended a module's work, on `port`: its details are the result's keys.
    static Result failed(const QString& port, const Failure& failure);
    bool finished() const { return error != messages::Code::Interrupted; }
};

// How a module's work ended, as a summary counts it: the port did not open, it opened but
// no module answered on it, the module's work failed, or it succeeded.
enum class Kind { Succeeded, Failed, NotModule, NotOpened };
Kind kindOf(const Result& result);
// "sikeres", "hibás", "nem modul", "nem nyitható meg".
QString kindName(Kind kind);
// A run in one line: "12 sikeres, 1 hibás, 2 nem modul, 1 nem nyitható meg", every kind
// counted, then ", 3 befejezetlen" when a stop left work half done (those count as no kind).
QString summary(const QList<Result>& results);

} // namespace fleet
