#pragma once
// The update count as the service's reply body gives it.
#include <cstdint>
#include <string_view>

// Values of the update count that are not the service's answer.
inline constexpr int32_t kUpdateCountPending = -1;  // a request is under way, or none came back in time
inline constexpr int32_t kUpdateCountFailed = -2;   // the request could not be made

// Reads the body as atoi does: white space skipped, an optional sign, decimal digits; no
// number gives 0. A number beyond 32 bits saturates at the nearest limit.
int32_t ReadCount(std::string_view body);
