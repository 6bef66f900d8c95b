#pragma once

// Giving freed memory back to the system once a burst of connections has gone. The allocator keeps
// what a burst freed for later use, so without this a server that met several bursts would hold
// about the most it ever used, for good.
namespace common {

// When a trim is worth it, on plain counts: once the program's open connections have fallen to half
// their peak and by at least kConnectionsGone. The peak starts again from what is open when the trim
// runs, so each trim needs a burst of its own.
class TrimRule final
{
public:
    // Connections gone since the peak before a trim is worth it: a hall holds a few dozen, so only a
    // burst far above a contest's own comings and goings ever triggers one.
    static constexpr int kConnectionsGone = 100;

    // Told the open connections whenever the count changes; true when a trim falls due now (once a
    // fall: not again until it has run).
    bool note_open_connections(int open);
    void trimmed();

private:
    int m_peak = 0;
    int m_open = 0;
    bool m_due = false;
};

// Applies the rule to the program's connections: a due trim runs kSettleMs later.
class MemoryTrim final
{
public:
    // The trim waits this long after the fall, so that the sockets of the burst are freed by then.
    static constexpr int kSettleMs = 1000;

    void note_open_connections(int open);

private:
    TrimRule m_rule;
};

} // namespace common
