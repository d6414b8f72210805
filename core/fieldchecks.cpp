#include "core/fieldchecks.h"

#include "core/configuration.h"
#include "core/downloadframe.h"
#include "core/fieldrules.h"

namespace fieldchecks {

namespace {

using fields::Rule;

const QString kInputError = QStringLiteral("Beviteli hiba");

using messages::Code;

Expected<void> refuse(const QString& field, const QString& title, const QString& text)
{
    return Refusal{field, title, text}.failure(Code::FieldRefused);
}

Expected<void> plainTextRule(const QString& field, const QString& text)
{
    if (!fieldrules::isPlainText(text))
        return refuse(field, QStringLiteral("Hiba"), QStringLiteral("Ékezetek nem használhatóak!"));
    // The module's frame separates fields with "|"; one inside a text would shift every
    // later field on the module.
    if (fieldrules::hasSeparator(text))
        return refuse(field, kInputError, kSeparatorText);
    // The module's read-out ends its fields with line breaks: one inside a text (a file can
    // bring it) would split the field when the module is read, or vanish from it.
    if (text.contains(u'\r') || text.contains(u'\n'))
        return refuse(field, kInputError, kLineBreakText);
    return {};
}

Expected<void> checkField(const fields::Field& field, Configuration& config, bool fill)
{
    const QString name = QLatin1String(field.name);
    const QString text = config.text(name);
    switch (field.rule) {
    case Rule::None:
        return {};
    case Rule::Number:
        if (!fieldrules::isDigits(text))
            return refuse(name, kInputError,
                          QStringLiteral("Csak valós telefonszámok adhatóak meg!"));
        return {};
    case Rule::Digits:
    case Rule::Identifier:
        if (!fieldrules::isDigits(text))
            return refuse(name, kInputError, QStringLiteral("Csak számok adhatóak meg!"));
        if (field.rule == Rule::Identifier && fill && !text.isEmpty())
            config.setText(name, fieldrules::zeroFill(text, field.zeroFill));
        break;
    case Rule::SmsCentre:
        if (!fieldrules::isTelephone(text))
            return refuse(name, kInputError, QStringLiteral("Csak valós telefonszám adható meg!"));
        break;
    case Rule::OnOff:
        if (!text.isEmpty() && text != QLatin1String("0") && text != QLatin1String("1"))
            return refuse(name, QStringLiteral("Input error"),
                          QStringLiteral("Az érték 0 vagy 1 lehet."));
        break;
    case Rule::Text:
        break;
    }
    return plainTextRule(name, config.text(name));
}

Expected<void> walk(Group group, Configuration& config, bool fill)
{
    for (const QString& name : fieldsOf(group)) {
        if (Expected<void> checked = checkField(*fields::find(name), config, fill); !checked)
            return checked;
    }
    return {};
}

} // namespace

Failure Refusal::failure(messages::Code code) const
{
    QString message = title + QStringLiteral(": ") + text;
    if (!field.isEmpty())
        message += QStringLiteral(" (%1)").arg(field);
    return Failure(code, message,
                   {{QStringLiteral("field"), field},
                    {QStringLiteral("title"), title},
                    {QStringLiteral("text"), text}});
}

Refusal Refusal::of(const Failure& failure)
{
    const QJsonObject& details = failure.details;
    return {details.value(QStringLiteral("field")).toString(),
            details.value(QStringLiteral("title")).toString(),
            details.value(QStringLiteral("text")).toString()};
}

const QStringList& fieldsOf(Group group)
{
    // By the group's value: every group of the form, those without a check walk nothing.
    static const QList<QStringList> walks = [] {
        QList<QStringList> list;
        for (const Group each : fields::kGroups) {
            QStringList names;
            for (const QString& name : fields::namesIn(each, fields::Widget::LineEdit)) {
                if (fields::find(name)->rule != Rule::None)
                    names << name;
            }
            list << names;
        }
        return list;
    }();
    return walks.at(int(group));
}

std::optional<Group> groupOf(const QString& edit)
{
    const fields::Field* field = fields::find(edit);
    if (!field || field->widget != fields::Widget::LineEdit)
        return std::nullopt;
    for (const Group group : kGroups) {
        if (group == field->group)
            return group;
    }
    return std::nullopt;
}

Expected<void> check(Group group, Configuration& config)
{
    return walk(group, config, true);
}

Expected<void> validate(Group group, const Configuration& config)
{
    Configuration copy = config;
    return walk(group, copy, false);
}

Expected<void> validateAll(const Configuration& config)
{
    for (const Group group : kGroups) {
        if (Expected<void> checked = validate(group, config); !checked)
            return checked;
    }
    return {};
}

bool isRequired(const Configuration& config, const QString& edit)
{
    // An empty telephone number is allowed: the row simply has no number.
    const fields::Field* field = fields::find(edit);
    return field && field->widget == fields::Widget::LineEdit && field->group != Group::Telephone &&
           config.isEnabled(edit) && !config.isHidden(edit);
}

Expected<QString> prepareDownload(Configuration& config, QChar separator)
{
    for (const QString& edit : fields::allEdits()) {
        if (config.text(edit).isEmpty() && isRequired(config, edit))
            return Refusal{edit, QStringLiteral("Hiba"), kMissingText}.failure(Code::FieldMissing);
    }
    if (Expected<void> checked = validateAll(config); !checked)
        return checked.failure();

    // The hidden grid columns belong to modules with more phases. A file or a read-out can
    // still check such a box; left checked, column 4 would add its bit to the row's code
    // character, and with columns 3, 4 and 7 that character is the separator itself.
    for (const QString& box : fields::allBoxes()) {
        if (config.isHidden(box))
            config.setChecked(box, false);
    }
    Expected<QString> frame = frame::build(config.values(), separator);
    // build() refuses a frame the module would read shifted; the window says why in the
    // words of the separator rule.
    if (!frame)
        return Refusal{QString(), QStringLiteral("Hiba"), kSeparatorText}.failure(Code::Unsendable);
    return frame;
}

} // namespace fieldchecks
