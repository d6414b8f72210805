#pragma once

#include "core/messages.h"
#include "device/conversations.h"

#include <QString>

// The program's words for how an exchange with a module ended, for the window's box and for
// the command line's result line and code: one table, read by both. A port that did not open
// is explained with the words of device/porttexts.
namespace outcomes {

struct Words
{
    messages::Code code = messages::Code::None; // Code::None for success
    QString title;  // the window's box; "" where the window shows none (success, cancel)
    QString window; // its text: the window's own, then why the port did not open
    QString line;   // the command line's text, on one line
};

Words of(const conversation::Result& result);

// The exchange's failure (conversation::Result::failure()): the code and the line of its
// Words, and for a port that did not open the details "reason" and "systemError".
Failure failureOf(const conversation::Result& result);

// "nem nyitható meg: nincs jogosultság. Megoldás: ..." for a port that did not open.
QString openFailure(const PortMap::PortState& port);

} // namespace outcomes
