// The class the test plugin implements.
#pragma once

#include "vekconfig/com_runtime.h"

// {5E1A0C3D-7B42-4E8F-9A11-2C3D4E5F6071}
constexpr CLSID kTestPrinterClass = {0x5E1A0C3D, 0x7B42, 0x4E8F,
                                     {0x9A, 0x11, 0x2C, 0x3D, 0x4E, 0x5F, 0x60, 0x71}};
