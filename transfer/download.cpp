#include "transfer/download.h"

#include "form/formcontext.h"

namespace download {

void run(FormContext& context)
{
    (void)context;
}

} // namespace download
