#pragma once
// Starting the daemon program of the installation.

// Starts I/bin/vaddaemon with no arguments, in its own folder, hidden; the
// process id is not kept. An empty program path starts nothing. Sets the
// launched flag in every case.
void LaunchVADDaemon();

// The launched flag: set by every LaunchVADDaemon, cleared when the
// database open begins.
bool VADDaemonLaunched();
void ClearVADDaemonLaunched();
