#include "common/events/curllibrary.h"

#include <curl/curl.h>

namespace common {

bool curl_library_ready()
{
    // A function-local static: set up exactly once, also when both users start at the same time.
    static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return ready;
}

} // namespace common
