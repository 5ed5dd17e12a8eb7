#include "assetdb/client/VADConnection.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "assetdb/client/IPCRendezvous.h"
#include "assetdb/client/LaunchVADDaemon.h"
#include "assetdb/client/VADLinkTags.h"
#include "assetdb/client/VADNotifications.h"
#include "assetdb/client/VADQuestionThread.h"
#include "assetdb/client/VADReceiveThread.h"
#include "assetdb/client/VADRequestFailures.h"
#include "assetdb/client/VADSendRequest.h"
#include "assetdb/client/VADSilentDaemon.h"
#include "assetdb/client/VADSpecRegistryHooks.h"
#include "assetdb/requests/VADOperations.h"
#include "foundation/streams/BufferStream.h"
#include "assetdb/layout/InstallLayout.h"
#include "engine/Thread.h"
#include "engine/Time.h"
#include "foundation/log/LogPrintf.h"
#include "foundation/network/DaemonTransfer.h"
#include "foundation/network/TCPTransport.h"

namespace {

constexpr int kAttempts = 11;
constexpr uint32_t kDefaultRetryDelayMs = 1000;
constexpr uint32_t kShutdownPollMs = 100;

struct ClientState {
    Vek::CriticalSection connectionLock;
    Vek::WEvent readerGate{true, true};
    TCPTransport* transport = nullptr;
    Vek::Thread* reader = nullptr;
    std::atomic<bool> readerStop{false};
    std::atomic<bool> connected{false};
    std::atomic<bool> databaseOpen{false};
    VADOpenDatabaseArgs args;
    std::atomic<uint32_t> shutdownWaitMs{60000};
};

ClientState& State() {
    // Made once and never destroyed: the link may still be in use while the
    // process exits.
    alignas(ClientState) static unsigned char storage[sizeof(ClientState)];
    static ClientState* state = new (storage) ClientState;
    return *state;
}

void PutWord(uint8_t* bytes, int32_t value) {
    uint32_t v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(v >> (8 * i));
}

int32_t GetWord(const uint8_t* bytes) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(bytes[i]) << (8 * i);
    return static_cast<int32_t>(v);
}

bool SendWord(int32_t value) {
    uint8_t bytes[4];
    PutWord(bytes, value);
    return SendToDaemon(bytes, 4);
}

// The hello: tag, version, build, client kind, path length, path bytes, in
// one write (a write each went through the loopback one by one).
bool SendHello(const Vek::File::Path& databasePath, uint8_t clientKind) {
    const int32_t length = static_cast<int32_t>(databasePath.Length());
    std::vector<uint8_t> hello(5 * 4 + static_cast<std::size_t>(length));
    const int32_t words[5] = {static_cast<int32_t>(kTagClientHello), kLinkVersion, kLinkBuild, clientKind, length};
    for (int i = 0; i < 5; ++i) PutWord(hello.data() + 4 * i, words[i]);
    std::memcpy(hello.data() + 5 * 4, databasePath.c_str(), static_cast<std::size_t>(length));
    return SendToDaemon(hello.data(), static_cast<int32_t>(hello.size()));
}

// A reader that waits behind the closed gate until a link stands.
void StartReader(ClientState& state) {
    state.readerStop = false;
    state.readerGate.Reset();
    state.reader = new Vek::Thread(VADReceiveThread, nullptr);
    state.reader->Resume();
}

// The hello's answer: 'VADD' and two words, within the inactivity bound
// (a daemon that accepts the link and says nothing, one stopped say, would
// otherwise hold the attempt for ever). `timedOut` tells that the bound ran
// out.
bool ReceiveHelloReply(TCPTransport& transport, bool& timedOut) {
    const uint32_t bound = VADReplyInactivityBoundMs();
    uint8_t tag[4];
    if (!ReceiveOnTransportWithin(transport, tag, sizeof tag, bound, timedOut)) return false;
    if (static_cast<uint32_t>(GetWord(tag)) != kTagDaemonHello) return false;
    uint8_t values[8];
    return ReceiveOnTransportWithin(transport, values, sizeof values, bound, timedOut);
}

}  // namespace

uint32_t VADOpenRetryDelayMs() {
    const char* text = std::getenv("VORLEX_OPEN_RETRY_MS");
    if (!text || !*text) return kDefaultRetryDelayMs;
    char* end = nullptr;
    unsigned long value = std::strtoul(text, &end, 10);
    if (!end || *end != '\0' || value > 600000ul) return kDefaultRetryDelayMs;
    return static_cast<uint32_t>(value);
}

bool VADConnect() {
    ClientState& state = State();
    Vek::SingleLock lock(state.connectionLock);
    if (state.transport && state.connected) return true;
    // The reader has ended the link (the daemon closed it or a receive
    // failed): its transport is only shut down. Tear it down, so that this
    // attempt makes a new link instead of sending into the dead one.
    if (state.transport) DisconnectFromDaemon(false);

    Vek::File::Path databasePath = GetDatabasePath();
    if (!IPCAttach(databasePath.c_str())) return false;
    int32_t port = IPCGetOwnerPort();
    IPCDetach();
    if (port <= 0 || port > 65535) {
        LaunchVADDaemon();
        return false;
    }

    state.transport = new TCPTransport("127.0.0.1", static_cast<uint16_t>(port));
    // Frames go out as several small writes and each request waits for its
    // reply: without this every request would wait for the peer's delayed
    // acknowledgement.
    const int noDelay = 1;
    if (state.transport->GetSocket() >= 0)
        ::setsockopt(state.transport->GetSocket(), IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
    SetDaemonTransport(state.transport);
    // The reader starts before the hello (or earlier, VADStartReaderEarly)
    // and waits behind its closed gate until the link stands: a new thread
    // waits for its first turn on a busy machine (milliseconds), and the
    // first request's reply, which only the reader takes, waited for that
    // turn at every start.
    if (!state.reader) StartReader(state);
    bool timedOut = false;
    if (!SendHello(databasePath, state.args.clientKind) || !ReceiveHelloReply(*state.transport, timedOut)) {
        DisconnectFromDaemon(false);
        if (timedOut) VADNoteSilentDaemon(VADHelloUnansweredMessage());
        return false;
    }

    state.connected = true;
    state.readerGate.Set();
    return true;
}

void DisconnectFromDaemon(bool goodbye) {
    ClientState& state = State();
    Vek::SingleLock lock(state.connectionLock);
    if (state.reader && state.reader->GetId() == Vek::Thread::GetCurrentId()) return;

    if (state.transport) {
        if (goodbye) SendWord(kLinkGoodbye);
        // A reader blocked in a receive returns at once; the socket itself is
        // closed only after the reader has ended.
        state.transport->Shutdown();
    }
    if (state.reader) {
        state.readerStop = true;
        state.readerGate.Set();
        state.reader->Wait();
        delete state.reader;
        state.reader = nullptr;
    }
    if (state.transport) {
        SetDaemonTransport(nullptr);
        state.transport->Close();
        delete state.transport;
        state.transport = nullptr;
    }
    state.connected = false;
}

bool VADOpenDatabase(const VADOpenDatabaseArgs& args) {
    ClientState& state = State();
    if (state.databaseOpen) return true;
    {
        Vek::SingleLock lock(state.connectionLock);
        state.args = args;
    }
    ClearVADDaemonLaunched();
    VADClearSilentDaemon();

    const uint32_t delay = VADOpenRetryDelayMs();
    bool connected = false;
    // A hello that went unanswered for the inactivity bound ends the
    // attempts: each further one would wait the bound again.
    for (int attempt = 0; attempt < kAttempts && !connected && !VADDaemonIsSilent(); ++attempt) {
        if (attempt == 1 && !VADDaemonLaunched()) LaunchVADDaemon();
        if (attempt >= 1) Vek::Time::Delay(delay);
        connected = VADConnect();
    }
    if (!connected) {
        if (VADDaemonIsSilent())
            LogPrintf("VADOpenDatabase> unable to connect to VADDaemon: %s", VADSilentDaemonCause().c_str());
        else
            LogPrintf("VADOpenDatabase> unable to connect to VADDaemon");
        Vek::SingleLock lock(state.connectionLock);
        state.args = VADOpenDatabaseArgs();
        return false;
    }
    state.databaseOpen = true;
    VADCreateSpecRegistry();
    return true;
}

void VADStartReaderEarly() {
    ClientState& state = State();
    Vek::SingleLock lock(state.connectionLock);
    if (!state.reader && !state.transport) StartReader(state);
}

void VADCloseDatabase() {
    ClientState& state = State();
    if (!state.databaseOpen) {
        // A reader started ahead of a link that never came.
        DisconnectFromDaemon(false);
        return;
    }
    state.databaseOpen = false;
    DisconnectFromDaemon(true);
    {
        Vek::SingleLock lock(state.connectionLock);
        state.args = VADOpenDatabaseArgs();
    }
    DropQueuedVADNotifications();
    WaitForVADQuestionThreads();
    VADDestroySpecRegistry();
}

bool VADSendFrameStart(int32_t operation, int32_t transactionId, const void* rest, int32_t restLength) {
    ClientState& state = State();
    if (restLength < 0) return false;
    std::vector<uint8_t> head(8 + static_cast<std::size_t>(restLength));
    PutWord(head.data(), operation);
    PutWord(head.data() + 4, transactionId);
    if (restLength > 0) std::memcpy(head.data() + 8, rest, static_cast<std::size_t>(restLength));
    Vek::SingleLock lock(state.connectionLock);
    if (!state.databaseOpen) return false;
    const uint32_t delay = VADOpenRetryDelayMs();
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        // A daemon held silent (VADSilentDaemon.h) gets no new link: its
        // hello would wait the bound again.
        if (VADDaemonIsSilent() && !(state.transport && state.connected)) return false;
        if (attempt == 1) {
            if (!state.args.reconnect) return false;
            LaunchVADDaemon();
        }
        if (attempt >= 1) Vek::Time::Delay(delay);
        if (!VADConnect()) continue;
        if (SendToDaemon(head.data(), static_cast<int32_t>(head.size()))) return true;
        DisconnectFromDaemon(false);
    }
    return false;
}

bool VADSendBytes(const void* data, int32_t length) {
    Vek::SingleLock lock(State().connectionLock);
    if (SendToDaemon(data, length) || length <= 0) return true;
    DisconnectFromDaemon(false);
    return false;
}

bool VADShutdownDaemon() {
    ClientState& state = State();
    {
        Vek::SingleLock lock(state.connectionLock);
        state.args.reconnect = 0;
    }
    TBuffer request;
    TBuffer reply;
    VADSendRequest(kVADOpShutdownDaemon, request, reply);
    const uint32_t bound = state.shutdownWaitMs;
    for (uint32_t waited = 0; state.connected; waited += kShutdownPollMs) {
        if (waited >= bound) {
            LogPrintf("VADShutdownDaemon> the daemon still holds the link after %u ms", bound);
            return false;
        }
        Vek::Time::Delay(kShutdownPollMs);
    }
    return true;
}

void SetVADShutdownWaitForTesting(uint32_t milliseconds) { State().shutdownWaitMs = milliseconds; }

void VADClientPoll() {}

bool VADIsConnected() { return State().connected; }

bool VADIsDatabaseOpen() { return State().databaseOpen; }

VADOpenDatabaseArgs VADGetOpenArgs() {
    Vek::SingleLock lock(State().connectionLock);
    return State().args;
}

Vek::CriticalSection& VADConnectionLock() { return State().connectionLock; }

Vek::WEvent& VADReaderGate() { return State().readerGate; }

bool VADReaderStopRequested() { return State().readerStop; }

void VADMarkReaderEnded() {
    State().connected = false;
    State().readerGate.Set();
}
