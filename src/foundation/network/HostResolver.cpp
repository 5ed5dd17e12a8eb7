#include "foundation/network/HostResolver.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <strings.h>
#include <sys/socket.h>

#include <cstring>
#include <deque>

#include "engine/Thread.h"

namespace {

struct ResolverState {
    Vek::CriticalSection lock;
    int32_t useCount = 0;
    std::deque<HostLookupRequest*> queue;
    Vek::Thread* thread = nullptr;
    bool threadEnded = false;
};

ResolverState& State() {
    static ResolverState* state = new ResolverState;  // lives to the end of the process
    return *state;
}

uint32_t ResolverThreadProc(void*) {
    ResolverState& state = State();
    state.lock.Enter();
    while (state.useCount > 0) {
        if (state.queue.empty()) break;
        HostLookupRequest* front = state.queue.front();
        Vek::String host = front->host;
        uint16_t port = front->port;
        state.lock.Leave();

        sockaddr_in address{};
        bool ok = ResolveHostName(host.c_str(), port, address);

        state.lock.Enter();
        if (!state.queue.empty()) {
            HostLookupRequest* now = state.queue.front();
            // A caller that gave up has taken its request out; then the new
            // front is resolved in the next round.
            if (now->host == host && now->port == port) {
                if (now->addressOut) *now->addressOut = address;
                now->result = ok;
                state.queue.pop_front();
                now->done.Set();
            }
        }
    }
    state.threadEnded = true;
    state.lock.Leave();
    return 0;
}

// A host whose address is written in the name itself: a dotted IPv4
// address or "localhost".
bool IsLiteralHost(const char* host) {
    in_addr parsed{};
    return host && (strcasecmp(host, "localhost") == 0 || ::inet_pton(AF_INET, host, &parsed) == 1);
}

}  // namespace

void AddResolverUse() {
    ResolverState& state = State();
    Vek::SingleLock hold(state.lock);
    ++state.useCount;
}

void ReleaseResolverUse() {
    ResolverState& state = State();
    Vek::Thread* thread = nullptr;
    {
        Vek::SingleLock hold(state.lock);
        if (state.useCount > 0) --state.useCount;
        if (state.useCount != 0) return;
        thread = state.thread;
        state.thread = nullptr;
    }
    // Outside the lock: the thread takes it after its lookup and then sees
    // the use count at 0.
    if (thread) {
        thread->Wait();
        delete thread;
    }
}

void StopResolverThread() {
    ResolverState& state = State();
    Vek::Thread* thread = state.thread;
    state.thread = nullptr;
    if (thread) {
        thread->Wait();
        delete thread;
    }
}

bool ResolveHostName(const char* host, uint16_t port, sockaddr_in& address) {
    std::memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (!host) return false;
    if (strcasecmp(host, "localhost") == 0) {
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return true;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* answers = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &answers) != 0 || !answers) return false;
    bool found = false;
    for (addrinfo* a = answers; a; a = a->ai_next) {
        if (a->ai_family == AF_INET && a->ai_addrlen >= sizeof(sockaddr_in)) {
            address.sin_addr = reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr;
            found = true;
            break;
        }
    }
    freeaddrinfo(answers);
    return found;
}

bool ResolveHostAddress(const char* host, uint16_t port, sockaddr_in& address) {
    ResolverState& state = State();
    // The daemon link connects to 127.0.0.1 at every start: handing that to
    // a thread and waiting for it cost a thread start and two wake-ups.
    if (IsLiteralHost(host)) {
        bool started;
        {
            Vek::SingleLock hold(state.lock);
            started = state.useCount > 0;
        }
        if (started) return ResolveHostName(host, port, address);
    }
    HostLookupRequest request;
    request.host = host ? host : "";
    request.port = port;
    request.addressOut = &address;

    Vek::Thread* finished = nullptr;
    {
        Vek::SingleLock hold(state.lock);
        state.queue.push_back(&request);
        if (state.threadEnded && state.thread) {
            finished = state.thread;
            state.thread = nullptr;
        }
        if (state.useCount > 0 && !state.thread) {
            state.threadEnded = false;
            state.thread = new Vek::Thread(ResolverThreadProc, nullptr);
            state.thread->Resume();
        }
    }
    // The ended thread is joined outside the lock (it has left it already,
    // but its last Leave may still be running).
    if (finished) {
        finished->Wait();
        delete finished;
    }

    request.done.Wait(kHostLookupTimeoutMs);

    {
        Vek::SingleLock hold(state.lock);
        for (auto it = state.queue.begin(); it != state.queue.end(); ++it) {
            if (*it == &request) {
                state.queue.erase(it);
                break;
            }
        }
    }
    return request.result;
}

int32_t ResolverUseCount() {
    ResolverState& state = State();
    Vek::SingleLock hold(state.lock);
    return state.useCount;
}

bool ResolverThreadExists() {
    ResolverState& state = State();
    Vek::SingleLock hold(state.lock);
    return state.thread != nullptr;
}
