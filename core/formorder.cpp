#include "core/formorder.h"

#include <QHash>

namespace formorder {

namespace {

QStringList numbered(const QString& pattern, int from, int to)
{
    QStringList names;
    for (int i = from; i <= to; ++i)
        names << pattern.arg(i);
    return names;
}

} // namespace

const QStringList& generalEdits()
{
    static const QStringList names{"smsplus", "smskp",       "m_pin",     "m_id",
                                   "m_nev",   "visszaallas", "rele_time", "maxsms"};
    return names;
}

const QStringList& analogEdits()
{
    static const QStringList names{"be_a1_nev",   "be_a2_nev",   "abe1_hi_msg", "abe1_vissza",
                                   "abe1_lo_msg", "abe1_hi",     "abe1_hi_2",   "abe1_lo",
                                   "abe1_lo_2",   "abe2_hi_msg", "abe2_hi",     "abe2_clr"};
    return names;
}

const QStringList& inputEdits()
{
    static const QStringList names{"be1_nev",     "be2_nev",     "be3_nev",     "be4_nev",
                                   "be1_on_msg",  "be2_on_msg",  "be3_on_msg",  "be4_on_msg",
                                   "be1_off_msg", "be2_off_msg", "be3_off_msg", "be4_off_msg"};
    return names;
}

const QStringList& outputEdits()
{
    static const QStringList names{"ki1_on",  "ki2_on",  "ki3_on",  "ki4_on",
                                   "ki1_off", "ki2_off", "ki3_off", "ki4_off"};
    return names;
}

const QStringList& activateEdits()
{
    static const QStringList names{"act_be", "act_ki"};
    return names;
}

const QStringList& telEdits()
{
    static const QStringList names = numbered("t%1", 1, 8) + numbered("tplus_%1", 1, 8);
    return names;
}

const QStringList& telBoxes()
{
    static const QStringList names =
        QStringList{"tc4_7", "tc2_8", "tc3_4", "tc1_1", "tc2_2", "tc1_6", "tc1_5", "tc1_3",
                    "tc4_8", "tc1_7", "tc3_2", "tc4_1", "tc2_3", "tc4_6", "tc1_4", "tc1_8",
                    "tc4_5", "tc2_5", "tc3_7", "tc1_2", "tc4_3", "tc2_6", "tc3_8", "tc3_1",
                    "tc2_1", "tc3_3", "tc3_6", "tc2_7", "tc3_5", "tc4_4", "tc2_4", "tc4_2"} +
        numbered("tc1_%1", 9, 24) + QStringList{"cb_r_7", "cb_r_6", "cb_r_1", "cb_r_8",
                                                "cb_r_3", "cb_r_2", "cb_r_5", "cb_r_4"} +
        numbered("cb_s_%1", 1, 8);
    return names;
}

const QStringList& telRadios()
{
    static const QStringList names{"r1_4", "r7_4", "r4_4", "r7_2", "r6_1", "r1_3", "r5_4", "r2_2",
                                   "r6_3", "r8_4", "r2_4", "r4_2", "r1_1", "r8_3", "r6_2", "r3_1",
                                   "r2_3", "r8_1", "r3_3", "r5_1", "r4_3", "r6_4", "r1_2", "r7_3",
                                   "r7_1", "r3_2", "r5_2", "r5_3", "r8_2", "r3_4", "r2_1", "r4_1",
                                   "r1_0", "r4_0", "r2_0", "r7_0", "r8_0", "r6_0", "r3_0", "r5_0"};
    return names;
}

const QStringList& analogRadios()
{
    static const QStringList names{"max_be_15", "max_be_30"};
    return names;
}

const QStringList& outputModeRadios()
{
    static const QStringList names{"k1", "b1", "k2", "b2", "k3", "b3", "k4", "b4"};
    return names;
}

const QList<EditGroup>& editGroups()
{
    static const QList<EditGroup> groups{{"g_general", generalEdits},   {"g_analog", analogEdits},
                                         {"g_be", inputEdits},          {"g_ki", outputEdits},
                                         {"g_activate", activateEdits}, {"g_tel", telEdits}};
    return groups;
}

const QStringList& allEdits()
{
    static const QStringList names = [] {
        QStringList all;
        for (const EditGroup& group : editGroups())
            all += group.edits();
        return all;
    }();
    return names;
}

const QStringList& allBoxes()
{
    return telBoxes();
}

const QStringList& allRadios()
{
    static const QStringList names = telRadios() + analogRadios() + outputModeRadios();
    return names;
}

int maxLength(const QString& edit)
{
    static const QHash<QString, int> lengths = [] {
        QHash<QString, int> map;
        for (const QString& name : allEdits())
            map.insert(name, 16);
        for (const char* name : {"smsplus", "visszaallas", "abe1_hi_2", "abe1_lo_2"})
            map.insert(QLatin1String(name), 1);
        for (const char* name : {"maxsms", "abe1_hi", "abe1_lo"})
            map.insert(QLatin1String(name), 2);
        for (const char* name : {"m_pin", "m_id", "rele_time"})
            map.insert(QLatin1String(name), 4);
        map.insert(QStringLiteral("abe2_hi"), 5);
        for (int row = 1; row <= 8; ++row) {
            map.insert(QStringLiteral("t%1").arg(row), 14);
            map.insert(QStringLiteral("tplus_%1").arg(row), 1);
        }
        return map;
    }();
    return lengths.value(edit, 0);
}

namespace {

// Columns 5 and 6 of the grid carry names of their own, row by row.
constexpr int kColumn5[] = {14, 16, 15, 10, 9, 13, 11, 12};
constexpr int kColumn6[] = {22, 24, 23, 18, 17, 21, 19, 20};

const QHash<QString, GridPosition>& gridPositions()
{
    static const QHash<QString, GridPosition> positions = [] {
        QHash<QString, GridPosition> map;
        for (int row = 1; row <= 8; ++row) {
            // Columns 1..4 are tc4_Y, tc3_Y, tc2_Y, tc1_Y.
            for (int column = 1; column <= 4; ++column)
                map.insert(QStringLiteral("tc%1_%2").arg(5 - column).arg(row), {row, column});
            map.insert(QStringLiteral("tc1_%1").arg(kColumn5[row - 1]), {row, 5});
            map.insert(QStringLiteral("tc1_%1").arg(kColumn6[row - 1]), {row, 6});
            map.insert(QStringLiteral("cb_r_%1").arg(row), {row, 7});
            map.insert(QStringLiteral("cb_s_%1").arg(row), {row, 8});
        }
        return map;
    }();
    return positions;
}

} // namespace

GridPosition gridPosition(const QString& box)
{
    return gridPositions().value(box);
}

QString gridBox(int row, int column)
{
    static const QList<QStringList> names = [] {
        QList<QStringList> table(9, QStringList(9));
        for (auto it = gridPositions().cbegin(); it != gridPositions().cend(); ++it)
            table[it->row][it->column] = it.key();
        return table;
    }();
    if (row < 1 || row > 8 || column < 1 || column > 8)
        return QString();
    return names.at(row).at(column);
}

QStringList radioGroup(const QString& radio)
{
    if (analogRadios().contains(radio))
        return analogRadios();
    const int output = outputModeRadios().indexOf(radio);
    if (output >= 0)
        return outputModeRadios().mid(output / 2 * 2, 2);
    if (telRadios().contains(radio)) {
        const QString row = radio.section(QLatin1Char('_'), 0, 0);
        QStringList group;
        for (int value = 0; value <= 4; ++value)
            group << row + QStringLiteral("_%1").arg(value);
        return group;
    }
    return QStringList();
}

} // namespace formorder
