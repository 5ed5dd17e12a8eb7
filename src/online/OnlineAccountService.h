#pragma once
// What the online endpoint needs of the user's account, which the
// asset-database daemon keeps: the online profile, the authentication token,
// the notice of a refused login and the sign-in page. The product's service
// asks the daemon; tests give their own.
#include <cstdint>
#include <string>

#include "engine/AnsiString.h"

// A pending sign-in page request. Deleting it releases it.
class OnlineSignInRequest {
public:
    virtual ~OnlineSignInRequest() = default;
    virtual bool IsComplete() = 0;
    // 0: the user signed in; 3: the sign-in was refused; others: failed.
    virtual int32_t ResultCode() = 0;
};

class OnlineAccountService {
public:
    virtual ~OnlineAccountService() = default;
    // The online profile's name; empty without a profile (or a failed
    // request).
    virtual Vek::String GetProfileName() = 0;
    // The authentication token; empty when the user has not signed in.
    virtual Vek::String GetAuthenticationToken() = 0;
    virtual void NotifyLoginRefused() = 0;
    // Opens the sign-in page; null when no request could be started.
    virtual OnlineSignInRequest* StartSignIn() = 0;
    // Where the messaging server listens.
    virtual std::string ServerHost() = 0;
    virtual int ServerPort() = 0;
};

// The product's service, through the daemon link: operations 240, 242 and
// 241, a "pklogin://" URL request in mode 2, and the server's host and port
// from the "internet" settings ("online-service-host", "online-service-port";
// port 5251 by default).
OnlineAccountService& DaemonOnlineAccountService();
