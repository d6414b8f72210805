#pragma once

#include "core/failure.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// A table in the form spreadsheets save: cells separated by "," or ";" (whichever the first
// line uses), rows ended by CR LF, LF or CR; a cell may be quoted with "...", holding the
// separator, line breaks and doubled quotes. A byte-order mark is dropped. The text is UTF-8
// when it reads as UTF-8, otherwise the 8-bit Latin-1 code. Blanks around an unquoted cell
// are dropped, a quoted cell is kept exactly. A row that holds nothing at all is skipped.
namespace cli::csv {

struct Row
{
    int line = 0; // where the row starts, counted from 1 as an editor counts lines
    QStringList cells;
};

struct Table
{
    QChar separator = u',';
    QList<Row> rows; // the header first
    // Code::BadTable, in Hungarian words that never echo the cell's own bytes; the details
    // hold the "row" (the line it starts on) and, unless it is the row as a whole, the
    // "column" (from 1).
    QList<Failure> errors;
};

// Every syntax error is listed: a quote never closed (which ends the reading), a stray
// quote in an unquoted cell, text after a closing quote, a cell holding control characters
// (a binary file). Rows are not compared with the header here.
Table read(const QByteArray& content);

} // namespace cli::csv
