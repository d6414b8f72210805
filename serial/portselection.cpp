#include "serial/portselection.h"

#include "form/formcontext.h"

namespace portselection {

void run(FormContext& context, bool searchAtOnce)
{
    (void)context;
    (void)searchAtOnce;
}

} // namespace portselection
