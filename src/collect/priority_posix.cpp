#include "collect/priority.h"

namespace vemlo {

// On Linux an unprivileged process that lowers its priority cannot raise it
// again, so the collector keeps the priority it was started with (a service
// unit sets Nice= or an idle scheduling class for it).
CyclePriority::CyclePriority() {}
CyclePriority::~CyclePriority() {}
void SetIdlePriority() {}

}  // namespace vemlo
