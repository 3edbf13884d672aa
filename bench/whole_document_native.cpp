#include "whole_document.h"

#include "scan_document_layout.h"

std::string WholeDocument(const ScanDocument& document, const std::string& inventoryText, int32_t itemCount)
{
    return AssembleDocument({"{00000000-0000-0000-0000-000000000000}", "6", document.email, document.password},
                            inventoryText, itemCount);
}
