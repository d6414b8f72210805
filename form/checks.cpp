#include "form/checks.h"

#include "core/fieldrules.h"
#include "core/formorder.h"
#include "form/messagebox.h"
#include "ui_mainwindow.h"

#include <QCheckBox>
#include <QLineEdit>

#include <optional>

namespace checks {

namespace {

// Set from the moment a check refuses a field until its box has closed: focusing the
// refused field is itself a departure from the field the user was in.
bool refusing = false;

const QString inputError = QStringLiteral("Beviteli hiba");

struct Refusal
{
    QString title;
    QString text;
};

// Runs `rule` on each line edit of `names` in order; the first refusal empties the
// field, focuses it and explains, and ends the walk.
template <class Rule>
void walk(Ui::MainWindow& ui, QWidget* window, const QStringList& names, Rule rule)
{
    if (refusing || messagebox::isShowing())
        return;
    for (const QString& name : names) {
        auto* edit = ui.centralWidget->findChild<QLineEdit*>(name);
        if (!edit)
            continue;
        const std::optional<Refusal> refusal = rule(edit);
        if (!refusal)
            continue;
        refusing = true;
        edit->clear();
        edit->setFocus();
        messagebox::warning(window, refusal->title, refusal->text);
        refusing = false;
        return;
    }
}

std::optional<Refusal> separatorRule(const QString& text)
{
    // The module's frame separates fields with "|"; one inside a text would shift
    // every later field on the module.
    if (fieldrules::hasSeparator(text))
        return Refusal{inputError, QStringLiteral("A | karakter nem használható!")};
    return std::nullopt;
}

std::optional<Refusal> plainTextRule(const QString& text)
{
    if (!fieldrules::isPlainText(text))
        return Refusal{QStringLiteral("Hiba"), QStringLiteral("Ékezetek nem használhatóak!")};
    return separatorRule(text);
}

void textGroup(Ui::MainWindow& ui, QWidget* window, const QStringList& names)
{
    walk(ui, window, names, [](QLineEdit* edit) { return plainTextRule(edit->text()); });
}

} // namespace

void general(Ui::MainWindow& ui, QWidget* window)
{
    static const QStringList numeric{"m_pin", "m_id", "rele_time", "maxsms"};
    walk(ui, window, formorder::generalEdits(), [](QLineEdit* edit) -> std::optional<Refusal> {
        const QString name = edit->objectName();
        if (numeric.contains(name) && !fieldrules::isDigits(edit->text()))
            return Refusal{inputError, QStringLiteral("Csak számok adhatóak meg!")};
        if (name == QLatin1String("smskp") && !fieldrules::isTelephone(edit->text()))
            return Refusal{inputError, QStringLiteral("Csak valós telefonszám adható meg!")};
        if (name == QLatin1String("visszaallas")) {
            const QString text = edit->text();
            if (!text.isEmpty() && text != QLatin1String("0") && text != QLatin1String("1"))
                return Refusal{QStringLiteral("Input error"),
                               QStringLiteral("Az érték 0 vagy 1 lehet.")};
        }
        if (name == QLatin1String("m_id") && !edit->text().isEmpty())
            edit->setText(fieldrules::zeroFill(edit->text(), 4));
        return plainTextRule(edit->text());
    });
}

void telephone(Ui::MainWindow& ui, QWidget* window)
{
    // The "+" in front of each number is a field of its own (tplus_Y), taken by name:
    // a lone "+" typed into a number must be refused like any other "+".
    QStringList numbers;
    for (const QString& name : formorder::telEdits()) {
        if (!name.startsWith(QLatin1String("tplus_")))
            numbers << name;
    }
    walk(ui, window, numbers, [](QLineEdit* edit) -> std::optional<Refusal> {
        if (!fieldrules::isDigits(edit->text()))
            return Refusal{inputError, QStringLiteral("Csak valós telefonszámok adhatóak meg!")};
        return std::nullopt;
    });
}

void inputs(Ui::MainWindow& ui, QWidget* window)
{
    textGroup(ui, window, formorder::inputEdits());
}

void outputs(Ui::MainWindow& ui, QWidget* window)
{
    textGroup(ui, window, formorder::outputEdits());
}

void activation(Ui::MainWindow& ui, QWidget* window)
{
    textGroup(ui, window, formorder::activateEdits());
}

void selectProvider(Ui::MainWindow& ui)
{
    if (ui.smskp_combo->currentIndex() == fieldrules::kCustomProvider) {
        ui.smskp->setEnabled(true);
        ui.smskp->setFocus();
        return;
    }
    ui.smskp->setEnabled(false);
    ui.smskp->setText(fieldrules::providerNumber(ui.smskp_combo->currentIndex()));
}

bool gridPosition(const QWidget* box, int* row, int* column)
{
    const QString group = box->property("group").toString();
    bool rowOk = false;
    bool columnOk = false;
    *row = group.section(QLatin1Char('.'), 0, 0).toInt(&rowOk);
    *column = group.section(QLatin1Char('.'), -1).toInt(&columnOk);
    return rowOk && columnOk;
}

void permissionBoxes(Ui::MainWindow& ui)
{
    int masks[9] = {};
    const auto boxes = ui.g_tel->findChildren<QCheckBox*>();
    for (QCheckBox* box : boxes) {
        int row = 0;
        int column = 0;
        if (!gridPosition(box, &row, &column) || row < 1 || row > 8)
            continue;
        if (column >= 1 && column <= 6 && box->isChecked())
            masks[row] |= 1 << (column - 1);
    }
    // Unchecking a box below re-enters this function through its state change; the
    // RING and SMS boxes never count, so the nested run finds the same masks.
    for (int row = 1; row <= 8; ++row) {
        auto* ring = ui.g_tel->findChild<QCheckBox*>(QStringLiteral("cb_r_%1").arg(row));
        auto* sms = ui.g_tel->findChild<QCheckBox*>(QStringLiteral("cb_s_%1").arg(row));
        if (!ring || !sms)
            continue;
        if (masks[row] != 0) {
            ring->setEnabled(true);
            sms->setEnabled(true);
        } else {
            ring->setChecked(false);
            sms->setChecked(false);
            ring->setEnabled(false);
            sms->setEnabled(false);
        }
    }
}

} // namespace checks
