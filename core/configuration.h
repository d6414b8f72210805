#pragma once

#include "core/downloadframe.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

// The configuration form without its widgets: the values of its 58 line edits, 64 check
// boxes and 50 radio buttons by object name (the 172 values a configuration file holds, in
// form order), the SMS-centre provider chosen in the list, and whether a module has been
// connected. The form is always laid out for the VexaGrid-3, so which fields are disabled
// or hidden follows from these values alone.
//
// Every rule of the form that decides a value lives here, once: the fresh form, loading a
// file, the saved lines, filling from a read-out, the RING/SMS boxes of a telephone row, the
// provider selection, the field checks and the download's checks and frame. The window
// takes a Configuration out of its widgets, applies a rule and puts the result back; the
// command line works on a Configuration alone.
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

    // Fields the VexaGrid-3 layout hides, and those it disables whatever the values (the
    // analog page, the fixed "+" signs, outputs 3 and 4 of the telephone rows).
    static const QStringList& hiddenFields();
    static bool isDisabledByLayout(const QString& name);

    // --- Values -----------------------------------------------------------------------
    QString text(const QString& edit) const;
    bool isChecked(const QString& button) const; // a check box or a radio button
    int provider() const { return m_provider; }  // index in the provider list, 3 = "Egyéni"
    bool isUnlocked() const { return m_unlocked; }

    void setText(const QString& edit, const QString& text);
    void setChecked(const QString& button, bool checked);
    // As choosing an item of the provider list: nothing happens when it is already chosen.
    void selectProvider(int index);
    void setUnlocked(bool unlocked) { m_unlocked = unlocked; }

    // --- What the layout and the rules make of them -------------------------------------
    // Enabled as the widget would be: nothing while locked; never the analog page, the
    // fixed "+" fields, outputs 3 and 4 of a telephone row; the SMS centre only for a
    // custom number; a row's RING and SMS boxes only while one of its alarm columns is on.
    bool isEnabled(const QString& name) const;
    // Hidden by the VexaGrid-3 layout: input 4, outputs 3 and 4, grid columns 4 to 6.
    bool isHidden(const QString& name) const;
    // A telephone row (1..8) with at least one alarm column (1..6) checked.
    bool isRowActive(int row) const;

    // --- Configuration files ------------------------------------------------------------
    // The 172 lines of a saved file, in form order.
    QStringList lines() const;
    // Loads the lines of a file (or the defaults file) as the window's loader does: a field
    // the layout disables loads empty unless its line is "+" (or it is the SMS centre); a
    // box or button is checked only when its line is "1" and it is enabled at that moment;
    // then the provider follows the SMS-centre number. False, and nothing changed, when there
    // are fewer than 172 lines. Lines after the 172nd are not looked at.
    bool load(const QStringList& lines);

    // --- The module's read-out --------------------------------------------------------
    // Fills the form from the 56 fields of a read-out reply. A row's output that the layout
    // disables (3, 4) or that no button stands for shows "none"; columns 5 and 6 end clear.
    void fillFromReadOut(const QStringList& fields);

    // What the download frame is built from.
    frame::FormValues frameValues() const;

    bool operator==(const Configuration& other) const;
    bool operator!=(const Configuration& other) const { return !(*this == other); }

private:
    Configuration();
    void applyPermissionRule();

    QHash<QString, QString> m_texts;
    QHash<QString, bool> m_checked;
    int m_provider = 0;
    bool m_unlocked = false;
};
