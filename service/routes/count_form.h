#pragma once
// The body of an update-count request: the form field "data=" followed by the scan document,
// sent as it is (not URL-encoded).
#include <optional>
#include <string_view>

// The scan document of the body; nullopt when the body does not begin with "data=".
std::optional<std::string_view> CountFormDocument(std::string_view body);
