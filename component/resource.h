#pragma once
// Resource identifiers of the library.
#define IDS_PROJNAME 100
#define IDR_KVENGINE 102
#define IDI_ENGINE 201
#define IDI_SCAN 202
