// The whole public API of the VEK configuration library.
#pragma once

#include "vekconfig/types.h"
#include "vekconfig/com.h"
#include "vekconfig/text.h"
#include "vekconfig/registry.h"
#include "vekconfig/storage.h"
#include "vekconfig/settings.h"
#include "vekconfig/config_files.h"
#include "vekconfig/events.h"
