// How the object registry reports a failed step: an error event with the
// step's context string and the failing call's own code.
#pragma once

#include "vekconfig/types.h"

namespace vek {

void ReportRegistryFailure(const WCHAR* context, LONG code);

}  // namespace vek
