#include "core/fieldchecks.h"

#include "core/configuration.h"
#include "core/fieldrules.h"
#include "core/formorder.h"

namespace fieldchecks {

namespace {

const QString kInputError = QStringLiteral("Beviteli hiba");

std::optional<Refusal> refuse(const QString& field, const QString& title, const QString& text)
{
    return Refusal{field, title, text};
}

std::optional<Refusal> separatorRule(const QString& field, const QString& text)
{
    // The module's frame separates fields with "|"; one inside a text would shift every
    // later field on the module.
    if (fieldrules::hasSeparator(text))
        return refuse(field, kInputError, kSeparatorText);
    return std::nullopt;
}

std::optional<Refusal> plainTextRule(const QString& field, const QString& text)
{
    if (!fieldrules::isPlainText(text))
        return refuse(field, QStringLiteral("Hiba"), QStringLiteral("Ékezetek nem használhatóak!"));
    return separatorRule(field, text);
}

std::optional<Refusal> generalRule(const QString& field, Configuration& config, bool fill)
{
    static const QStringList numeric{"m_pin", "m_id", "rele_time", "maxsms"};
    const QString text = config.text(field);
    if (numeric.contains(field) && !fieldrules::isDigits(text))
        return refuse(field, kInputError, QStringLiteral("Csak számok adhatóak meg!"));
    if (field == QLatin1String("smskp") && !fieldrules::isTelephone(text))
        return refuse(field, kInputError, QStringLiteral("Csak valós telefonszám adható meg!"));
    if (field == QLatin1String("visszaallas") && !text.isEmpty() && text != QLatin1String("0") &&
        text != QLatin1String("1"))
        return refuse(field, QStringLiteral("Input error"),
                      QStringLiteral("Az érték 0 vagy 1 lehet."));
    if (field == QLatin1String("m_id") && !text.isEmpty() && fill)
        config.setText(field, fieldrules::zeroFill(text, 4));
    return plainTextRule(field, config.text(field));
}

std::optional<Refusal> walk(Group group, Configuration& config, bool fill)
{
    for (const QString& field : fieldsOf(group)) {
        const QString text = config.text(field);
        std::optional<Refusal> refusal;
        switch (group) {
        case Group::General:
            refusal = generalRule(field, config, fill);
            break;
        case Group::Telephone:
            if (!fieldrules::isDigits(text))
                refusal = refuse(field, kInputError,
                                 QStringLiteral("Csak valós telefonszámok adhatóak meg!"));
            break;
        case Group::Inputs:
        case Group::Outputs:
        case Group::Activation:
            refusal = plainTextRule(field, text);
            break;
        }
        if (refusal)
            return refusal;
    }
    return std::nullopt;
}

} // namespace

const QStringList& fieldsOf(Group group)
{
    // The "+" in front of each telephone number is a field of its own (tplus_Y), left out
    // by name: a lone "+" typed into a number must be refused like any other "+".
    static const QStringList numbers = formorder::telEdits().mid(0, 8);
    switch (group) {
    case Group::General:
        return formorder::generalEdits();
    case Group::Telephone:
        return numbers;
    case Group::Inputs:
        return formorder::inputEdits();
    case Group::Outputs:
        return formorder::outputEdits();
    case Group::Activation:
        return formorder::activateEdits();
    }
    return numbers;
}

std::optional<Group> groupOf(const QString& edit)
{
    for (const Group group : kGroups) {
        if (fieldsOf(group).contains(edit))
            return group;
    }
    if (formorder::telEdits().contains(edit))
        return Group::Telephone;
    return std::nullopt;
}

std::optional<Refusal> check(Group group, Configuration& config)
{
    return walk(group, config, true);
}

std::optional<Refusal> validate(Group group, const Configuration& config)
{
    Configuration copy = config;
    return walk(group, copy, false);
}

std::optional<Refusal> validateAll(const Configuration& config)
{
    for (const Group group : kGroups) {
        if (std::optional<Refusal> refusal = validate(group, config))
            return refusal;
    }
    return std::nullopt;
}

bool isRequired(const Configuration& config, const QString& edit)
{
    static const QStringList candidates = formorder::generalEdits() + formorder::analogEdits() +
                                          formorder::inputEdits() + formorder::outputEdits() +
                                          formorder::activateEdits();
    return candidates.contains(edit) && config.isEnabled(edit) && !config.isHidden(edit);
}

Download prepareDownload(Configuration& config, QChar separator)
{
    Download result;
    for (const QString& edit : formorder::allEdits()) {
        if (config.text(edit).isEmpty() && isRequired(config, edit)) {
            result.outcome = Download::Missing;
            result.refusal = {edit, QStringLiteral("Hiba"), kMissingText};
            return result;
        }
    }
    if (std::optional<Refusal> refusal = validateAll(config)) {
        result.outcome = Download::Refused;
        result.refusal = *refusal;
        return result;
    }

    // Columns 5 and 6 belong to modules with more phases, and so does column 4 while the
    // layout hides it. A file or a read-out can still check such a box; left checked, it
    // would add its bit to the row's code character, and with columns 3, 4 and 7 that
    // character is the separator itself.
    for (const QString& box : formorder::telBoxes()) {
        const int column = formorder::gridPosition(box).column;
        if (column == 5 || column == 6 || (column == 4 && config.isHidden(box)))
            config.setChecked(box, false);
    }
    result.frame = frame::build(config.frameValues(), separator);
    // build() gives nothing rather than a frame the module would read shifted.
    if (result.frame.isEmpty()) {
        result.outcome = Download::Unsendable;
        result.refusal = {QString(), QStringLiteral("Hiba"), kSeparatorText};
    }
    return result;
}

} // namespace fieldchecks
