#include "app/dlthread.h"

#include <QProgressBar>

dlThread::dlThread(const ProgramSettings& settings, QProgressBar* bar)
    : m_bar(bar), m_settings(settings)
{
}

dlThread::~dlThread()
{
    wait();
}

void dlThread::setRange(int maximum)
{
    QProgressBar* bar = m_bar;
    if (!bar)
        return;
    QMetaObject::invokeMethod(
        bar,
        [bar, maximum] {
            bar->setRange(0, maximum);
            bar->reset();
        },
        Qt::QueuedConnection);
}

void dlThread::setValue(int value)
{
    QProgressBar* bar = m_bar;
    if (!bar)
        return;
    QMetaObject::invokeMethod(
        bar, [bar, value] { bar->setValue(value); }, Qt::QueuedConnection);
}

void dlThread::run()
{
    m_result = transfer();
}

conversation::Result dlThread::transfer()
{
    conversation::WriteProgress progress;
    progress.started = [this](int maximum) { setRange(maximum); };
    progress.value = [this](int value) { setValue(value); };
    return conversation::writeFrame(m_settings.port, m_settings.downloadText,
                                    m_settings.downloadSeparator, m_settings.ackChar, progress);
}
