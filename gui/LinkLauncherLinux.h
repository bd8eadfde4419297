// Opens web addresses with the desktop's xdg-open, started directly (no
// shell) with the address as its only argument, on a clean signal state.
// Finished launchers are collected without ever waiting for one.
#pragma once

class LinkLauncherLinux {
public:
    // True when xdg-open started. An empty address, and one that xdg-open
    // would take for an option (a leading '-'), start nothing.
    static bool Open(const char* url);
    // Collects the launchers that have finished; returns how many still run.
    static int Reap();
};
