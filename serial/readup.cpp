#include "serial/readup.h"

#include "form/formcontext.h"

namespace readup {

void run(FormContext& context)
{
    (void)context;
}

} // namespace readup
