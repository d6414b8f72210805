#include "serial/statusquery.h"

#include "form/formcontext.h"

namespace statusquery {

void run(FormContext& context)
{
    (void)context;
}

} // namespace statusquery
