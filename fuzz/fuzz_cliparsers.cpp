// The command line's parsers: the --each table, a --port list, a --set assignment and the
// whole command line. Whatever the input, each gives a result or a clear error.
#include "cli/csvtable.h"
#include "cli/options.h"
#include "cli/plan.h"
#include "device/portmap.h"
#include "fuzz/fuzztarget.h"

namespace {

bool hasControl(const QString& text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != u'\t' && u != u'\r' && u != u'\n') || u == 0x7F)
            return true;
    }
    return false;
}

void checkTable(const QByteArray& content)
{
    const cli::csv::Table table = cli::csv::read(content);
    fuzzCheck(table.separator == u',' || table.separator == u';', "separator , or ;");
    int line = 0;
    for (const cli::csv::Row& row : table.rows) {
        fuzzCheck(row.line > line, "rows in order");
        line = row.line;
        fuzzCheck(!row.cells.isEmpty(), "a row has a cell");
        for (const QString& cell : row.cells) {
            if (!hasControl(cell))
                continue;
            bool named = false;
            for (const Failure& error : table.errors)
                named = named || error.details.value("row").toInt() == row.line;
            fuzzCheck(named, "a binary cell is named");
        }
    }
    for (const Failure& error : table.errors) {
        fuzzCheck(error.details.value("row").toInt() >= 1 &&
                      error.details.value("column").toInt(0) >= 0,
                  "errors name a place");
        fuzzCheck(!error.message.isEmpty(), "errors say why");
    }
}

// Cells written the way a spreadsheet writes them read back exactly.
void checkRoundTrip(const uint8_t* data, size_t size)
{
    QList<QStringList> rows;
    QStringList row;
    QString cell;
    for (size_t i = 0; i < size; ++i) {
        const char c = char(data[i] & 0x7F);
        if (c == '\x01') {
            row << cell;
            cell.clear();
        } else if (c == '\x02') {
            row << cell;
            cell.clear();
            rows << row;
            row.clear();
        } else if (c >= 0x20 && c != 0x7F) {
            cell += QLatin1Char(c);
        } else if (c == '\n') {
            cell += u'\n';
        }
    }
    if (rows.isEmpty())
        return;
    QByteArray text;
    for (const QStringList& cells : rows) {
        QStringList quoted;
        for (QString each : cells)
            quoted << u'"' + each.replace(u'"', QStringLiteral("\"\"")) + u'"';
        text += quoted.join(u',').toUtf8() + "\r\n";
    }
    const cli::csv::Table table = cli::csv::read(text);
    fuzzCheck(table.errors.isEmpty(), "a written table reads without errors");
    fuzzCheck(table.rows.size() == rows.size(), "every written row reads back");
    for (qsizetype i = 0; i < rows.size(); ++i)
        fuzzCheck(table.rows.at(i).cells == rows.at(i), "cells read back exactly");
}

void checkPorts(const QString& text)
{
    const Expected<cli::PortList> list = cli::parsePorts(text);
    if (!list) {
        fuzzCheck(!list.failure().message.isEmpty(), "a refused list says why");
        return;
    }
    if (list->all) {
        fuzzCheck(list->ports.isEmpty(), "no ports beside all");
        return;
    }
    fuzzCheck(!list->ports.isEmpty(), "a list names a port");
    int last = 0;
    for (const QString& port : list->ports) {
        const int n = PortMap::portNumber(port);
        fuzzCheck(n > last && n >= PortMap::kFirstPort && n <= PortMap::kLastPort,
                  "ports ascending, once, in range");
        last = n;
    }
}

void checkAssignment(const QString& text)
{
    const Expected<cli::Override> override = cli::parseAssignment(text);
    if (!override) {
        fuzzCheck(!override.failure().message.isEmpty(), "a refused assignment says why");
        return;
    }
    fuzzCheck(cli::isSettableName(override->name), "only the form's names are set");
    fuzzCheck(text.endsWith(override->value), "the value is the text after the name");
}

void checkCommandLine(const QString& text)
{
    QStringList arguments{QStringLiteral("vexagrid-cli")};
    arguments += text.split(u'\0');
    const Expected<cli::Parsed> parsed = cli::parse(arguments);
    if (!parsed)
        fuzzCheck(!parsed.failure().message.isEmpty(), "a usage error says why");
    else if (parsed->kind == cli::Parsed::Run)
        fuzzCheck(!parsed->options.name.isEmpty(), "a run has a command");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray content(reinterpret_cast<const char*>(data), qsizetype(size));
    checkTable(content);
    checkRoundTrip(data, size);
    const QString text = QString::fromUtf8(content);
    checkPorts(text);
    checkAssignment(text);
    checkCommandLine(text);
    return 0;
}

QList<QByteArray> fuzzSeeds()
{
    return {"port,m_id,m_nev\nCOM3,0101,\"Szivattyu, 1\"\nCOM4 , 0102 ,b\n",
            "\xEF\xBB\xBFport;m_nev\r\nCOM3;\"a\"\"b\"\r\n",
            "port,m_nev\nCOM3,\"unterminated\n",
            "COM3,com4,COM32",
            "all",
            "m_nev=Kut 1",
            "smskp_combo=3",
            QByteArray("write\0--port\0COM3\0--set\0m_id=7\0x.vgf", 37),
            QByteArray("read\0--port=all\0-o\0-", 20),
            "a\x01"
            "b\x02"
            "c\x01\n\x02"};
}
