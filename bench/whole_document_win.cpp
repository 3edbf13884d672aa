#include "whole_document.h"

std::string WholeDocument(const ScanDocument& document, const std::string& inventoryText, int32_t itemCount)
{
    return document.BuildDocument(inventoryText, itemCount);
}
