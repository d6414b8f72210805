#pragma once

#include <QString>

#include <array>

// The module's configuration as it travels on the line: 56 fields of 16 characters, in the
// same order in the read-out reply and in the download frame. This table is their one
// description; the frame and the filling of a configuration from a read-out both walk it.
namespace fieldmap {

constexpr int kFieldCount = 56;
constexpr int kFieldWidth = 16;
constexpr int kTelRows = 8;

enum class Kind {
    Text,        // a line edit's text, sent and read back as it is
    ZeroFilled,  // a line edit's text, sent "0"-filled to 4 characters, read back as it came
    OutputMask,  // b1 + 2 b2 + 4 b3 + 8 b4 in two digits; read back into b1..b4 / k1..k4
    AnalogRange, // "0" for the 15 V range, "1" for 30 V; read back from the first character
    Constant,    // always sent as `name`; a read-out puts the same digits into `parts`,
                 // whatever the module holds there
    Empty,       // 16 blanks; a read-out ignores it
    TelRow,      // two code characters, then the number of line edit `name` (t1 ... t8)
};

// A form field that shows a piece of a constant: its object name and its width.
struct Part
{
    const char* name = nullptr;
    int width = 0;
};

struct Field
{
    Kind kind;
    // What the form calls it ("Modul neve", "3. telefonszám"), for naming a field to the user.
    const char* caption = nullptr;
    const char* name = nullptr; // object name (Text, ZeroFilled, TelRow) or the constant
    std::array<Part, 2> parts{};
};

// Field 1 to field 56.
const std::array<Field, kFieldCount>& fields();

// Field `number`, counted from 1 as the module counts them.
const Field& field(int number);

// What the form calls field `number` ("Modul neve", "3. telefonszám"), for telling a user
// which field differs. Fields the form does not show get a name of their own.
QString caption(int number);

} // namespace fieldmap
