#include "app/windowrecord.h"

#include "form/messagebox.h"
#include "record/exchange.h"

WindowRecord::WindowRecord(QWidget* window)
    : m_window(window), m_location(record::locationFromEnvironment())
{
}

Expected<record::Record*> WindowRecord::open()
{
    if (m_record)
        return &*m_record;
    if (isOff())
        return Failure(messages::Code::RecordUnwritable,
                       QStringLiteral("Az előzmények rögzítése ki van kapcsolva."));
    // A record that could not be opened is not tried again for every exchange of the session.
    if (m_openFailure)
        return *m_openFailure;
    Expected<record::Record> opened = record::Record::open(m_location.path);
    if (!opened) {
        m_openFailure = opened.failure();
        return opened.failure();
    }
    m_record.emplace(std::move(*opened));
    return &*m_record;
}

record::Event WindowRecord::event(record::Operation operation, const QString& port)
{
    record::Event event = record::eventFor(operation, record::newId(), port);
    event.startedAt = QDateTime::currentDateTimeUtc();
    return event;
}

void WindowRecord::keep(record::Event& event)
{
    if (isOff())
        return;
    Expected<record::Record*> opened = open();
    const Expected<void> stored = opened ? (*opened)->add(event) : Expected<void>(opened.failure());
    if (!stored)
        warnOnce(stored.failure());
    else if (m_settled)
        m_settled();
}

bool WindowRecord::begin(record::Event& event)
{
    if (isOff())
        return true;
    Expected<record::Record*> opened = open();
    const Expected<void> stored =
        opened ? (*opened)->start(event) : Expected<void>(opened.failure());
    if (stored)
        return true;
    messagebox::critical(m_window, QStringLiteral("Hiba"),
                         QStringLiteral("A betöltés nem indult el, mert az előzmények közé nem "
                                        "menthető.\nA modulba semmi sem került.\n\n") +
                             stored.failure().message);
    return false;
}

void WindowRecord::finish(record::Event& event)
{
    if (isOff() || !m_record)
        return;
    if (const Expected<void> stored = m_record->finish(event); !stored)
        warnOnce(stored.failure());
    else if (m_settled)
        m_settled();
}

void WindowRecord::warnOnce(const Failure& failure)
{
    if (m_warned)
        return;
    m_warned = true;
    messagebox::warning(m_window, QStringLiteral("Előzmények"),
                        QStringLiteral("A modullal folytatott kapcsolat nem kerül az előzmények "
                                       "közé; a munka ettől folytatódik.\nEbben a munkamenetben "
                                       "ez az üzenet nem jelenik meg újra.\n\n") +
                            failure.message);
}
