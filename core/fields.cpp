#include "core/fields.h"

#include <QHash>

#include <iterator>

namespace fields {

namespace {

using C = Coding;
using G = Group;
using L = Layout;
using R = Rule;

// A row of the table as it is written below: the common case by default, the rest said.
struct Row
{
    Field f{};

    constexpr operator Field() const { return f; }
    constexpr Row hide(const char* label = nullptr) const
    {
        Row r = *this;
        r.f.layout = L::Hidden;
        r.f.label = label;
        return r;
    }
    constexpr Row disable() const
    {
        Row r = *this;
        r.f.layout = L::Disabled;
        return r;
    }
    constexpr Row freshText(const char* text) const
    {
        Row r = *this;
        r.f.fresh = text;
        return r;
    }
    constexpr Row on() const
    {
        Row r = *this;
        r.f.freshOn = true;
        return r;
    }
    constexpr Row zeroFill(int width) const
    {
        Row r = *this;
        r.f.zeroFill = width;
        return r;
    }
    constexpr Row choice(const char* value) const
    {
        Row r = *this;
        r.f.choice = value;
        return r;
    }
};

// What every row says: the field, its widget and group box, its slot, coding and place in
// the grid; shown, unchecked and fresh empty unless said otherwise.
constexpr Row field(const char* name, Widget widget, Group group, int slot, Coding coding,
                    int row = 0, int column = 0)
{
    Row r;
    r.f.name = name;
    r.f.widget = widget;
    r.f.group = group;
    r.f.layout = L::Shown;
    r.f.rule = R::None;
    r.f.fresh = "";
    r.f.slot = slot;
    r.f.coding = coding;
    r.f.row = row;
    r.f.column = column;
    return r;
}

constexpr Row line(Group group, const char* name, int maxLength, int slot, Rule rule,
                   const char* caption)
{
    Row r = field(name, Widget::LineEdit, group, slot, slot > 0 ? C::Text : C::None);
    r.f.maxLength = maxLength;
    r.f.rule = rule;
    r.f.caption = caption;
    return r;
}

constexpr Row general(const char* name, int maxLength, int slot, Rule rule, const char* caption)
{
    return line(G::General, name, maxLength, slot, rule, caption);
}

// The analog page: the VexaGrid-3 has none, so the page stays disabled and goes unchecked.
constexpr Row analog(const char* name, int maxLength, int slot, const char* caption)
{
    return line(G::Analog, name, maxLength, slot, R::None, caption).disable();
}

// A digit of a threshold the module keeps fixed: always sent as `piece`.
constexpr Row threshold(const char* name, int maxLength, int slot, const char* piece,
                        const char* caption)
{
    Row r = analog(name, maxLength, slot, caption);
    r.f.coding = C::Constant;
    r.f.constant = piece;
    return r;
}

constexpr Row message(Group group, const char* name, int slot, const char* caption)
{
    return line(group, name, 16, slot, R::Text, caption);
}

constexpr Row number(const char* name, int row, const char* caption)
{
    Row r = line(G::Telephone, name, 14, kFirstTelSlot + row - 1, R::Number, caption);
    r.f.coding = C::TelNumber;
    r.f.row = row;
    return r;
}

// The read-only "+" in front of a telephone number.
constexpr Row plus(const char* name, int row, const char* caption)
{
    Row r = line(G::Telephone, name, 1, 0, R::None, caption).disable().freshText("+");
    r.f.row = row;
    return r;
}

// A box of the telephone grid. The VexaGrid-3 watches three phases: alarm columns 4 to 6
// belong to the wider family's modules and are hidden; columns 5 and 6 are never sent.
constexpr Row box(const char* name, int row, int column)
{
    Row r = field(name, Widget::CheckBox, G::Telephone, kFirstTelSlot + row - 1,
                  column == 5 || column == 6 ? C::TelUnsent : C::TelColumn, row, column);
    return column >= 4 && column <= 6 ? r.hide() : r;
}

// A telephone row's choice of the output a ring switches; outputs 3 and 4 do not exist on
// this module, and "none" is the fresh choice.
constexpr Row output(const char* name, int row, int value)
{
    Row r = field(name, Widget::RadioButton, G::Telephone, kFirstTelSlot + row - 1, C::TelOutput,
                  row, value);
    r = value > 2 ? r.disable() : r;
    return value == 0 ? r.on() : r;
}

constexpr Row button(Group group, const char* name, int slot, Coding coding, int row,
                     const char* caption)
{
    Row r = field(name, Widget::RadioButton, group, slot, coding, row);
    r.f.caption = caption;
    return r;
}

// An output's mode when a ring switches it: monostable b_n (bit n-1 of field 8) or bistable k_n.
// `subject` is what the pair sets: "1-es kimenet".
constexpr Row mode(const char* name, int n, bool monostable, const char* subject)
{
    Row r = button(G::OutputModes, name, 8, monostable ? C::Monostable : C::Bistable, n, subject)
                .choice(monostable ? "monostabil" : "bistabil");
    return monostable ? r.on() : r;
}

// The analog input's voltage range, one choice of the pair: "0..15 V".
constexpr Row range(const char* name, Coding coding, const char* volts)
{
    return button(G::Analog, name, 11, coding, 0, "Max. bemenő feszültség").choice(volts).disable();
}

// clang-format off
constexpr std::array<Field, kCount> kFields = {{
    // Line edits, file lines 1-58.
    general("smsplus", 1, 0, R::Text, "SMS központ előtag").disable().freshText("+"),
    general("smskp", 16, 1, R::SmsCentre, "SMS központ száma").freshText("36309888000"),
    general("m_pin", 4, 2, R::Digits, "Modul PIN-kódja").zeroFill(4),
    general("m_id", 4, 3, R::Identifier, "Modul azonosító száma").zeroFill(4),
    general("m_nev", 16, 4, R::Text, "Modul neve"),
    general("visszaallas", 1, 5, R::OnOff, "Bemenet visszaállás"),
    general("rele_time", 4, 6, R::Digits, "Relé meghúzási idő").zeroFill(4),
    general("maxsms", 2, 7, R::Digits, "Max. sms-ek száma 2 óra alatt"),

    analog("be_a1_nev", 16, 23, "Analóg bemenet neve"),
    analog("be_a2_nev", 16, 24, "Pulzusszámláló bemenet neve"),
    analog("abe1_hi_msg", 16, 18, "Analóg bemenet magas riasztás"),
    analog("abe1_vissza", 16, 19, "Analóg bemenet visszaállás"),
    analog("abe1_lo_msg", 16, 17, "Analóg bemenet alacsony riasztás"),
    threshold("abe1_hi", 2, 10, "29", "Analóg bemenet magas riasztási szint egészrésze"),
    threshold("abe1_hi_2", 1, 10, "9", "Analóg bemenet magas riasztási szint tizedesjegye"),
    threshold("abe1_lo", 2, 9, "00", "Analóg bemenet alacsony riasztási szint egészrésze"),
    threshold("abe1_lo_2", 1, 9, "0", "Analóg bemenet alacsony riasztási szint tizedesjegye"),
    analog("abe2_hi_msg", 16, 20, "Pulzusszámláló túlcsordulás riasztás"),
    threshold("abe2_hi", 5, 12, "99999", "Pulzusszámláló maximális értéke"),
    analog("abe2_clr", 16, 45, "Pulzusszámláló törlés parancs"),

    message(G::Inputs, "be1_nev", 25, "Fázis R neve"),
    message(G::Inputs, "be2_nev", 26, "Fázis S neve"),
    message(G::Inputs, "be3_nev", 27, "Fázis T neve"),
    message(G::Inputs, "be4_nev", 28, "4-es bemenet neve").hide("label_be4_nev"),
    message(G::Inputs, "be1_on_msg", 29, "Fázis R kimaradás"),
    message(G::Inputs, "be2_on_msg", 30, "Fázis S kimaradás"),
    message(G::Inputs, "be3_on_msg", 31, "Fázis T kimaradás"),
    message(G::Inputs, "be4_on_msg", 32, "4-es bemenet bekapcs.").hide("label_be4_on"),
    message(G::Inputs, "be1_off_msg", 33, "Fázis R visszaállás"),
    message(G::Inputs, "be2_off_msg", 34, "Fázis S visszaállás"),
    message(G::Inputs, "be3_off_msg", 35, "Fázis T visszaállás"),
    message(G::Inputs, "be4_off_msg", 36, "4-es bemenet kikapcs.").hide("label_be4_off"),

    message(G::Outputs, "ki1_on", 37, "1-es kimenet bekapcsoláskor"),
    message(G::Outputs, "ki2_on", 38, "2-es kimenet bekapcsoláskor"),
    message(G::Outputs, "ki3_on", 39, "3-as kimenet bekapcsoláskor").hide("label_k3_on"),
    message(G::Outputs, "ki4_on", 40, "4-es kimenet bekapcsoláskor").hide("label_k4_on"),
    message(G::Outputs, "ki1_off", 41, "1-es kimenet kikapcsoláskor"),
    message(G::Outputs, "ki2_off", 42, "2-es kimenet kikapcsoláskor"),
    message(G::Outputs, "ki3_off", 43, "3-as kimenet kikapcsoláskor").hide("label_k3_off"),
    message(G::Outputs, "ki4_off", 44, "4-es kimenet kikapcsoláskor").hide("label_k4_off"),

    message(G::Activation, "act_be", 46, "Riasztások aktiválása parancs"),
    message(G::Activation, "act_ki", 47, "Riasztások kikapcsolása parancs"),

    number("t1", 1, "1. telefonszám"), number("t2", 2, "2. telefonszám"),
    number("t3", 3, "3. telefonszám"), number("t4", 4, "4. telefonszám"),
    number("t5", 5, "5. telefonszám"), number("t6", 6, "6. telefonszám"),
    number("t7", 7, "7. telefonszám"), number("t8", 8, "8. telefonszám"),
    plus("tplus_1", 1, "1. telefonszám előtag"), plus("tplus_2", 2, "2. telefonszám előtag"),
    plus("tplus_3", 3, "3. telefonszám előtag"), plus("tplus_4", 4, "4. telefonszám előtag"),
    plus("tplus_5", 5, "5. telefonszám előtag"), plus("tplus_6", 6, "6. telefonszám előtag"),
    plus("tplus_7", 7, "7. telefonszám előtag"), plus("tplus_8", 8, "8. telefonszám előtag"),

    // Check boxes of the telephone grid, file lines 59-122: row, column.
    box("tc4_7", 7, 1), box("tc2_8", 8, 3), box("tc3_4", 4, 2), box("tc1_1", 1, 4),
    box("tc2_2", 2, 3), box("tc1_6", 6, 4), box("tc1_5", 5, 4), box("tc1_3", 3, 4),
    box("tc4_8", 8, 1), box("tc1_7", 7, 4), box("tc3_2", 2, 2), box("tc4_1", 1, 1),
    box("tc2_3", 3, 3), box("tc4_6", 6, 1), box("tc1_4", 4, 4), box("tc1_8", 8, 4),
    box("tc4_5", 5, 1), box("tc2_5", 5, 3), box("tc3_7", 7, 2), box("tc1_2", 2, 4),
    box("tc4_3", 3, 1), box("tc2_6", 6, 3), box("tc3_8", 8, 2), box("tc3_1", 1, 2),
    box("tc2_1", 1, 3), box("tc3_3", 3, 2), box("tc3_6", 6, 2), box("tc2_7", 7, 3),
    box("tc3_5", 5, 2), box("tc4_4", 4, 1), box("tc2_4", 4, 3), box("tc4_2", 2, 1),
    box("tc1_9", 5, 5), box("tc1_10", 4, 5), box("tc1_11", 7, 5), box("tc1_12", 8, 5),
    box("tc1_13", 6, 5), box("tc1_14", 1, 5), box("tc1_15", 3, 5), box("tc1_16", 2, 5),
    box("tc1_17", 5, 6), box("tc1_18", 4, 6), box("tc1_19", 7, 6), box("tc1_20", 8, 6),
    box("tc1_21", 6, 6), box("tc1_22", 1, 6), box("tc1_23", 3, 6), box("tc1_24", 2, 6),
    box("cb_r_7", 7, 7), box("cb_r_6", 6, 7), box("cb_r_1", 1, 7), box("cb_r_8", 8, 7),
    box("cb_r_3", 3, 7), box("cb_r_2", 2, 7), box("cb_r_5", 5, 7), box("cb_r_4", 4, 7),
    box("cb_s_1", 1, 8), box("cb_s_2", 2, 8), box("cb_s_3", 3, 8), box("cb_s_4", 4, 8),
    box("cb_s_5", 5, 8), box("cb_s_6", 6, 8), box("cb_s_7", 7, 8), box("cb_s_8", 8, 8),

    // Radio buttons, file lines 123-172: the telephone rows' outputs (row, output) ...
    output("r1_4", 1, 4), output("r7_4", 7, 4), output("r4_4", 4, 4), output("r7_2", 7, 2),
    output("r6_1", 6, 1), output("r1_3", 1, 3), output("r5_4", 5, 4), output("r2_2", 2, 2),
    output("r6_3", 6, 3), output("r8_4", 8, 4), output("r2_4", 2, 4), output("r4_2", 4, 2),
    output("r1_1", 1, 1), output("r8_3", 8, 3), output("r6_2", 6, 2), output("r3_1", 3, 1),
    output("r2_3", 2, 3), output("r8_1", 8, 1), output("r3_3", 3, 3), output("r5_1", 5, 1),
    output("r4_3", 4, 3), output("r6_4", 6, 4), output("r1_2", 1, 2), output("r7_3", 7, 3),
    output("r7_1", 7, 1), output("r3_2", 3, 2), output("r5_2", 5, 2), output("r5_3", 5, 3),
    output("r8_2", 8, 2), output("r3_4", 3, 4), output("r2_1", 2, 1), output("r4_1", 4, 1),
    output("r1_0", 1, 0), output("r4_0", 4, 0), output("r2_0", 2, 0), output("r7_0", 7, 0),
    output("r8_0", 8, 0), output("r6_0", 6, 0), output("r3_0", 3, 0), output("r5_0", 5, 0),
    // ... the analog input's range ...
    range("max_be_15", C::Range15, "0..15 V").on(),
    range("max_be_30", C::Range30, "0..30 V"),
    // ... and each output's mode.
    mode("k1", 1, false, "1-es kimenet"), mode("b1", 1, true, "1-es kimenet"),
    mode("k2", 2, false, "2-es kimenet"), mode("b2", 2, true, "2-es kimenet"),
    mode("k3", 3, false, "3-as kimenet").hide("label_k3"),
    mode("b3", 3, true, "3-as kimenet").hide("label_k3"),
    mode("k4", 4, false, "4-es kimenet").hide("label_k4"),
    mode("b4", 4, true, "4-es kimenet").hide("label_k4"),
}};
// clang-format on

// The grid's columns as the form's headers name them.
constexpr const char* kColumnCaptions[kSmsColumn] = {"R fázis",
                                                     "S fázis",
                                                     "T fázis",
                                                     "4. riasztási oszlop",
                                                     "5. riasztási oszlop",
                                                     "6. riasztási oszlop",
                                                     "RING",
                                                     "SMS"};

struct GroupRow
{
    Group group;
    const char* box; // the group box's object name
    int page;
    Section section;
};

// clang-format off
constexpr GroupRow kGroupRows[] = {
    {G::General,     "g_general",      0, Section::General},
    {G::Telephone,   "g_tel",          0, Section::Telephones},
    {G::Analog,      "g_analog",       1, Section::Analog},
    {G::Inputs,      "g_be",           2, Section::Inputs},
    {G::Outputs,     "g_ki",           3, Section::Outputs},
    {G::OutputModes, "g_ki_csengetes", 3, Section::Outputs},
    {G::Activation,  "g_activate",     3, Section::Activation},
};
// clang-format on

struct SectionRow
{
    Section section;
    const char* title;
    const char* key; // as scripts read it
};

// clang-format off
constexpr SectionRow kSectionRows[] = {
    {Section::General,    "Általános beállítások", "general"},
    {Section::Telephones, "Telefonszámok",         "telephones"},
    {Section::Inputs,     "R-S-T bemenetek",       "inputs"},
    {Section::Outputs,    "Kimenetek",             "outputs"},
    {Section::Activation, "Riasztások aktiválása", "activation"},
    {Section::Analog,     "Analóg bemenetek",      "analog"},
};
// clang-format on

// The tabs' titles.
constexpr const char* kPageTitles[kPages] = {"Általános", "Analóg bemenetek", "R-S-T bemenetek",
                                             "Kimenetek"};

// Both tables are looked up by the enum's value.
constexpr bool inEnumOrder()
{
    for (std::size_t i = 0; i < std::size(kGroupRows); ++i) {
        if (kGroupRows[i].group != kGroups[i] || std::size_t(kGroupRows[i].group) != i)
            return false;
    }
    for (std::size_t i = 0; i < std::size(kSectionRows); ++i) {
        if (std::size_t(kSectionRows[i].section) != i)
            return false;
    }
    return std::size(kGroupRows) == std::size(kGroups) &&
           std::size(kSectionRows) == std::size(kSections);
}
static_assert(inEnumOrder(), "the group and section tables follow their enums");

const GroupRow& groupRow(Group group)
{
    return kGroupRows[std::size_t(group)];
}

const QHash<QString, int>& indexes()
{
    static const QHash<QString, int> map = [] {
        QHash<QString, int> names;
        for (int i = 0; i < kCount; ++i)
            names.insert(QLatin1String(kFields[std::size_t(i)].name), i);
        return names;
    }();
    return map;
}

QStringList freshValues()
{
    QStringList values;
    for (const Field& field : kFields) {
        if (field.widget == Widget::LineEdit)
            values << QString::fromUtf8(field.fresh);
        else
            values << QLatin1String(field.freshOn ? "1" : "0");
    }
    return values;
}

} // namespace

const std::array<Field, kCount>& all()
{
    return kFields;
}

std::optional<int> indexOf(const QString& name)
{
    const auto found = indexes().constFind(name);
    if (found == indexes().cend())
        return std::nullopt;
    return *found;
}

const Field* find(const QString& name)
{
    const std::optional<int> index = indexOf(name);
    return index ? &kFields[std::size_t(*index)] : nullptr;
}

QString caption(const Field& field)
{
    if (field.choice)
        return QStringLiteral("%1 %2").arg(QString::fromUtf8(field.caption),
                                           QString::fromUtf8(field.choice));
    if (field.caption)
        return QString::fromUtf8(field.caption);
    if (field.widget == Widget::CheckBox)
        return QStringLiteral("%1. sor, %2")
            .arg(field.row)
            .arg(QString::fromUtf8(kColumnCaptions[field.column - 1]));
    if (field.column == 0)
        return QStringLiteral("%1. sor, nincs kimenet").arg(field.row);
    return QStringLiteral("%1. sor, kimenet %2").arg(field.row).arg(field.column);
}

QString caption(const QString& name)
{
    const Field* field = find(name);
    return field ? caption(*field) : QString();
}

int pageOf(const Field& field)
{
    return pageOf(field.group);
}

QString boxName(Group group)
{
    return QLatin1String(groupRow(group).box);
}

int pageOf(Group group)
{
    return groupRow(group).page;
}

Section sectionOf(Group group)
{
    return groupRow(group).section;
}

QString sectionTitle(Section section)
{
    return QString::fromUtf8(kSectionRows[std::size_t(section)].title);
}

QString sectionKey(Section section)
{
    return QLatin1String(kSectionRows[std::size_t(section)].key);
}

QString pageTitle(int page)
{
    // Anything past the first pages is on the last one, as the outputs are.
    return QString::fromUtf8(kPageTitles[page >= 0 && page < kPages ? page : kPages - 1]);
}

QStringList namesIn(Group group, Widget widget)
{
    QStringList names;
    for (const Field& field : kFields) {
        if (field.widget == widget && field.group == group)
            names << QLatin1String(field.name);
    }
    return names;
}

QStringList namesOf(Widget widget)
{
    QStringList names;
    for (const Field& field : kFields) {
        if (field.widget == widget)
            names << QLatin1String(field.name);
    }
    return names;
}

const QStringList& allEdits()
{
    static const QStringList names = namesOf(Widget::LineEdit);
    return names;
}

const QStringList& allBoxes()
{
    static const QStringList names = namesOf(Widget::CheckBox);
    return names;
}

const QStringList& allRadios()
{
    static const QStringList names = namesOf(Widget::RadioButton);
    return names;
}

const QStringList& generalEdits()
{
    static const QStringList names = namesIn(G::General, Widget::LineEdit);
    return names;
}

const QStringList& analogEdits()
{
    static const QStringList names = namesIn(G::Analog, Widget::LineEdit);
    return names;
}

const QStringList& inputEdits()
{
    static const QStringList names = namesIn(G::Inputs, Widget::LineEdit);
    return names;
}

const QStringList& outputEdits()
{
    static const QStringList names = namesIn(G::Outputs, Widget::LineEdit);
    return names;
}

const QStringList& activateEdits()
{
    static const QStringList names = namesIn(G::Activation, Widget::LineEdit);
    return names;
}

const QStringList& telEdits()
{
    static const QStringList names = namesIn(G::Telephone, Widget::LineEdit);
    return names;
}

const QStringList& telBoxes()
{
    static const QStringList names = namesIn(G::Telephone, Widget::CheckBox);
    return names;
}

const QStringList& telRadios()
{
    static const QStringList names = namesIn(G::Telephone, Widget::RadioButton);
    return names;
}

const QStringList& analogRadios()
{
    static const QStringList names = namesIn(G::Analog, Widget::RadioButton);
    return names;
}

const QStringList& outputModeRadios()
{
    static const QStringList names = namesIn(G::OutputModes, Widget::RadioButton);
    return names;
}

int maxLength(const QString& edit)
{
    const Field* field = find(edit);
    return field && field->widget == Widget::LineEdit ? field->maxLength : 0;
}

GridPosition gridPosition(const QString& box)
{
    const Field* field = find(box);
    if (!field || field->widget != Widget::CheckBox)
        return {};
    return {field->row, field->column};
}

namespace {

// The grid's boxes and the rows' output buttons by row and column, looked up once.
QString gridName(Widget widget, int row, int column)
{
    using Places = QHash<QPair<int, int>, QString>;
    static const QHash<Widget, Places> places = [] {
        QHash<Widget, Places> map;
        for (const Field& field : kFields) {
            if (field.widget == Widget::CheckBox || field.coding == Coding::TelOutput)
                map[field.widget].insert({field.row, field.column}, QLatin1String(field.name));
        }
        return map;
    }();
    return places.value(widget).value({row, column});
}

} // namespace

QString gridBox(int row, int column)
{
    return gridName(Widget::CheckBox, row, column);
}

QString outputButton(int row, int output)
{
    return gridName(Widget::RadioButton, row, output);
}

QStringList radioGroup(const QString& radio)
{
    const Field* field = find(radio);
    if (!field || field->widget != Widget::RadioButton)
        return {};
    QStringList group;
    for (const Field& other : kFields) {
        if (other.widget == Widget::RadioButton && other.group == field->group &&
            other.row == field->row)
            group << QLatin1String(other.name);
    }
    return group;
}

QList<int> slotFields(int slot)
{
    QList<int> indexes;
    for (int i = 0; i < kCount; ++i) {
        if (slot > 0 && kFields[std::size_t(i)].slot == slot)
            indexes << i;
    }
    return indexes;
}

Values::Values() : m_values(freshValues()) {}

Values::Values(const QStringList& lines) : m_values(freshValues())
{
    for (int i = 0; i < kCount && i < lines.size(); ++i)
        m_values[i] = lines.at(i);
}

QString Values::text(const QString& name) const
{
    const std::optional<int> index = indexOf(name);
    return index ? m_values.at(*index) : QString();
}

bool Values::isChecked(const QString& name) const
{
    const std::optional<int> index = indexOf(name);
    return index && isCheckedAt(*index);
}

void Values::setText(const QString& name, const QString& text)
{
    if (const std::optional<int> index = indexOf(name))
        m_values[*index] = text;
}

void Values::setChecked(const QString& name, bool checked)
{
    if (const std::optional<int> index = indexOf(name))
        m_values[*index] = QLatin1String(checked ? "1" : "0");
}

} // namespace fields
