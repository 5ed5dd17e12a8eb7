#pragma once
// The stand-in daemon's server: it listens on a loopback port, owns the
// rendezvous block of its installation's database and publishes the port
// there, serves each client on a thread of its own, and ends when told to
// (operation 270) or after the idle time with no client.
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "assetdb/client/IPCRendezvous.h"
#include "vaddaemon/DaemonOptions.h"
#include "vaddaemon/Scenario.h"
#include "vaddaemon/Transcript.h"

class ClientConnection;

class DaemonServer {
public:
    DaemonServer(const DaemonOptions& options, Scenario& scenario, Transcript& transcript);
    ~DaemonServer();

    // Serves until stopped; the process exit code.
    int Run(const std::string& databasePath);
    void RequestStop() { m_stop = true; }

    Scenario& GetScenario() { return m_scenario; }
    Transcript& GetTranscript() { return m_transcript; }

private:
    struct Client {
        std::unique_ptr<ClientConnection> connection;
        std::thread thread;
    };

    bool Listen();
    void Accept();
    // Joins the clients that have ended; returns how many remain.
    std::size_t Reap();
    void StopClients();

    DaemonOptions m_options;
    Scenario& m_scenario;
    Transcript& m_transcript;
    IPCRendezvous m_rendezvous;
    int m_listenFd = -1;
    int m_port = 0;
    int m_nextNumber = 1;
    std::vector<Client> m_clients;
    std::atomic<bool> m_stop{false};
};
