#pragma once

#include <memory>
#include <vector>

#include <QProcess>
#include <QString>

// Another host on a LAN with the test's process: a network namespace of its own, held by a sleeping
// process, joined to the test's namespace by a veth pair, with addresses of a private range. Made
// only where the test already runs in a private network namespace of its own (the fixed-port runner
// says so in ORUVAN_PRIVATE_NETNS), so nothing of the machine's own network changes.
class LanHost final
{
public:
    // ours / theirs: "10.77.0.1/24" style addresses of the two ends.
    LanHost(const QString& link, const QString& ours, const QString& theirs);
    ~LanHost();
    LanHost(const LanHost&) = delete;
    LanHost& operator=(const LanHost&) = delete;

    // Empty when the host stands; else why it could not be made.
    const QString& failure() const { return m_failure; }
    // Starts a program on the host; its output stays readable.
    QProcess& run(const QString& program, const QStringList& arguments);
    // The host drops off the LAN without a word: its link goes first, then its programs.
    void pull_cable();

private:
    bool command(const QStringList& words);
    bool inside(const QStringList& words);

    QString m_link;
    QString m_failure;
    QString m_last_error; // of the last command that failed, with what it said
    QProcess m_holder;
    std::vector<std::unique_ptr<QProcess>> m_programs;
};
