#pragma once

#include "sim/simmodule.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <map>
#include <memory>

// A temporary device directory with simulated modules in it, for end-to-end tests.
//
//     SimFixture fixture;                 // VEXAGRID_DOSDEVICES now points at a new, empty map
//     SimModule* module = fixture.start("COM3");
//     QVERIFY(module);
//     ... run the exchange on "COM3", then check module->received(), ->writes() ...
//
// The directory is the whole port map while the fixture lives, so a test never reaches
// the machine's own ports. The destructor stops every module, removes the directory and
// gives VEXAGRID_DOSDEVICES back its old value. Use one fixture per test function.
class SimFixture
{
public:
    SimFixture();
    ~SimFixture();
    SimFixture(const SimFixture&) = delete;
    SimFixture& operator=(const SimFixture&) = delete;

    // False when the directory could not be made.
    bool isValid() const;
    QString deviceDirectory() const;

    // Starts a module registered as comName; nullptr (with a warning) when that fails.
    // The fixture owns it.
    SimModule* start(const QString& comName = QStringLiteral("COM3"));
    // The running module of that name, or nullptr.
    SimModule* module(const QString& comName) const;
    void stop(const QString& comName);
    void stopAll();

    // Puts an arbitrary entry into the map (a dangling link, a link to a file that is no
    // terminal, a badly named entry ...): a symlink named entryName pointing at target.
    bool addEntry(const QString& entryName, const QString& target);

private:
    QTemporaryDir m_directory;
    QByteArray m_previous;
    bool m_hadPrevious = false;
    std::map<QString, std::unique_ptr<SimModule>> m_modules;
};
