# Gives a fresh program folder an ip.txt naming this machine; an address set by the user stays.
if(NOT EXISTS "${IP_FILE}")
    file(WRITE "${IP_FILE}" "127.0.0.1")
endif()
