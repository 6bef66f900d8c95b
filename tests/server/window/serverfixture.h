#pragma once

#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "server/window/serverwindow.h"
#include "tests/support/fakeclient.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/tempprogramfolder.h"

// The real server window in a temporary program folder, created as the program creates it, with
// fake peers that connect to its real ports. Runs inside the test's private network namespace.
class ServerFixture : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Makes the window as the program makes it, asking the given dictionary sites; SetUp makes it
    // with the public ones. The window made before is gone first, so its ports are free again.
    void make_window(const server::DictionarySites& sites);

    // A connected peer on port; owned by the fixture.
    FakeClient& connect_client(quint16 port);
    // A peer on the login port that sent "登录|role" and got the expected reply.
    FakeClient& login(const QByteArray& role, const QByteArray& expected_reply = "登录|成功");

    // Waits until the server's listening control on port holds a connection from peer, or no longer does.
    bool wait_server_has_peer(quint16 port, const QByteArray& peer, bool present = true) const;

    // Cells of the user list.
    QByteArray status_of(int row) const;
    QByteArray address_of(int row) const;

    TempProgramFolder folder;
    ScriptedDialogs dialogs;
    std::unique_ptr<server::ServerWindow> window;

private:
    std::vector<std::unique_ptr<FakeClient>> m_clients;
};

QByteArray gbk(const common::GbkText& text);
