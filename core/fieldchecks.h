#pragma once

#include "core/failure.h"
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
// title and text of the box the window shows. A check's Failure carries them as its details
// "field", "title" and "text"; this is their typed view.
struct Refusal
{
    QString field;
    QString title;
    QString text;

    // The refusal as a failure with `code`: the command line's words, "Beviteli hiba: Csak
    // számok adhatóak meg! (m_id)" (no field in brackets when none is named).
    Failure failure(messages::Code code) const;
    // The refusal a failure of these checks carries.
    static Refusal of(const Failure& failure);

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

// Walks the group's fields in form order; the first refusal fails it (FieldRefused, the
// refusal in the details). As the window's check does when a field is left, it zero-fills an
// identifier (m_id) to its width in `config` when the walk gets there with digits in it.
Expected<void> check(Group group, Configuration& config);
// The same without changing anything.
Expected<void> validate(Group group, const Configuration& config);
// Every group's check in turn; the first refusal.
Expected<void> validateAll(const Configuration& config);

// A field the download needs filled: a line edit of the general, analog, input, output or
// activation group that is enabled and not hidden by the layout.
bool isRequired(const Configuration& config, const QString& edit);

inline const QString kMissingText = QStringLiteral("Minden beviteli mezõ kitöltése kötelezõ!");
inline const QString kSeparatorText = QStringLiteral("A | karakter nem használható!");
inline const QString kLineBreakText = QStringLiteral("Sortörés nem használható!");

// What the download does before anything is sent: the completeness check, every group's
// field check, then the grid columns this module lacks (5, 6, and 4 while hidden) are cleared
// in `config` and the frame is built. Nothing but those columns changes. The frame, or the
// refusal (see Refusal::of) with its code: FieldMissing (a required field is empty),
// FieldRefused (a field check refuses a field; `config` untouched) or Unsendable (the frame
// would not reach the module as 56 fields; the columns are cleared).
Expected<QString> prepareDownload(Configuration& config, QChar separator);

} // namespace fieldchecks
