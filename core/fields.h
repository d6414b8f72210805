#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// Every field of the configuration form, once: one row per line edit, check box and radio
// button, in form order. A configuration file stores the fields in exactly this order (line
// n holds row n), the module's record (the 56 fields of the read-out and the frame) is
// described by the rows' slots and codings, and the window, the checks and the command line
// ask this table instead of keeping lists of their own.
namespace fields {

enum class Widget { LineEdit, CheckBox, RadioButton };

// The form's group boxes that hold fields, in form order. The field checks walk five of them
// (fieldchecks::kGroups); the analog page and the output modes hold nothing a check reads.
enum class Group { General, Telephone, Analog, Inputs, Outputs, OutputModes, Activation };
inline constexpr Group kGroups[] = {Group::General,   Group::Telephone, Group::Analog,
                                    Group::Inputs,    Group::Outputs,   Group::OutputModes,
                                    Group::Activation};

// How a person reads a configuration (show, diff, the sheet): the groups gathered into
// sections, in the order they are read. Both groups of outputs are one section.
enum class Section { General, Telephones, Inputs, Outputs, Activation, Analog };
inline constexpr Section kSections[] = {Section::General, Section::Telephones, Section::Inputs,
                                        Section::Outputs, Section::Activation, Section::Analog};

// The form's tab pages.
constexpr int kPages = 4;

// How the form laid out for the VexaGrid-3 treats a field.
enum class Layout {
    Shown,
    Hidden,   // the module lacks it; it is still in every file and every transfer
    Disabled, // shown greyed: the analog page, the fixed "+" signs, outputs 3 and 4 of a row
};

// What the check of the field's group looks at when a field is left. Every rule but None and
// Number also applies the plain-text rule (7-bit text, no field separator).
enum class Rule {
    None,       // not checked: the "+" in front of a number, the analog page
    Text,       // plain text
    Digits,     // digits and spaces
    Identifier, // digits and spaces, then zero-filled to the field's zeroFill width
    SmsCentre,  // digits, spaces and "+"
    OnOff,      // "0", "1" or nothing
    Number,     // a telephone number: digits and spaces only
};

// Where a field travels in the module's record.
enum class Coding {
    None,       // nowhere (the "+" signs)
    Text,       // the text, zero-filled in the frame to zeroFill characters when zeroFill > 0
    Constant,   // a piece of a constant field: always sent as `constant`, read back as such
    Monostable, // b_n: sets bit n-1 of the output-mode number
    Bistable,   // k_n: b_n's partner, chosen when the bit is clear
    Range15,    // max_be_15: "0" when chosen; a read-out's first character "0" chooses it
    Range30,    // max_be_30: its partner
    TelNumber,  // t_Y: the number after the row's two code characters
    TelColumn,  // a grid box: bit column-1 of the row's code
    TelUnsent,  // a grid box of columns 5 and 6: read back from the code, never sent
    TelOutput,  // rY_v: the output v that a ring from the row switches
};

struct Field
{
    const char* name;
    Widget widget;
    Group group;   // the group box it stands in
    int maxLength; // line edits: the most characters the field holds
    Layout layout;
    Rule rule;
    bool freshOn;      // a button checked on the fresh form
    const char* fresh; // a line edit's text on the fresh form
    const char* label; // a label of the field's own that the layout hides with it
    int slot;          // 1..56: its field in the module's record; 0: none
    Coding coding;
    int zeroFill;         // Coding::Text: the frame's width of zero fill; 0: none
    const char* constant; // Coding::Constant: the piece
    int row;              // the telephone row (1..8); the output of a k/b button (1..4)
    int column;           // a grid box's column (1..8); a row's output button's output (0..4)
    // What the form calls it; empty for the grid (see caption()). A button of a pair says
    // what the pair sets ("1-es kimenet") and `choice` the value it stands for ("monostabil"):
    // its own caption is both.
    const char* caption;
    const char* choice;
};

constexpr int kCount = 172;
constexpr int kEdits = 58;
constexpr int kBoxes = 64;
constexpr int kRadios = 50;

// The module's record: 56 fields of 16 characters, eight of them telephone rows.
constexpr int kSlots = 56;
constexpr int kSlotWidth = 16;
constexpr int kTelRows = 8;
// The first telephone row's slot; row Y is kFirstTelSlot + Y - 1.
constexpr int kFirstTelSlot = 49;
// The grid's columns: 1..6 alarm permissions (the VexaGrid-3 uses 1..3, its phases R, S, T),
// then the RING and the SMS box.
constexpr int kAlarmColumns = 6;
constexpr int kRingColumn = 7;
constexpr int kSmsColumn = 8;

// Every field, in form order.
const std::array<Field, kCount>& all();

// The field's index in form order (its configuration file line is index + 1); none for a
// name that is no field of the form.
std::optional<int> indexOf(const QString& name);
// The row of `name`; nullptr when there is none.
const Field* find(const QString& name);

// What the form calls the field ("Modul neve", "3. sor, RING"); its accessible name.
QString caption(const Field& field);
QString caption(const QString& name);

// The tab page (0..3) the field's group box stands on.
int pageOf(const Field& field);

// --- The groups, the sections and the pages (one table each) -------------------------------

// The group box's object name in the form: "g_general", "g_be", ...
QString boxName(Group group);
int pageOf(Group group);
Section sectionOf(Group group);
// "Általános beállítások", "Telefonszámok", "R-S-T bemenetek", "Kimenetek",
// "Riasztások aktiválása", "Analóg bemenetek".
QString sectionTitle(Section section);
// A section's name for scripts: "general", "telephones", "inputs", "outputs", "activation",
// "analog".
QString sectionKey(Section section);
// A tab page's title: "Általános", "Analóg bemenetek", "R-S-T bemenetek", "Kimenetek".
QString pageTitle(int page);

// --- The form order, group by group (queries of the table) ---------------------------------
QStringList namesOf(Widget widget);
QStringList namesIn(Group group, Widget widget);
const QStringList& allEdits();  // 58
const QStringList& allBoxes();  // 64, all in g_tel
const QStringList& allRadios(); // 50: g_tel, g_analog, g_ki_csengetes
const QStringList& generalEdits();
const QStringList& analogEdits();
const QStringList& inputEdits();
const QStringList& outputEdits();
const QStringList& activateEdits();
const QStringList& telEdits(); // t1..t8, then tplus_1..tplus_8
const QStringList& telBoxes();
const QStringList& telRadios();
const QStringList& analogRadios();
const QStringList& outputModeRadios();

// The most characters a line edit holds; 0 for no line edit.
int maxLength(const QString& edit);

struct GridPosition
{
    int row = 0;
    int column = 0;
};
// Row (1..8) and column (1..8) of a grid box: columns 1..6 are the alarm permissions, 7 the
// RING box, 8 the SMS box. Zeros for a name that is no grid box.
GridPosition gridPosition(const QString& box);
// The grid box of a row and a column, or "".
QString gridBox(int row, int column);
// A telephone row's output button: rY_<output>, or "" for no such button.
QString outputButton(int row, int output);

// The exclusive group of a radio button: the buttons of one telephone row, the two voltage
// ranges, or an output's monostable and bistable pair. Empty for anything else.
QStringList radioGroup(const QString& radio);

// The fields of a slot of the module's record (1..56), in form order; none for a slot the
// form has no field for (13-16, 21-22, 48: always blank).
QList<int> slotFields(int slot);

// --- The values of every field, as a configuration file holds them ---------------------------

// One value per field in form order: a line edit's text, "1" or "0" for a button.
class Values
{
public:
    // The fresh form's values.
    Values();
    // Exactly these lines; missing ones fresh, extra ones ignored.
    explicit Values(const QStringList& lines);

    QString text(const QString& name) const;
    bool isChecked(const QString& name) const;
    QString at(int index) const { return m_values.at(index); }
    bool isCheckedAt(int index) const { return m_values.at(index) == QLatin1String("1"); }

    // As they are, no rule applied, nothing cut: the caller decides.
    void setText(const QString& name, const QString& text);
    void setChecked(const QString& name, bool checked);
    void setAt(int index, const QString& value) { m_values[index] = value; }

    const QStringList& lines() const { return m_values; }

    bool operator==(const Values& other) const { return m_values == other.m_values; }
    bool operator!=(const Values& other) const { return m_values != other.m_values; }

private:
    QStringList m_values;
};

} // namespace fields
