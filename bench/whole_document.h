#pragma once
// The whole scan document around an inventory text: the engine's BuildDocument on Windows;
// natively, where no scan identifier or Windows version can be had, the same assembly with
// fixed header values.
#include "scan_document.h"

#include <cstdint>
#include <string>

std::string WholeDocument(const ScanDocument& document, const std::string& inventoryText, int32_t itemCount);
