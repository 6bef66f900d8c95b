#!/usr/bin/python3
"""The server's outside FTP server: serves the folder this file lives in on TCP port 211.

The hall display fetches the handwriting pictures and the logo from here (active mode, type I);
the contestant machines store their pictures here. Every machine on the LAN knows the login, so it
may store, overwrite, append, delete and rename only the pictures ht1.jpg-ht8.jpg, retrieve only
those and logo.jpg, and list the folder; anything else gets 550 and the session goes on.

Ends cleanly on SIGTERM or Ctrl-C, and by itself when the program named in ORUVAN_STARTER
("pid start-time", set by the server that starts it) is gone, so no leftover holds the port.
When it cannot listen it says why in ftpserver.log next to it and on the desktop, and exits 1.

Runs with Debian's /usr/bin/python3, which has python3-pyftpdlib. pyftpdlib reads file names as
UTF-8: keep the served names ASCII.
"""

import errno
import os
import signal
import subprocess
import sys
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import ActiveDTP, FTPHandler
from pyftpdlib.servers import FTPServer

PORT = 211
USER = "username"
SECRET = "tinsmith"
# The letters pyftpdlib asks about, before the per-file rules below narrow them.
BASE_RIGHTS = "elradfw"
PICTURES = frozenset(f"ht{n}.jpg" for n in range(1, 9))
SERVED = PICTURES | {"logo.jpg"}
STARTER_VARIABLE = "ORUVAN_STARTER"
WATCH_SECONDS = 0.5
LOG_NAME = "ftpserver.log"
NOTICE_TITLE = "Oruvan：FTP 服务未能启动"


class ContestAuthorizer(DummyAuthorizer):
    """The fixed login, with rights decided per file name inside the one served folder."""

    def __init__(self, folder):
        super().__init__()
        self.folder = os.path.realpath(folder)

    def has_perm(self, username, perm, path=None):
        if perm in "el":
            return super().has_perm(username, perm, path)
        if path is None:
            return False
        real = os.path.realpath(path)
        if os.path.dirname(real) != self.folder or os.path.isdir(real):
            return False
        name = os.path.basename(real)
        if perm == "r":
            return name in SERVED
        if perm in "adfw":
            return name in PICTURES
        return False


class HandOverActiveDTP(ActiveDTP):
    """Forgets its socket's file number once the data channel owns the socket.

    pyftpdlib 1.5.7 keeps the number and unregisters it from the loop when the session ends; by then
    the number often belongs to another machine's new connection, which never hears anything again
    (a login without reply, a PORT that never connects). Known upstream as "fix socket fd reclose",
    pyftpdlib pull request 657; eight machines storing at once hit it about once in twenty sessions.
    """

    def handle_connect(self):
        super().handle_connect()
        self._fileno = None


class ContestHandler(FTPHandler):
    active_dtp = HandOverActiveDTP

    # A unique name is never one of the pictures, and pyftpdlib would create the file first.
    def ftp_STOU(self, line):
        self.respond("550 Not enough privileges.")


def start_time_of(pid):
    """Field 22 of /proc/<pid>/stat, None when the process is gone or a zombie."""
    try:
        with open(f"/proc/{pid}/stat", "rb") as stat:
            line = stat.read()
    except OSError:
        return None
    fields = line[line.rfind(b")") + 2 :].split()
    if len(fields) < 20 or fields[0] in (b"Z", b"X"):
        return None
    return fields[19].decode()


def starter():
    """(pid, start time) of the program that started us, None when nobody asked to be watched."""
    parts = os.environ.get(STARTER_VARIABLE, "").split()
    if len(parts) != 2 or not parts[0].isdigit():
        return None
    return int(parts[0]), parts[1]


def watch_starter(server, watched):
    pid, start_time = watched

    def check():
        if start_time_of(pid) != start_time:
            raise SystemExit(0)

    server.ioloop.call_every(WATCH_SECONDS, check)


def explain(error):
    # pyftpdlib wraps the bind error in another OSError without an errno.
    while error.errno is None and error.args and isinstance(error.args[0], OSError):
        error = error.args[0]
    reason = os.strerror(error.errno) if error.errno else str(error)
    if error.errno in (errno.EACCES, errno.EPERM):
        fix = (
            f"端口 {PORT} 低于 1024，普通用户不能监听。请以 root 身份运行服务器，"
            f"或执行 sudo sysctl net.ipv4.ip_unprivileged_port_start={PORT} 后重新启动服务器。"
        )
    elif error.errno == errno.EADDRINUSE:
        fix = f"端口 {PORT} 已被其他程序占用（例如上次留下的 ftpserver.exe）。请结束该程序后重新启动服务器。"
    else:
        fix = (
            f"请以 root 身份运行服务器，或执行 sudo sysctl net.ipv4.ip_unprivileged_port_start={PORT}，"
            "然后重新启动服务器。"
        )
    return f"ftpserver.exe 无法在端口 {PORT} 上监听（{reason}），显示屏取不到手写图片。{fix}"


def write_log(folder, text):
    stamp = time.strftime("%Y-%m-%d %H:%M:%S")
    try:
        with open(os.path.join(folder, LOG_NAME), "a", encoding="utf-8") as log:
            log.write(f"{stamp} {text}\n")
    except OSError as error:
        print(f"ftpserver: cannot write {LOG_NAME}: {error}", file=sys.stderr)


def gvariant_text(text):
    return "'" + text.replace("\\", "\\\\").replace("'", "\\'") + "'"


def show_notice(text):
    """A desktop notification that stays until dismissed; without a desktop session nothing shows."""
    command = [
        "gdbus", "call", "--session",
        "--dest", "org.freedesktop.Notifications",
        "--object-path", "/org/freedesktop/Notifications",
        "--method", "org.freedesktop.Notifications.Notify",
        # app name, replaces id, icon, summary, body, actions, hints (critical), never expires
        "'Oruvan'", "uint32 0", "'dialog-error'", gvariant_text(NOTICE_TITLE), gvariant_text(text),
        "@as []", "{'urgency': <byte 2>}", "int32 0",
    ]
    try:
        subprocess.run(command, stdin=subprocess.DEVNULL, capture_output=True, timeout=5, check=False)
    except (OSError, subprocess.SubprocessError):
        pass


def main():
    folder = os.path.dirname(os.path.abspath(__file__))
    authorizer = ContestAuthorizer(folder)
    authorizer.add_user(USER, SECRET, folder, perm=BASE_RIGHTS)

    handler = ContestHandler
    handler.authorizer = authorizer
    handler.banner = "ready"

    try:
        server = FTPServer(("0.0.0.0", PORT), handler)
    except OSError as error:
        text = explain(error)
        print(f"ftpserver: {text}", file=sys.stderr)
        write_log(folder, text)
        show_notice(text)
        return 1

    # serve_forever treats SystemExit as the signal to close every connection and return.
    def stop(_signum, _frame):
        raise SystemExit(0)

    signal.signal(signal.SIGTERM, stop)
    watched = starter()
    if watched:
        watch_starter(server, watched)
    # The loop's first wait has no time limit unless given one, and then the watch would only run
    # once somebody connects.
    server.serve_forever(timeout=WATCH_SECONDS, handle_exit=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
