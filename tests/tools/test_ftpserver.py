#!/usr/bin/python3
"""The real FTP server launcher (tools/ftpserver.py as ftpserver.exe) in a temporary program folder,
driven by a real FTP client. Listens on port 211: run as root in a private network namespace."""

import ftplib
import io
import json
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest

PORT = 211
LAUNCHER = os.path.join(os.environ.get("ORUVAN_SOURCE_DIR", ""), "tools", "ftpserver.py")
NOTICE_SERVICE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "fake_notifications.py")
PROGRAM_FILES = {
    "ciku.txt": "蝙蝠|3\r\n长城|5\r\n".encode("gbk"),
    "config.txt": "标题\r\n".encode("gbk"),
    "logo.jpg": b"\xff\xd8logo\xff\xd9",
}


def port_accepts():
    with socket.socket() as probe:
        probe.settimeout(0.3)
        return probe.connect_ex(("127.0.0.1", PORT)) == 0


def wait_until(condition, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(0.05)
    return condition()


class ProgramFolder:
    """A program folder with the launcher, a bank, config.txt and logo.jpg."""

    def __init__(self):
        self.path = tempfile.mkdtemp()
        self.launcher = os.path.join(self.path, "ftpserver.exe")
        shutil.copy(LAUNCHER, self.launcher)
        os.chmod(self.launcher, 0o755)
        for name, data in PROGRAM_FILES.items():
            self.write(name, data)
        with open(self.launcher, "rb") as launcher:
            self.launcher_bytes = launcher.read()

    def write(self, name, data):
        with open(os.path.join(self.path, name), "wb") as file:
            file.write(data)

    def read(self, name):
        with open(os.path.join(self.path, name), "rb") as file:
            return file.read()

    def remove(self):
        shutil.rmtree(self.path, ignore_errors=True)


class Rights(unittest.TestCase):
    def setUp(self):
        self.folder = ProgramFolder()
        self.server = subprocess.Popen([self.folder.launcher], cwd="/")
        self.assertTrue(wait_until(port_accepts, 10), "the launcher never listened")
        self.ftp = ftplib.FTP()
        self.ftp.connect("127.0.0.1", PORT, timeout=10)
        self.ftp.login("username", "tinsmith")

    def tearDown(self):
        self.ftp.close()
        self.server.terminate()
        self.assertEqual(self.server.wait(10), 0)
        self.folder.remove()

    def fetch(self, name):
        data = io.BytesIO()
        self.ftp.retrbinary("RETR " + name, data.write)
        return data.getvalue()

    def assert_refused(self, command):
        with self.assertRaises(ftplib.error_perm) as refusal:
            command()
        self.assertTrue(str(refusal.exception).startswith("550"), str(refusal.exception))

    def test_the_pictures_pass_in_both_modes(self):
        self.ftp.set_pasv(False)
        self.ftp.storbinary("STOR ht3.jpg", io.BytesIO(b"\xff\xd8first\r\n\x00\xff\xd9"))
        self.assertEqual(self.fetch("ht3.jpg"), b"\xff\xd8first\r\n\x00\xff\xd9")
        self.assertEqual(self.fetch("logo.jpg"), PROGRAM_FILES["logo.jpg"])
        self.ftp.storbinary("STOR ht3.jpg", io.BytesIO(b"second"))
        self.assertEqual(self.fetch("ht3.jpg"), b"second")
        self.assertEqual(self.folder.read("ht3.jpg"), b"second")
        self.ftp.set_pasv(True)
        self.ftp.storbinary("APPE ht3.jpg", io.BytesIO(b"+"))
        self.assertEqual(self.fetch("ht3.jpg"), b"second+")
        self.ftp.rename("ht3.jpg", "ht8.jpg")
        self.assertEqual(self.folder.read("ht8.jpg"), b"second+")
        self.ftp.delete("ht8.jpg")
        self.assertFalse(os.path.exists(os.path.join(self.folder.path, "ht8.jpg")))
        self.assertIn("ciku.txt", self.ftp.nlst())

    def test_everything_else_is_refused_and_left_as_it_was(self):
        self.ftp.set_pasv(False)
        self.ftp.storbinary("STOR ht3.jpg", io.BytesIO(b"picture"))
        before = sorted(os.listdir(self.folder.path))
        self.assert_refused(lambda: self.fetch("ciku.txt"))
        self.assert_refused(lambda: self.fetch("config.txt"))
        self.assert_refused(lambda: self.fetch("ftpserver.exe"))
        self.assert_refused(lambda: self.ftp.storbinary("STOR ftpserver.exe", io.BytesIO(b"#!/bin/sh\n")))
        self.assert_refused(lambda: self.ftp.storbinary("STOR config.txt", io.BytesIO(b"x")))
        self.assert_refused(lambda: self.ftp.storbinary("APPE ciku.txt", io.BytesIO(b"x")))
        self.assert_refused(lambda: self.ftp.storbinary("STOR HT3.JPG", io.BytesIO(b"x")))
        self.assert_refused(lambda: self.ftp.storbinary("STOU", io.BytesIO(b"x")))
        self.assert_refused(lambda: self.ftp.delete("ciku.txt"))
        self.assert_refused(lambda: self.ftp.rename("ht3.jpg", "ftpserver.exe"))
        self.assert_refused(lambda: self.ftp.rename("config.txt", "ht4.jpg"))
        self.assert_refused(lambda: self.ftp.mkd("banks"))
        self.assert_refused(lambda: self.ftp.sendcmd("SITE CHMOD 777 ht3.jpg"))
        # The session goes on serving after every refusal.
        self.assertEqual(self.fetch("ht3.jpg"), b"picture")
        for name, data in PROGRAM_FILES.items():
            self.assertEqual(self.folder.read(name), data, name)
        self.assertEqual(self.folder.read("ftpserver.exe"), self.folder.launcher_bytes)
        self.assertEqual(self.folder.read("ht3.jpg"), b"picture")
        self.assertEqual(sorted(os.listdir(self.folder.path)), before)


class EightMachinesAtOnce(unittest.TestCase):
    """Every machine hands in at the same moment at each question end, in active mode, while the
    display fetches the first four pictures over one session: no session may go deaf."""

    SESSIONS = 50
    # Far beyond what a session takes on loopback; a session that waits this long has hung.
    HANG_SECONDS = 5

    def setUp(self):
        self.folder = ProgramFolder()
        self.server = subprocess.Popen([self.folder.launcher], cwd="/")
        self.assertTrue(wait_until(port_accepts, 10), "the launcher never listened")
        self.pictures = {n: bytes([0xFF, 0xD8, n]) * (2000 * n) + b"\xff\xd9" for n in range(1, 9)}
        self.sessions = []
        self.hangs = []
        self.wrong = []

    def tearDown(self):
        self.server.terminate()
        self.assertEqual(self.server.wait(10), 0)
        self.folder.remove()

    def session(self, who, work):
        self.sessions.append(who)
        ftp = ftplib.FTP()
        try:
            ftp.connect("127.0.0.1", PORT, timeout=self.HANG_SECONDS)
            ftp.login("username", "tinsmith")
            ftp.set_pasv(False)
            work(ftp)
            ftp.quit()
        except (socket.timeout, TimeoutError) as error:
            self.hangs.append(f"{who}: {error!r}")
        finally:
            ftp.close()

    def machine(self, n):
        name = f"ht{n}.jpg"

        def hand_in(ftp):
            ftp.storbinary("STOR " + name, io.BytesIO(self.pictures[n]))
            fetched = io.BytesIO()
            ftp.retrbinary("RETR " + name, fetched.write)
            if fetched.getvalue() != self.pictures[n]:
                self.wrong.append(name)

        for _ in range(self.SESSIONS):
            self.session(f"machine {n}", hand_in)

    def display(self, done):
        def fetch_four(ftp):
            for n in range(1, 5):
                ftp.retrbinary(f"RETR ht{n}.jpg", io.BytesIO().write)

        fetches = 0
        while not done.is_set() or fetches == 0:
            self.session("display", fetch_four)
            fetches += 1

    def test_no_session_goes_deaf(self):
        for n in range(1, 5):
            self.folder.write(f"ht{n}.jpg", self.pictures[n])
        done = threading.Event()
        machines = [threading.Thread(target=self.machine, args=(n,)) for n in range(1, 9)]
        display = threading.Thread(target=self.display, args=(done,))
        for thread in machines + [display]:
            thread.start()
        for thread in machines:
            thread.join()
        done.set()
        display.join()
        self.assertEqual(self.hangs, [], f"{len(self.hangs)} of {len(self.sessions)} sessions hung")
        self.assertEqual(self.wrong, [])
        for n in range(1, 9):
            self.assertEqual(self.folder.read(f"ht{n}.jpg"), self.pictures[n])


class CannotListen(unittest.TestCase):
    """No listening on port 211: the reason and the fix go to ftpserver.log and to the desktop."""

    def setUp(self):
        self.folder = ProgramFolder()
        self.record = os.path.join(self.folder.path, "notices.jsonl")
        self.bus = subprocess.Popen(
            ["dbus-daemon", "--session", "--nofork", "--print-address=1"], stdout=subprocess.PIPE, text=True
        )
        address = self.bus.stdout.readline().strip()
        self.environment = dict(os.environ, DBUS_SESSION_BUS_ADDRESS=address)
        self.notices = subprocess.Popen(
            [sys.executable, NOTICE_SERVICE, self.record], stdout=subprocess.PIPE, text=True, env=self.environment
        )
        self.assertEqual(self.notices.stdout.readline().strip(), "ready")

    def tearDown(self):
        self.notices.kill()
        self.notices.wait()
        self.bus.kill()
        self.bus.wait()
        self.folder.remove()

    def run_launcher(self, command, environment):
        launcher = subprocess.run(command, cwd="/", env=environment, capture_output=True, timeout=20)
        self.assertEqual(launcher.returncode, 1, launcher.stderr)
        return self.folder.read("ftpserver.log").decode("utf-8")

    def notices_shown(self):
        if not os.path.exists(self.record):
            return []
        with open(self.record, encoding="utf-8") as record:
            return [json.loads(line) for line in record]

    def test_a_held_port_is_told_in_the_log_and_on_the_desktop(self):
        with socket.socket() as holder:
            holder.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
            holder.bind(("0.0.0.0", PORT))
            holder.listen()
            log = self.run_launcher([self.folder.launcher], self.environment)
        self.assertIn("211", log)
        self.assertIn("Address already in use", log)
        self.assertIn("ftpserver.exe", log)
        notices = self.notices_shown()
        self.assertEqual(len(notices), 1)
        self.assertIn("FTP", notices[0]["summary"])
        self.assertIn(notices[0]["body"], log)
        self.assertEqual(notices[0]["timeout"], 0, "the notice stays until the operator dismisses it")

    def test_a_normal_user_without_a_desktop_is_told_how_to_fix_it(self):
        os.chmod(self.folder.path, 0o777)
        nobody = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", self.folder.launcher]
        environment = {"PATH": os.environ.get("PATH", "/usr/bin:/bin")}
        log = self.run_launcher(nobody, environment)
        self.assertIn("Permission denied", log)
        self.assertIn("root", log)
        self.assertIn("sysctl net.ipv4.ip_unprivileged_port_start=211", log)
        self.assertEqual(self.notices_shown(), [], "the other session's desktop is not this user's")


if __name__ == "__main__":
    unittest.main()
