#pragma once
// Asks the service how many updates it has for an inventory.
#include "count_reply.h"

#include <cstddef>
#include <cstdint>
#include <string>

// The service's page that counts updates, below its base address.
inline constexpr char kUpdateCountPage[] = "/count_updates.php";

// The longest reply to the count request that is read, header and body together. The answer is a
// few digits and a real server's header a few hundred bytes; 64 KB leaves room for any header a
// server or proxy adds and for an error page, while a server that sends without end costs the
// object only this much memory and the time to receive it.
inline constexpr std::size_t kCountReplyLimit = std::size_t{64} * 1024;

// Wraps the inventory text in a scan document (device count 0, no e-mail or password; the
// document's file copy is written too), posts it as the form field "data" to the count page of
// serviceBaseUrl (for example "http://host:8077") and returns the number the reply body starts
// with (0 when it starts with none), or kUpdateCountFailed when the request could not be made or
// the reply was longer than kCountReplyLimit.
// Blocks until the service closes the connection.
int32_t RequestUpdateCount(const std::string& serviceBaseUrl, const std::string& inventoryText);
