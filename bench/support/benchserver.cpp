#include "bench/support/benchserver.h"

#include "bench/support/benchsupport.h"
#include "common/events/listensocket.h"
#include "server/globals.h"

BenchServer::BenchServer()
{
    if (!place_idle_ftp_launcher(m_folder.path()))
        return;
    server::init_globals();
    m_window = std::make_unique<server::ServerWindow>(m_dialogs);
    m_window->on_server_window_created();
}

BenchServer::~BenchServer()
{
    if (!m_window)
        return;
    m_window.reset();
    server::free_globals();
}

bool BenchServer::listening() const
{
    return m_window && m_window->服务器[0]->is_listening();
}
