#pragma once
// The stand-in daemon's server: it listens on a loopback port, owns the
// rendezvous block of its installation's database and publishes the port
// there, serves each client on a thread of its own (made ahead of the
// client, vaddaemon/StandbyThread.h), and ends when told to
// (operation 270) or after the idle time with no client and no repair
// running. It owns the assets (opened at the first hello, at the path the
// hello names, which must be the database the daemon was started for), the
// settings, the repair and the dispatcher that the connections share.
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "assetdb/client/IPCRendezvous.h"
#include "vaddaemon/AssetLibrary.h"
#include "vaddaemon/CommandHosts.h"
#include "vaddaemon/DaemonOptions.h"
#include "vaddaemon/DaemonSettings.h"
#include "vaddaemon/OperationDispatcher.h"
#include "vaddaemon/RepairJob.h"
#include "vaddaemon/Scenario.h"
#include "vaddaemon/StandbyThread.h"
#include "vaddaemon/Transcript.h"
#include "vaddaemon/UrlRequests.h"

class ClientConnection;

class DaemonServer {
public:
    DaemonServer(const DaemonOptions& options, Scenario& scenario, Transcript& transcript);
    ~DaemonServer();

    // Serves until stopped; the process exit code.
    int Run(const std::string& databasePath);
    // The database the hellos must name; Run sets it. For a server whose
    // connections are made and run by their owner (the link benchmark).
    void SetDatabasePath(const std::string& databasePath) { m_databasePath = databasePath; }
    void RequestStop() { m_stop = true; }

    Scenario& GetScenario() { return m_scenario; }
    Transcript& GetTranscript() { return m_transcript; }
    AssetLibrary& GetLibrary() { return m_library; }
    OperationDispatcher& GetDispatcher() { return m_dispatcher; }
    CommandHosts& GetCommandHosts() { return m_hosts; }

    // Opens the store for a hello that names `path`; false with `error`
    // when the path is not this daemon's database. A store that cannot be
    // opened answers true with the reason in `error`: the link serves on
    // without it (AssetLibrary::StoreError).
    bool OpenStore(const std::string& path, std::string& error);

private:
    struct Client {
        std::unique_ptr<ClientConnection> connection;
        std::unique_ptr<StandbyThread> thread;
    };

    bool Listen();
    void Accept();
    // Joins the clients that have ended; returns how many remain that are
    // not command hosts (their keep-alives do not keep the daemon running).
    std::size_t Reap();
    void StopClients();

    DaemonOptions m_options;
    Scenario& m_scenario;
    Transcript& m_transcript;
    IPCRendezvous m_rendezvous;
    std::string m_databasePath;
    AssetLibrary m_library;
    DaemonSettings m_settings{m_library};
    RepairJob m_repair;
    // The scenario's user names go into the store once, when it first opens.
    std::once_flag m_usersSeeded;
    UrlRequests m_urls{m_scenario.urls};
    CommandHosts m_hosts{std::chrono::milliseconds(m_options.hostWaitMs)};
    OperationDispatcher m_dispatcher{m_library, m_settings, m_repair, m_urls, m_hosts};
    int m_listenFd = -1;
    int m_port = 0;
    int m_nextNumber = 1;
    std::vector<Client> m_clients;
    // The thread the next client is served on.
    std::unique_ptr<StandbyThread> m_standby;
    std::atomic<bool> m_stop{false};
};
