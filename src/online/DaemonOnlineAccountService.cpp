#include <cstdlib>

#include "assetdb/requests/VADOnlineRequests.h"
#include "assetdb/requests/VADSettings.h"
#include "assetdb/urls/VADUrlRequest.h"
#include "foundation/network/URLRecord.h"
#include "online/OnlineAccountService.h"

namespace {

constexpr const char* kSettings = "internet";
constexpr const char* kHostKey = "online-service-host";
constexpr const char* kPortKey = "online-service-port";
// There is no public service behind this name; a real installation sets
// the host in its settings.
constexpr const char* kDefaultHost = "messaging.vorlex.invalid";
constexpr int kDefaultPort = 5251;

class DaemonSignInRequest : public OnlineSignInRequest {
public:
    explicit DaemonSignInRequest(VADUrlRequest* request) : m_request(request) {}
    ~DaemonSignInRequest() override {
        m_request->Release();
        delete m_request;
    }
    bool IsComplete() override { return m_request->IsComplete(); }
    int32_t ResultCode() override { return m_request->GetResultCode(); }

private:
    VADUrlRequest* m_request;
};

class DaemonAccountService : public OnlineAccountService {
public:
    Vek::String GetProfileName() override { return VADGetOnlineProfile().first; }
    Vek::String GetAuthenticationToken() override { return VADGetOnlineText(); }
    void NotifyLoginRefused() override { VADPostOnlineNotice(); }
    OnlineSignInRequest* StartSignIn() override {
        URLRecord url;
        url.Parse("pklogin://");
        VADUrlRequest* request = VADStartUrlRequest(url, 2);
        if (!request) return nullptr;
        if (request->GetHandle() == -1) {
            request->Release();
            delete request;
            return nullptr;
        }
        return new DaemonSignInRequest(request);
    }
    std::string ServerHost() override {
        Vek::PString host = VADGetSettingValue(Vek::PString(kSettings), Vek::PString(kHostKey));
        return host.IsEmpty() ? kDefaultHost : host.c_str();
    }
    int ServerPort() override {
        Vek::PString port = VADGetSettingValue(Vek::PString(kSettings), Vek::PString(kPortKey));
        if (port.IsEmpty()) return kDefaultPort;
        long value = std::strtol(port.c_str(), nullptr, 10);
        return value > 0 && value < 65536 ? static_cast<int>(value) : kDefaultPort;
    }
};

}  // namespace

OnlineAccountService& DaemonOnlineAccountService() {
    static DaemonAccountService service;
    return service;
}
