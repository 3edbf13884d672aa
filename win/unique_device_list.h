#pragma once
// UniqueDeviceList: owns one device information list and destroys it.
#include "unique_handle.h"

#include <setupapi.h>

using UniqueDeviceList = UniqueHandle<HDEVINFO, &SetupDiDestroyDeviceInfoList, InvalidHandle>;
