#include <windows.h>

#include "collect/priority.h"

namespace vemlo {

CyclePriority::CyclePriority() { ::SetPriorityClass(::GetCurrentProcess(), NORMAL_PRIORITY_CLASS); }
CyclePriority::~CyclePriority() { SetIdlePriority(); }
void SetIdlePriority() { ::SetPriorityClass(::GetCurrentProcess(), IDLE_PRIORITY_CLASS); }

}  // namespace vemlo
