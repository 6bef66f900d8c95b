#!/usr/bin/python3
"""The server's outside FTP server: serves the folder this file lives in on TCP port 211.

The hall display fetches the handwriting pictures and the logo from here (active mode, type I).
Login "username" / "tinsmith" with full rights, uploads and overwrites included, so contestant
machines can put their pictures in. Ends cleanly on SIGTERM or Ctrl-C.

Runs with Debian's /usr/bin/python3, which has python3-pyftpdlib. pyftpdlib reads file names as
UTF-8: keep the served names ASCII. Port 211 is below 1024: run as root or lower
net.ipv4.ip_unprivileged_port_start.
"""

import os
import signal
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

PORT = 211
USER = "username"
SECRET = "tinsmith"
# list, change folder, retrieve; append, delete, rename, make folder, store, change mode, set time
RIGHTS = "elradfmwMT"


def main():
    folder = os.path.dirname(os.path.abspath(__file__))
    authorizer = DummyAuthorizer()
    authorizer.add_user(USER, SECRET, folder, perm=RIGHTS)

    handler = FTPHandler
    handler.authorizer = authorizer
    handler.banner = "ready"

    try:
        server = FTPServer(("0.0.0.0", PORT), handler)
    except OSError as error:
        print(f"ftpserver: cannot listen on port {PORT}: {error}", file=sys.stderr)
        return 1

    # serve_forever treats SystemExit as the signal to close every connection and return.
    def stop(_signum, _frame):
        raise SystemExit(0)

    signal.signal(signal.SIGTERM, stop)
    server.serve_forever(handle_exit=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
