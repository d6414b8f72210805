#include "fleet/observer.h"

namespace fleet {

Observer& Observer::none()
{
    static Observer nothing;
    return nothing;
}

} // namespace fleet
