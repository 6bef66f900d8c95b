#pragma once

// Giving freed memory back to the system once a burst of connections has gone. The allocator keeps
// what a burst freed for later use, so without this a server that met several bursts would hold
// about the most it ever used, for good.
namespace common {

class MemoryTrim final
{
public:
    // Connections gone since the peak before a trim is worth it: a hall holds a few dozen, so only a
    // burst far above a contest's own comings and goings ever triggers one.
    static constexpr int kConnectionsGone = 100;
    // The trim waits this long after the fall, so that the sockets of the burst are freed by then.
    static constexpr int kSettleMs = 1000;

    // Told the program's open connections whenever the count changes; once it has fallen to half
    // its peak and by at least kConnectionsGone, a trim follows kSettleMs later.
    void note_open_connections(int open);

private:
    void trim();

    int m_peak = 0;
    int m_open = 0;
    bool m_scheduled = false;
};

} // namespace common
