#pragma once

#include "record/event.h"

#include <QDialog>
#include <QHash>

#include <functional>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
namespace record {
class Record;
}

// "Előzmények": the record's events, newest first, with a filter over what the list shows.
// One event selected: its facts and its configuration as a person reads it. Two selected:
// how their configurations differ. The recorded configuration can be put on the form or
// saved as a file.
class HistoryDialog : public QDialog
{
    Q_OBJECT

public:
    // Puts a recorded configuration's file lines on the form, under `name`.
    using OpenOnForm = std::function<void(const QStringList& lines, const QString& name)>;

    // `moduleId`: the connected module's events are listed first (the user may ask for
    // every module's); "" lists every event.
    HistoryDialog(record::Record& record, const QString& moduleId, OpenOnForm openOnForm,
                  QWidget* parent = nullptr);

    // The most events the list holds, the newest ones.
    static constexpr int kListLimit = 5000;

private:
    void build();
    // The widgets in their places: the scope and the filter above, the list beside the
    // details, the buttons below.
    void lay();
    void reload();
    void applyFilter();
    void showSelection();
    void showOne(const record::Event& event);
    void showDifferences(const record::Event& older, const record::Event& newer);
    void setDetailColumns(const QStringList& titles);
    QList<record::Event> selectedEvents() const;
    std::optional<QStringList> configurationOf(const record::Event& event);
    void openSelected();
    void saveSelected();

    record::Record& m_record;
    QString m_moduleId;
    OpenOnForm m_openOnForm;
    QList<record::Event> m_events;
    QHash<QString, QString> m_moduleNames;

    QLabel* m_scope = nullptr;
    QCheckBox* m_allModules = nullptr;
    QLineEdit* m_filter = nullptr;
    QTreeWidget* m_list = nullptr;
    QLabel* m_facts = nullptr;
    QTreeWidget* m_details = nullptr;
    QPushButton* m_open = nullptr;
    QPushButton* m_save = nullptr;
};
