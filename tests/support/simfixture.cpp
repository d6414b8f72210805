#include "tests/support/simfixture.h"

#include <QDebug>
#include <QFile>

SimFixture::SimFixture()
{
    m_hadPrevious = qEnvironmentVariableIsSet("VEXAGRID_DOSDEVICES");
    m_previous = qgetenv("VEXAGRID_DOSDEVICES");
    if (m_directory.isValid()) {
        qputenv("VEXAGRID_DOSDEVICES", QFile::encodeName(m_directory.path()));
    }
}

SimFixture::~SimFixture()
{
    stopAll();
    if (m_hadPrevious) {
        qputenv("VEXAGRID_DOSDEVICES", m_previous);
    } else {
        qunsetenv("VEXAGRID_DOSDEVICES");
    }
}

bool SimFixture::isValid() const
{
    return m_directory.isValid();
}

QString SimFixture::deviceDirectory() const
{
    return m_directory.path();
}

SimModule* SimFixture::start(const QString& comName)
{
    const QString key = comName.toUpper();
    if (!isValid() || m_modules.count(key) != 0) {
        qWarning() << "SimFixture: cannot start a second" << key;
        return nullptr;
    }
    auto module = std::make_unique<SimModule>();
    QString error;
    if (!module->start(key, m_directory.path(), &error)) {
        qWarning() << "SimFixture: cannot start" << key << error;
        return nullptr;
    }
    SimModule* started = module.get();
    m_modules[key] = std::move(module);
    return started;
}

SimModule* SimFixture::module(const QString& comName) const
{
    const auto found = m_modules.find(comName.toUpper());
    return found == m_modules.end() ? nullptr : found->second.get();
}

void SimFixture::stop(const QString& comName)
{
    m_modules.erase(comName.toUpper());
}

void SimFixture::stopAll()
{
    m_modules.clear();
}

bool SimFixture::addEntry(const QString& entryName, const QString& target)
{
    return isValid() && QFile::link(target, m_directory.path() + QLatin1Char('/') + entryName);
}
