#pragma once
// The catalog that a new catalog file starts with (sample-catalog.txt, built in).
#include <string_view>

std::string_view SampleCatalogText();
