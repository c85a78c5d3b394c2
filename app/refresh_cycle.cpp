#include "app/refresh_cycle.h"

#include "news/feed.h"
#include "news/http.h"
#include "news/servers.h"

namespace app {

TRefreshCycle::TRefreshCycle(platform::HWND Window, const news::TServers& Servers)
    : FWorker(std::make_unique<news::TInternetThread>(Window, news::WM_NEWSDONE,
                                                      news::InternetHandle)) {
    FWorker->Request->SetField(news::HostField, Servers.News);
    FWorker->Request->SetField(news::PathField, news::NewsRequestPath());
    FWorker->Resume();
}

TRefreshCycle::~TRefreshCycle() = default;

std::string TRefreshCycle::TakeDocument(platform::LPARAM Result) {
    if (Result == news::SendFailed)
        return {};
    const std::string text = news::ResponseText(*FWorker->Request->Response);
    return text.empty() ? text : news::ConvertNews(text);
}

} // namespace app
