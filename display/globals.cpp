#include "display/globals.h"

namespace display {

common::GbkText server_address;

void init_server_address()
{
    server_address.clear();
}

void free_server_address()
{
    server_address.clear();
    server_address.shrink_to_fit();
}

} // namespace display
