"""Local HTTP server for the request routine's tests.

Listens on a free loopback port, prints that port on its first output line and serves until it is
terminated. Each path answers one case the tests look at.
"""
import http.server
import signal
import sys
import time
import urllib.parse


def page(charset_tag, text_bytes, padding=0):
    return (b"<html><head>" + b" " * padding + charset_tag + b"</head><body>" + text_bytes +
            b"</body></html>")


UTF8_TAG = b'<META http-equiv="Content-Type" content="text/html; charset=utf-8">'
GB2312_TAG = b'<meta charset="gb2312">'
TEXT = "\u542c\u5199\u5927\u8d5b"  # four Chinese characters
# ǹg, ḿ and a character of the user-defined area (U+E000, AA A1 in code page 936)
PINYIN = "\u01f9g\u1e3f\ue000"


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def reply(self, status, body, headers=()):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)
        self.close_connection = True

    def request_body(self):
        length = int(self.headers.get("Content-Length", "0"))
        return self.rfile.read(length) if length else b""

    def echo(self):
        # Method, raw target, then every header line as received, a blank line and the body.
        lines = [f"{self.command} {self.path}"]
        lines += [f"{name}: {value}" for name, value in self.headers.items()]
        body = ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1") + self.request_body()
        self.reply(200, body, [("Content-Type", "text/plain")])

    def route(self):
        # A proxy request names the whole URL; the path decides all the same.
        path = urllib.parse.urlsplit(self.path).path
        if path == "/echo":
            self.echo()
        elif path == "/cookies":
            self.reply(200, b"ok", [("set-cookie", "a=1; Path=/"), ("SET-COOKIE", "b=2")])
        elif path == "/redirect":
            self.reply(302, b"moved", [("location", "/echo?from=redirect")])
        elif path == "/utf8":
            self.reply(200, page(UTF8_TAG, TEXT.encode("utf-8")))
        elif path == "/late-utf8":
            self.reply(200, page(UTF8_TAG, TEXT.encode("utf-8"), padding=1100))
        elif path == "/gb2312":
            self.reply(200, page(GB2312_TAG, TEXT.encode("gbk")))
        elif path == "/pinyin-utf8":
            self.reply(200, page(UTF8_TAG, PINYIN.encode("utf-8")))
        elif path == "/pinyin-GBK":
            self.reply(200, page(b'<meta charset="GBK">', b"\xa8\xbfg\xa8\xbc\xaa\xa1"))
        elif path == "/zero":
            self.reply(200, b"ab\x00cd")
        elif path == "/auth":
            self.reply(200, self.headers.get("Authorization", "none").encode("latin-1"))
        elif path == "/proxy-auth":
            self.reply(200, self.headers.get("Proxy-Authorization", "none").encode("latin-1"))
        elif path == "/stall-body":
            # Promises 100 bytes, sends 10 and then nothing more for a long while.
            self.send_response(200)
            self.send_header("Content-Length", "100")
            self.end_headers()
            self.wfile.write(b"0123456789")
            self.wfile.flush()
            time.sleep(10)
            self.close_connection = True
        else:
            self.reply(404, b"not found")

    do_GET = do_POST = do_HEAD = do_PUT = route


def main():
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    signal.signal(signal.SIGTERM, lambda *args: sys.exit(0))
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
