#pragma once
// UniqueBstr: owns one BSTR and frees it with SysFreeString.
#include "unique_handle.h"

#include <oleauto.h>

using UniqueBstr = UniqueHandle<BSTR, &SysFreeString>;
