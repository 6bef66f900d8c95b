#include "server/globals.h"

namespace server {

int countdown = 0;
MachineSlots machine_client;
common::GbkText screen_client;
common::GbkText examiner_client;
common::TextList local_addresses;

void init_globals()
{
    countdown = 0;
    local_addresses = {};
}

void free_globals()
{
    for (common::GbkText& slot : machine_client)
        slot.clear();
    screen_client.clear();
    examiner_client.clear();
    local_addresses.clear();
}

} // namespace server
