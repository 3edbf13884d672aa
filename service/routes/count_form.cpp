#include "count_form.h"

std::optional<std::string_view> CountFormDocument(std::string_view body)
{
    constexpr std::string_view kField = "data=";
    if (body.substr(0, kField.size()) != kField)
        return std::nullopt;
    return body.substr(kField.size());
}
