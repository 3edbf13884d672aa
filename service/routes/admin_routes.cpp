#include "admin_routes.h"

void AdminRoutes::Add(std::string target, Page page)
{
    pages_.emplace_back(std::move(target), std::move(page));
}

void AdminRoutes::Handle(const HttpRequest& request, HttpResponse& response) const
{
    for (const auto& [target, page] : pages_) {
        if (request.head.target != target)
            continue;
        if (request.head.method != "GET" && request.head.method != "HEAD") {
            Refuse(target, 405, response);
            response.fields.emplace_back("Allow", "GET, HEAD");
            return;
        }
        return page(request, response);
    }
    Refuse(request.head.target, 404, response);
}

std::vector<std::string> AdminRoutes::Targets() const
{
    std::vector<std::string> targets;
    for (const auto& route : pages_)
        targets.push_back(route.first);
    return targets;
}

void AdminRoutes::Refuse(const std::string&, int status, HttpResponse& response)
{
    response.status = status;
    response.SetContent(std::to_string(status) + " " + ReasonPhrase(status) + "\n", "text/plain; charset=utf-8");
}
