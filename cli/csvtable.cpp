#include "cli/csvtable.h"

#include <QStringDecoder>

#include <algorithm>

namespace cli::csv {

namespace {

bool isControl(QChar c)
{
    const char16_t u = c.unicode();
    return (u < 0x20 && u != u'\t' && u != u'\r' && u != u'\n') || u == 0x7F;
}

QString decode(const QByteArray& content)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(content);
    if (utf8.hasError())
        text = QString::fromLatin1(content);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

// The separator of the first row: its first "," or ";" outside quotes.
QChar separatorOf(const QString& text)
{
    bool quoted = false;
    for (const QChar c : text) {
        if (c == u'"')
            quoted = !quoted;
        else if (!quoted && (c == u',' || c == u';'))
            return c;
        else if (!quoted && (c == u'\n' || c == u'\r'))
            break;
    }
    return u',';
}

class Reader
{
public:
    Reader(const QString& text, Table& table) : m_text(text), m_table(table) {}

    void run()
    {
        while (m_at < m_text.size()) {
            if (!readRow())
                return;
        }
    }

private:
    QChar peek() const { return m_at < m_text.size() ? m_text.at(m_at) : QChar(); }
    bool atEnd() const { return m_at >= m_text.size(); }
    bool atRowEnd() const { return atEnd() || peek() == u'\n' || peek() == u'\r'; }

    void skipRowEnd()
    {
        if (peek() == u'\r')
            ++m_at;
        if (peek() == u'\n')
            ++m_at;
        ++m_line;
    }

    void skipBlanks()
    {
        while (peek() == u' ' || peek() == u'\t')
            ++m_at;
    }

    void error(int column, const QString& text, int line = 0)
    {
        QJsonObject place{{QStringLiteral("row"), line > 0 ? line : m_rowLine}};
        if (column > 0)
            place.insert(QStringLiteral("column"), column);
        m_table.errors.append({messages::Code::BadTable, text, place});
    }

    // A quoted cell, from its opening quote; false when the quote is never closed.
    bool readQuoted(int column, QString* cell, bool* bad)
    {
        const int openedOn = m_line;
        ++m_at;
        for (;;) {
            if (atEnd()) {
                error(column, QStringLiteral("az idézőjel nincs lezárva (a fájl végéig)"),
                      openedOn);
                return false;
            }
            const QChar c = m_text.at(m_at++);
            if (c == u'"' && peek() == u'"') {
                *cell += u'"';
                ++m_at;
            } else if (c == u'"') {
                break;
            } else {
                if (c == u'\n' || (c == u'\r' && peek() != u'\n'))
                    ++m_line;
                *cell += c;
            }
        }
        skipBlanks();
        if (!atRowEnd() && peek() != m_table.separator) {
            error(column, QStringLiteral("szöveg a záró idézőjel után"));
            *bad = true;
            while (!atRowEnd() && peek() != m_table.separator)
                ++m_at;
        }
        return true;
    }

    void readUnquoted(int column, QString* cell, bool* bad)
    {
        while (!atRowEnd() && peek() != m_table.separator) {
            const QChar c = m_text.at(m_at++);
            if (c == u'"' && !*bad) {
                error(column, QStringLiteral("szabálytalan idézőjel: egy cella csak egészében "
                                             "idézhető"));
                *bad = true;
            }
            *cell += c;
        }
        // Blanks around an unquoted cell are no part of it.
        while (cell->endsWith(u' ') || cell->endsWith(u'\t'))
            cell->chop(1);
    }

    // False when the reading cannot go on (a quote never closed).
    bool readRow()
    {
        Row row;
        m_rowLine = m_line;
        row.line = m_line;
        bool rowHasText = false;
        for (;;) {
            const int column = int(row.cells.size()) + 1;
            QString cell;
            bool bad = false;
            skipBlanks();
            const bool quoted = peek() == u'"';
            if (quoted && !readQuoted(column, &cell, &bad))
                return false;
            if (!quoted)
                readUnquoted(column, &cell, &bad);
            rowHasText = rowHasText || quoted || !cell.isEmpty();
            if (!bad && std::any_of(cell.cbegin(), cell.cend(), isControl))
                error(column, QStringLiteral("nem szöveges érték"));
            row.cells.append(cell);
            if (peek() != m_table.separator)
                break;
            ++m_at;
            rowHasText = true;
        }
        skipRowEnd();
        if (rowHasText)
            m_table.rows.append(row);
        return true;
    }

    const QString& m_text;
    Table& m_table;
    qsizetype m_at = 0;
    int m_line = 1;
    int m_rowLine = 1;
};

} // namespace

Table read(const QByteArray& content)
{
    Table table;
    const QString text = decode(content);
    table.separator = separatorOf(text);
    Reader(text, table).run();
    return table;
}

} // namespace cli::csv
