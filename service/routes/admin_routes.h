#pragma once
// The addresses of the admin listener, for operators only: each an exact target answered to GET
// and HEAD by a page of its own, added by what the service puts together (metrics, health and
// readiness, and whatever page comes next).
#include "http_server.h"

#include <functional>
#include <string>
#include <vector>

class AdminRoutes {
public:
    using Page = std::function<void(const HttpRequest&, HttpResponse&)>;

    void Add(std::string target, Page page);
    void Handle(const HttpRequest& request, HttpResponse& response) const;
    // The targets added, for counting requests apart.
    std::vector<std::string> Targets() const;
    // A refusal as plain text: operators' tools read it, no browser.
    static void Refuse(const std::string& target, int status, HttpResponse& response);

private:
    std::vector<std::pair<std::string, Page>> pages_;
};
