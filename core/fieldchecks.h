#pragma once

#include "core/fields.h"

#include <QChar>
#include <QString>
#include <QStringList>

#include <optional>

class Configuration;

// The form's field checks as plain validation, and the checks the download runs before it
// builds its frame. The window runs a group's check when a field of the group is left and
// shows the refusal; the download and the command line run them all before anything is
// sent, so a value any check refuses never reaches a module.
namespace fieldchecks {

// A check walks one of the form's group boxes. These are the checked ones, in the order the
// download walks them; the analog page and the output modes have nothing to check.
using Group = fields::Group;
inline constexpr Group kGroups[] = {Group::General, Group::Telephone, Group::Inputs, Group::Outputs,
                                    Group::Activation};

// Why a field is refused: the field (object name; empty when none can be named), and the
// title and text of the box the window shows.
struct Refusal
{
    QString field;
    QString title;
    QString text;

    bool operator==(const Refusal& other) const
    {
        return field == other.field && title == other.title && text == other.text;
    }
};

// The line edits a group's check walks, in form order: those of its group box that have a
// rule (the "+" in front of each telephone number has none).
const QStringList& fieldsOf(Group group);
// The group whose check covers a line edit; nullopt for the analog page, which has none.
std::optional<Group> groupOf(const QString& edit);

// Walks the group's fields in form order and returns the first refusal. As the window's
// check does when a field is left, it zero-fills an identifier (m_id) to its width in
// `config` when the walk gets there with digits in it.
std::optional<Refusal> check(Group group, Configuration& config);
// The same without changing anything.
std::optional<Refusal> validate(Group group, const Configuration& config);
// Every group's check in turn; the first refusal.
std::optional<Refusal> validateAll(const Configuration& config);

// A field the download needs filled: a line edit of the general, analog, input, output or
// activation group that is enabled and not hidden by the layout.
bool isRequired(const Configuration& config, const QString& edit);

struct Download
{
    enum Outcome {
        Ready,      // frame holds what goes to the module
        Missing,    // a required field is empty
        Refused,    // a field check refuses a field
        Unsendable, // the frame would not reach the module as 56 fields
    };
    Outcome outcome = Ready;
    Refusal refusal; // when not Ready
    QString frame;   // when Ready
};

inline const QString kMissingText = QStringLiteral("Minden beviteli mezõ kitöltése kötelezõ!");
inline const QString kSeparatorText = QStringLiteral("A | karakter nem használható!");
inline const QString kLineBreakText = QStringLiteral("Sortörés nem használható!");

// What the download does before anything is sent: the completeness check, every group's
// field check, then the grid columns this module lacks (5, 6, and 4 while hidden) are cleared
// in `config` and the frame is built. Nothing but those columns changes.
Download prepareDownload(Configuration& config, QChar separator);

} // namespace fieldchecks
