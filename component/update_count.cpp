#include "update_count.h"

#include "http_client.h"
#include "scan_document.h"

int32_t RequestUpdateCount(const std::string& serviceBaseUrl, const std::string& inventoryText)
{
    // The service reads the document raw: it is deliberately not form-encoded.
    const std::string form = "data=" + ScanDocument(kComponentFlavour).BuildDocument(inventoryText, 0);
    std::string header;
    std::string body;
    if (!HttpClient(kCountReplyLimit).Request(true, serviceBaseUrl + kUpdateCountPage, form, header, body))
        return kUpdateCountFailed;
    return ReadCount(body);
}
