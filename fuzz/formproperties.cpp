#include "fuzz/formproperties.h"

#include "core/configcodec.h"
#include "core/fieldchecks.h"
#include "core/readoutcodec.h"
#include "fuzz/fuzztarget.h"

#include <QSet>

#include <array>
#include <utility>

namespace formfuzz {

namespace {

// The shipped defaults file, compiled in (fuzz.cmake writes its bytes), so that a target runs
// from any directory.
constexpr unsigned char kDefaultsFile[] = {
#include "defaultsfile.inc"
};

constexpr int kRows = 8;
constexpr int kFrameFields = 56;
constexpr int kFieldWidth = 16;
constexpr QChar kSeparator = u'|';

// A text for a diagnostic, control characters and those above 7 bits escaped.
QByteArray shown(const QString& text)
{
    QByteArray out;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 0x20 && u < 0x7F && u != u'\\')
            out += char(u);
        else
            out += QByteArray("\\x") + QByteArray::number(u, 16).rightJustified(2, '0');
    }
    return out;
}

// A property failed: the detail says where, unless a known fault lets the property pass.
void fail(const char* property, const QString& detail)
{
    if (!fuzzKnownFault(property))
        std::fprintf(stderr, "%s\n", qPrintable(detail));
    fuzzCheck(false, property);
}

// Where two lists of lines part.
qsizetype firstDifference(const QStringList& a, const QStringList& b)
{
    qsizetype i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i])
        ++i;
    return i;
}

// --- The form's widgets, by object name ------------------------------------------------

// Grid columns 5 and 6 carry names of their own, row by row.
constexpr int kColumn5[kRows] = {14, 16, 15, 10, 9, 13, 11, 12};
constexpr int kColumn6[kRows] = {22, 24, 23, 18, 17, 21, 19, 20};

// The grid box of row 1..8 and column 1..8: 1-6 the alarm columns, 7 RING, 8 SMS.
const QString& gridBox(int row, int column)
{
    static const std::array<std::array<QString, 8>, kRows> names = [] {
        std::array<std::array<QString, 8>, kRows> table;
        for (int r = 1; r <= kRows; ++r) {
            auto& line = table[std::size_t(r - 1)];
            for (int c = 1; c <= 4; ++c)
                line[std::size_t(c - 1)] = QStringLiteral("tc%1_%2").arg(5 - c).arg(r);
            line[4] = QStringLiteral("tc1_%1").arg(kColumn5[r - 1]);
            line[5] = QStringLiteral("tc1_%1").arg(kColumn6[r - 1]);
            line[6] = QStringLiteral("cb_r_%1").arg(r);
            line[7] = QStringLiteral("cb_s_%1").arg(r);
        }
        return table;
    }();
    return names[std::size_t(row - 1)][std::size_t(column - 1)];
}

// Radio button rY_<output> of a telephone row.
const QString& telRadio(int row, int output)
{
    static const std::array<std::array<QString, 5>, kRows> names = [] {
        std::array<std::array<QString, 5>, kRows> table;
        for (int r = 1; r <= kRows; ++r) {
            for (int v = 0; v <= 4; ++v)
                table[std::size_t(r - 1)][std::size_t(v)] = QStringLiteral("r%1_%2").arg(r).arg(v);
        }
        return table;
    }();
    return names[std::size_t(row - 1)][std::size_t(output)];
}

QStringList numbered(const char* pattern, int from, int to)
{
    QStringList names;
    for (int i = from; i <= to; ++i)
        names << QString::fromLatin1(pattern).arg(i);
    return names;
}

// The analog page: the VexaGrid-3 has none, so the layout disables all of it.
const QStringList& analogEdits()
{
    static const QStringList names{"be_a1_nev",   "be_a2_nev",   "abe1_hi_msg", "abe1_vissza",
                                   "abe1_lo_msg", "abe1_hi",     "abe1_hi_2",   "abe1_lo",
                                   "abe1_lo_2",   "abe2_hi_msg", "abe2_hi",     "abe2_clr"};
    return names;
}

// The fixed "+" in front of the SMS centre and of every telephone number.
const QStringList& signEdits()
{
    static const QStringList names = QStringList{"smsplus"} + numbered("tplus_%1", 1, 8);
    return names;
}

// What the layout hides: input 4 and outputs 3 and 4.
const QStringList& hiddenEdits()
{
    static const QStringList names{"be4_nev", "be4_on_msg", "be4_off_msg", "ki3_on",
                                   "ki4_on",  "ki3_off",    "ki4_off"};
    return names;
}

// Every line edit of the form.
const QStringList& edits()
{
    static const QStringList names =
        QStringList{"smsplus", "smskp",       "m_pin",     "m_id",
                    "m_nev",   "visszaallas", "rele_time", "maxsms"} +
        analogEdits() + numbered("be%1_nev", 1, 4) + numbered("be%1_on_msg", 1, 4) +
        numbered("be%1_off_msg", 1, 4) + numbered("ki%1_on", 1, 4) + numbered("ki%1_off", 1, 4) +
        QStringList{"act_be", "act_ki"} + numbered("t%1", 1, 8) + numbered("tplus_%1", 1, 8);
    return names;
}

// Every check box and radio button of the form.
const QStringList& buttons()
{
    static const QStringList names = [] {
        QStringList list;
        for (int row = 1; row <= kRows; ++row) {
            for (int column = 1; column <= 8; ++column)
                list << gridBox(row, column);
            for (int output = 0; output <= 4; ++output)
                list << telRadio(row, output);
        }
        list << QStringLiteral("max_be_15") << QStringLiteral("max_be_30");
        for (int n = 1; n <= 4; ++n)
            list << QStringLiteral("k%1").arg(n) << QStringLiteral("b%1").arg(n);
        return list;
    }();
    return names;
}

// Fields the layout disables whatever the values: a file never carries what they hold.
bool isDisabledByLayout(const QString& name)
{
    static const QSet<QString> names = [] {
        QSet<QString> set(analogEdits().cbegin(), analogEdits().cend());
        for (const QString& sign : signEdits())
            set.insert(sign);
        set << QStringLiteral("max_be_15") << QStringLiteral("max_be_30");
        for (int row = 1; row <= kRows; ++row)
            set << telRadio(row, 3) << telRadio(row, 4);
        return set;
    }();
    return names.contains(name);
}

// --- The frame's 56 fields -------------------------------------------------------------

enum class Kind { Text, ZeroFilled, Mask, Range, Fixed, Blank, Tel };

struct FrameField
{
    Kind kind;
    const char* name; // the line edit, or the fixed text
};

const QList<FrameField>& frameFields()
{
    static const QList<FrameField> fields = [] {
        QList<FrameField> list{
            {Kind::Text, "smskp"},  {Kind::ZeroFilled, "m_pin"}, {Kind::ZeroFilled, "m_id"},
            {Kind::Text, "m_nev"},  {Kind::Text, "visszaallas"}, {Kind::ZeroFilled, "rele_time"},
            {Kind::Text, "maxsms"}, {Kind::Mask, nullptr},       {Kind::Fixed, "000"},
            {Kind::Fixed, "299"},   {Kind::Range, nullptr},      {Kind::Fixed, "99999"}};
        for (int i = 13; i <= 16; ++i)
            list.append({Kind::Blank, nullptr});
        for (const char* name : {"abe1_lo_msg", "abe1_hi_msg", "abe1_vissza", "abe2_hi_msg"})
            list.append({Kind::Text, name});
        list.append({Kind::Blank, nullptr});
        list.append({Kind::Blank, nullptr});
        for (const char* name :
             {"be_a1_nev",   "be_a2_nev",   "be1_nev",     "be2_nev",     "be3_nev",
              "be4_nev",     "be1_on_msg",  "be2_on_msg",  "be3_on_msg",  "be4_on_msg",
              "be1_off_msg", "be2_off_msg", "be3_off_msg", "be4_off_msg", "ki1_on",
              "ki2_on",      "ki3_on",      "ki4_on",      "ki1_off",     "ki2_off",
              "ki3_off",     "ki4_off",     "abe2_clr",    "act_be",      "act_ki"})
            list.append({Kind::Text, name});
        list.append({Kind::Blank, nullptr});
        for (const char* name : {"t1", "t2", "t3", "t4", "t5", "t6", "t7", "t8"})
            list.append({Kind::Tel, name});
        return list;
    }();
    return fields;
}

// The telephone row's two code characters as the form says they must be: the alarm columns
// 1..4 and RING as bits of the first, the output plus 8 for "no SMS" in the second. Columns 5
// and 6 are not this module's and never count.
std::pair<int, int> rowCodes(const Configuration& config, int row)
{
    int permissions = 0;
    for (int column = 1; column <= 4; ++column) {
        if (config.isChecked(gridBox(row, column)))
            permissions |= 1 << (column - 1);
    }
    if (config.isChecked(gridBox(row, 7)))
        permissions |= 64;
    int mode = config.isChecked(gridBox(row, 8)) ? 0 : 8;
    for (int output = 0; output <= 4; ++output) {
        if (config.isChecked(telRadio(row, output)))
            mode += output;
    }
    return {0x30 + permissions, 0x30 + mode};
}

// What the frame must carry in a field, before its padding.
QString expectedField(const Configuration& config, const FrameField& field, int& telRow)
{
    const QString name = QLatin1String(field.name);
    switch (field.kind) {
    case Kind::Text:
        return config.text(name);
    case Kind::ZeroFilled:
        return config.text(name).rightJustified(4, u'0');
    case Kind::Mask: {
        int mask = 0;
        for (int n = 1; n <= 4; ++n) {
            if (config.isChecked(QStringLiteral("b%1").arg(n)))
                mask |= 1 << (n - 1);
        }
        return QString::number(mask).rightJustified(2, u'0');
    }
    case Kind::Range:
        return config.isChecked(QStringLiteral("max_be_15")) ? QStringLiteral("0")
                                                             : QStringLiteral("1");
    case Kind::Fixed:
        return name;
    case Kind::Blank:
        return QString();
    case Kind::Tel: {
        const auto [first, second] = rowCodes(config, ++telRow);
        return QString(QChar(char16_t(first))) + QChar(char16_t(second)) + config.text(name);
    }
    }
    return QString();
}

// --- Comparing whole forms ------------------------------------------------------------

// Every widget's value, line edits then buttons, in the order of edits() and buttons().
using Values = QStringList;

Values valuesOf(const Configuration& config)
{
    static const QString on = QStringLiteral("1");
    static const QString off = QStringLiteral("0");
    Values values;
    values.reserve(edits().size() + buttons().size());
    for (const QString& name : edits())
        values.append(config.text(name));
    for (const QString& name : buttons())
        values.append(config.isChecked(name) ? on : off);
    return values;
}

QString nameAt(qsizetype index)
{
    return index < edits().size() ? edits().at(index) : buttons().at(index - edits().size());
}

// Where a button's value is in Values.
qsizetype buttonIndex(const QString& name)
{
    return edits().size() + buttons().indexOf(name);
}

// The two forms agree on every widget but those `skip` names; the first difference is shown.
void checkSame(const Values& actual, const Values& expected, const char* property,
               bool (*skip)(const QString&) = nullptr)
{
    for (qsizetype i = 0; i < actual.size(); ++i) {
        if (actual[i] == expected[i] || (skip && skip(nameAt(i))))
            continue;
        fail(property,
             QString::asprintf("%s: \"%s\" instead of \"%s\"", qPrintable(nameAt(i)),
                               shown(actual[i]).constData(), shown(expected[i]).constData()));
        return;
    }
}

bool isHidden(const QString& name)
{
    return hiddenEdits().contains(name);
}

// --- The download ---------------------------------------------------------------------

void checkRefusal(const Configuration& config, const Failure& failure)
{
    const fieldchecks::Refusal refusal = fieldchecks::Refusal::of(failure);
    fuzzCheck(edits().contains(refusal.field), "a refusal names a line edit of the form");
    fuzzCheck(!refusal.title.isEmpty() && !refusal.text.isEmpty(),
              "a refusal has a title and text");
    // The user is sent to the field to put it right: it cannot be one the layout disables.
    fuzzCheck(!isDisabledByLayout(refusal.field), "a refusal names a field the user can edit");

    const QString text = config.text(refusal.field);
    if (failure.code == messages::Code::FieldMissing) {
        fuzzCheck(text.isEmpty(), "a missing field is empty");
        fuzzCheck(refusal.text == fieldchecks::kMissingText, "missing says so");
        fuzzCheck(!refusal.field.startsWith(u't') && !isHidden(refusal.field),
                  "telephone numbers and hidden fields are never required");
    } else {
        fuzzCheck(failure.code == messages::Code::FieldRefused, "a check refuses it");
        // An empty text passes every rule.
        fuzzCheck(!text.isEmpty(), "a refused field holds a text");
    }
}

// Every character of a field has a byte on the line; the telephone rows' code characters
// name only this module's columns and outputs, and checked texts are 7-bit.
void checkCharacters(const FrameField& layout, const QString& field)
{
    for (int c = 0; c < kFieldWidth; ++c) {
        const char16_t u = field.at(c).unicode();
        fuzzCheck(u <= 0xFF, "every character has a byte on the line");
        if (layout.kind == Kind::Tel && c < 2) {
            // Only columns 1-3 and RING (column 4 is cleared), and outputs 0-2 with
            // or without SMS: never the separator, never a byte above 0x77.
            fuzzCheck(c == 0 ? (u >= 0x30 && u <= 0x77 && ((u - 0x30) & ~0x47) == 0)
                             : (u >= 0x30 && u <= 0x3A && (u - 0x30) % 8 <= 2),
                      "code characters of this module's columns and outputs");
        } else if (layout.kind == Kind::Text && !isDisabledByLayout(layout.name)) {
            // The field checks passed it: 7-bit text without NUL.
            fuzzCheck(u >= 0x01 && u <= 0x7F, "checked texts are 7-bit");
        }
    }
}

// The module keeps the fields as they came and sends them back on a read-out, where line
// ends separate fields too: every field must come back as it went.
void checkReadBack(const QString& frame, const QStringList& sent)
{
    const Expected<QStringList> back = readout::split(readout::normalise(frame), kSeparator);
    if (!back) {
        QString detail = QString::asprintf(
            "%d fields come back", back.failure().details.value(QStringLiteral("count")).toInt());
        for (int i = 0; i < kFrameFields; ++i) {
            if (sent.at(i).contains(u'\r') || sent.at(i).contains(u'\n')) {
                detail += QString::asprintf("; field %d holds a line end: \"%s\"", i + 1,
                                            shown(sent.at(i)).constData());
                break;
            }
        }
        fail("the module reads its frame back as 56 fields", detail);
        return;
    }
    for (int i = 0; i < kFrameFields; ++i) {
        if (back->at(i) != sent.at(i)) {
            fail("every field reads back as sent",
                 QString::asprintf("field %d reads back as \"%s\", sent \"%s\"", i + 1,
                                   shown(back->at(i)).constData(), shown(sent.at(i)).constData()));
            return;
        }
    }
}

void checkFrame(const Configuration& config, const QString& frame)
{
    if (!fuzzCheck(frame.size() == kFrameFields * (kFieldWidth + 1), "56 fields of 16 characters"))
        return;
    QStringList sent;
    int telRow = 0;
    for (int i = 0; i < kFrameFields; ++i) {
        const FrameField& layout = frameFields().at(i);
        const QString field = frame.mid(i * (kFieldWidth + 1), kFieldWidth);
        fuzzCheck(frame.at(i * (kFieldWidth + 1) + kFieldWidth) == kSeparator,
                  "every field followed by the separator");
        fuzzCheck(!field.contains(kSeparator), "no separator inside a field");

        const QString expected = expectedField(config, layout, telRow);
        fuzzCheck(expected.size() <= kFieldWidth, "what a field carries fits in it");
        if (field != expected.leftJustified(kFieldWidth, u' ')) {
            fail("the frame carries the form",
                 QString::asprintf("field %d: \"%s\" instead of \"%s\"", i + 1,
                                   shown(field).constData(), shown(expected).constData()));
        }

        checkCharacters(layout, field);
        QString trimmed = field;
        while (trimmed.endsWith(u' '))
            trimmed.chop(1);
        sent << trimmed;
    }

    checkReadBack(frame, sent);
}

// Layout-disabled edits keep nothing of their own after a load: only the fixed signs.
void checkLoaded(const Configuration& config)
{
    for (const QString& name : analogEdits() + signEdits()) {
        const QString text = config.text(name);
        fuzzCheck(text.isEmpty() || text == QLatin1String("+"),
                  "disabled fields load empty or as the fixed sign");
    }
}

} // namespace

QByteArray defaultsFile()
{
    return QByteArray(reinterpret_cast<const char*>(kDefaultsFile), sizeof kDefaultsFile);
}

const Configuration& startState()
{
    static const Configuration start = [] {
        Configuration config = Configuration::connected();
        if (!config.load(configfile::decodeLines(defaultsFile()))) {
            std::fprintf(stderr, "the compiled-in defaults file holds too few lines\n");
            std::abort();
        }
        return config;
    }();
    return start;
}

QStringList sampleFields()
{
    QStringList fields{"36309888000", "1234", "0001", "Szivattyuhaz", "1", "0005", "5", "05",
                       "000",         "299",  "1",    "99999",        "",  "",     "",  ""};
    fields << "Analog alacsony"
           << "Analog magas"
           << "Analog vissza"
           << "Szamlalo"
           << ""
           << ""
           << "Analog 1"
           << "Analog 2";
    fields << "Fazis R"
           << "Fazis S"
           << "Fazis T"
           << "Bemenet 4"
           << "R kimaradt"
           << "S kimaradt"
           << "T kimaradt"
           << "Be4 aktiv"
           << "R visszajott"
           << "S visszajott"
           << "T visszajott"
           << "Be4 nyugalom";
    fields << "Kimenet 1 be"
           << "Kimenet 2 be"
           << "Kimenet 3 be"
           << "Kimenet 4 be"
           << "Kimenet 1 ki"
           << "Kimenet 2 ki"
           << "Kimenet 3 ki"
           << "Kimenet 4 ki";
    fields << "TORLES"
           << "RIASZTAS BE"
           << "RIASZTAS KI"
           << "";
    // Columns 1-4 and RING with output 1 and SMS; columns 1-2, no output, SMS; RING only,
    // output 2, no SMS; then five empty rows.
    fields << QStringLiteral("\x7F"
                             "136301234567")
           << QStringLiteral("3036209876543") << QStringLiteral("p:36701112233");
    for (int row = 4; row <= kRows; ++row)
        fields << QStringLiteral("08");
    return fields;
}

QByteArray reply(const QStringList& fields, char fill, const QByteArray& end)
{
    QByteArray bytes;
    for (const QString& field : fields)
        bytes += field.toLatin1().leftJustified(kFieldWidth, fill) + end;
    return bytes;
}

void checkForm(const Configuration& config)
{
    for (int row = 1; row <= kRows; ++row) {
        bool active = false;
        for (int column = 1; column <= 6; ++column)
            active = active || config.isChecked(gridBox(row, column));
        fuzzCheck(active ||
                      (!config.isChecked(gridBox(row, 7)) && !config.isChecked(gridBox(row, 8))),
                  "RING and SMS only in a row with an alarm column");

        int outputs = 0;
        for (int output = 0; output <= 4; ++output)
            outputs += config.isChecked(telRadio(row, output)) ? 1 : 0;
        fuzzCheck(outputs == 1, "one output chosen in every telephone row");
        fuzzCheck(!config.isChecked(telRadio(row, 3)) && !config.isChecked(telRadio(row, 4)),
                  "no output the module lacks");
    }
    fuzzCheck(config.isChecked(QStringLiteral("max_be_15")) !=
                  config.isChecked(QStringLiteral("max_be_30")),
              "one analog range");
    for (int n = 1; n <= 4; ++n) {
        fuzzCheck(config.isChecked(QStringLiteral("k%1").arg(n)) !=
                      config.isChecked(QStringLiteral("b%1").arg(n)),
                  "every output bistable or monostable");
    }
}

void checkDownload(const Configuration& config)
{
    Configuration sent = config;
    const Expected<QString> frame = fieldchecks::prepareDownload(sent, kSeparator);
    if (!frame && frame.failure().code == messages::Code::Unsendable) {
        fuzzCheck(false, "every checked form of this layout can be sent");
        return;
    }
    if (!frame) {
        checkRefusal(config, frame.failure());
        fuzzCheck(sent.lines() == config.lines(), "a refused download changes nothing");
        return;
    }

    // The download clears the columns this module lacks (4 is hidden, 5 and 6 are not its
    // own); a row left without an alarm column loses RING and SMS with them.
    Values expected = valuesOf(config);
    for (int row = 1; row <= kRows; ++row) {
        bool active = false;
        for (int column = 1; column <= 3; ++column)
            active = active || config.isChecked(gridBox(row, column));
        for (int column = 4; column <= 8; ++column) {
            if (column <= 6 || !active)
                expected[buttonIndex(gridBox(row, column))] = QStringLiteral("0");
        }
    }
    checkSame(valuesOf(sent), expected, "the download clears only the columns the module lacks");
    checkForm(sent);
    checkFrame(sent, *frame);
}

void checkSaves(const Configuration& config, Origin origin)
{
    const QStringList saved = config.lines();
    fuzzCheck(saved.size() == configfile::kValueLines, "a save holds every value");

    Configuration reopened = startState();
    fuzzCheck(reopened.load(saved).ok(), "a save opens");
    checkLoaded(reopened);
    checkForm(reopened);
    const QStringList savedAgain = reopened.lines();

    if (origin == Origin::File) {
        // The lines hold every widget's value, so the form reopens as it was; and the same
        // lines on the same start open the same form, so every later save is the same too.
        if (savedAgain != saved) {
            const qsizetype i = firstDifference(saved, savedAgain);
            fail("a file opened and saved saves the same lines",
                 QString::asprintf("line %d: \"%s\" saved as \"%s\"", int(i + 1),
                                   shown(saved.value(i)).constData(),
                                   shown(savedAgain.value(i)).constData()));
        }
    } else {
        // A file never carries the analog page or the fixed signs.
        checkSame(valuesOf(reopened), valuesOf(config),
                  "a saved read-out reopens as it was, but for the analog page",
                  isDisabledByLayout);
        Configuration third = startState();
        fuzzCheck(third.load(savedAgain).ok(), "a save opens again");
        fuzzCheck(third.lines() == savedAgain,
                  "open, save, open, save: the two saves are the same");
    }

    // What Save writes and Open reads: the bytes must give back every line.
    const QStringList read = configfile::decodeLines(configfile::encode(saved));
    if (read != saved) {
        const qsizetype i = firstDifference(saved, read);
        fail("a saved file reads back as its lines",
             QString::asprintf("line %d: \"%s\" reads back as \"%s\" (%d lines, the last \"%s\")",
                               int(i + 1), shown(saved.value(i)).constData(),
                               shown(read.value(i, QStringLiteral("<none>"))).constData(),
                               int(read.size()), shown(read.value(read.size() - 1)).constData()));
    }
}

} // namespace formfuzz
