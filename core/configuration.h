#pragma once

#include "core/failure.h"
#include "core/fields.h"
#include "core/readoutcodec.h"

#include <QHash>
#include <QString>
#include <QStringList>

// The configuration form without its widgets: the values of its 58 line edits, 64 check
// boxes and 50 radio buttons (the 172 values a configuration file holds, in form order), the
// SMS-centre provider chosen in the list, and whether a module has been connected. The form
// is always laid out for the VexaGrid-3, so which fields are disabled or hidden follows from
// the field table and these values alone.
//
// Every rule of the form that decides a value lives here, once: the fresh form, the layout,
// loading a file, the saved lines, filling from a read-out, the RING/SMS boxes of a telephone
// row and the provider selection. The window takes a Configuration out of its widgets, applies
// a rule and puts the result back (form/bindings); the command line works on a Configuration
// alone. The field checks and the download's checks work on it too (core/fieldchecks).
//
// The setters act like code setting a widget: a text is cut to the field's maximum length;
// checking a radio button unchecks the others of its exclusive group, and unchecking the
// checked one does nothing; every change of a grid box re-applies the RING/SMS rule; a new
// provider writes its SMS-centre number. None of them looks at whether a field is enabled.
class Configuration
{
public:
    // The window as it starts: the form's initial values, laid out, locked.
    static Configuration fresh();
    // The window right after a module was identified, before the defaults file is read.
    static Configuration connected();
    // Exactly these values (as the window's widgets hold them), no rule applied; a name
    // not given keeps its fresh value.
    static Configuration fromState(const QHash<QString, QString>& texts,
                                   const QHash<QString, bool>& checked, int provider,
                                   bool unlocked);

    // --- Values -----------------------------------------------------------------------
    QString text(const QString& edit) const;
    bool isChecked(const QString& button) const; // a check box or a radio button
    int provider() const { return m_provider; }  // index in the provider list, 3 = "Egyéni"
    bool isUnlocked() const { return m_unlocked; }
    const fields::Values& values() const { return m_values; }

    void setText(const QString& edit, const QString& text);
    void setChecked(const QString& button, bool checked);
    // As choosing an item of the provider list: nothing happens when it is already chosen.
    void selectProvider(int index);
    void setUnlocked(bool unlocked) { m_unlocked = unlocked; }

    // --- What the layout and the rules make of them -------------------------------------
    // Enabled as the widget would be: nothing while locked, otherwise isEnabledInLayout().
    bool isEnabled(const QString& name) const;
    // Enabled once the window is unlocked: never a field the layout disables (the analog
    // page, the fixed "+" fields, outputs 3 and 4 of a telephone row); the SMS centre only
    // for a custom number; a row's RING and SMS boxes only while one of its alarm columns is
    // on; every other field.
    bool isEnabledInLayout(const QString& name) const;
    // Hidden by the VexaGrid-3 layout: input 4, outputs 3 and 4, grid columns 4 to 6.
    bool isHidden(const QString& name) const;
    // A telephone row (1..8) with at least one alarm column (1..6) checked.
    bool isRowActive(int row) const;

    // --- The rules the window applies to its widgets ------------------------------------
    // A row without an alarm column can neither ring nor text: its RING and SMS boxes clear.
    void applyPermissionRule();
    // The SMS centre follows the provider chosen in the list, unless it is "Egyéni".
    void applyProvider();
    // What laying the form out for the VexaGrid-3 does to its values: the hidden grid columns
    // clear (and with them the RING/SMS boxes of a row left without a column), and a row whose
    // output the module lacks falls back to "none" (an exclusive group cannot simply uncheck
    // its checked button).
    void applyLayout();

    // --- Configuration files ------------------------------------------------------------
    // The 172 lines of a saved file, in form order.
    QStringList lines() const { return m_values.lines(); }
    // Loads the lines of a file (or the defaults file) as the window's loader does: a field
    // the layout disables loads empty unless its line is "+" (or it is the SMS centre); a
    // box or button is checked only when its line is "1" and it is enabled at that moment;
    // then the provider follows the SMS-centre number. Lines after the 172nd are not looked
    // at. Fewer than 172 lines change nothing: FileTooShort, "túl rövid: 12 sor, egy
    // konfigurációs fájl 172 sorból áll (régebbi vagy csonka fájl).", details "lines".
    Expected<void> load(const QStringList& lines);

    // --- The module's read-out --------------------------------------------------------
    // Fills the form from the 56 fields of a read-out reply. A row's output that the layout
    // disables (3, 4) or that no button stands for shows "none"; columns 5 and 6 end clear.
    void fillFromReadOut(const QStringList& record);

    bool operator==(const Configuration& other) const;
    bool operator!=(const Configuration& other) const { return !(*this == other); }

private:
    Configuration();
    // The grid's boxes and each row's output from the rows of a read-out.
    void fillRows(const std::array<readout::TelRow, fields::kTelRows>& rows);

    fields::Values m_values;
    int m_provider = 0;
    bool m_unlocked = false;
};
