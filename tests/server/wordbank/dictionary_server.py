"""Stand-in for the two online dictionary sites, for the question builder's tests.

Listens on a free loopback port, prints that port on its first output line and serves until it is
terminated. "/first/s?wd=" and "/second/s?wd=" answer as the first and the second site; the word
is read from the query as percent-encoded GBK, so a word sent in any other encoding finds nothing.
"""
import http.server
import signal
import sys
import time
import urllib.parse

# Pages are GBK, as the real sites' are. Each names its word only through the markers.
FIRST_SITE = {
    # Pinyin and meaning, the pinyin after </strong>.
    "蝙蝠": "<h1><strong>蝙蝠</strong><span><b>[biān fú]</b><a href=\"#s\">读音</a></span></h1>"
            "<p>蝙蝠的解释: 哺乳动物，翼手目，英文翻译 bat</p>",
    # The pinyin after </label> instead.
    "行走": "<label>行走</label><span><b>[xíng zǒu]</b><a href=\"#s\"></a></span>"
            "<p>行走的解释: 走路，英文翻译 walk</p>",
    # A pinyin without any meaning.
    "黄河": "<strong>黄河</strong><span><b>[huáng hé]</b><a href=\"#s\"></a></span>",
    # A meaning but no pinyin: the second site is asked, this meaning is dropped.
    "长城": "<p>长城的解释: 第一站的释义，英文翻译 the Great Wall</p>",
    # One character, for a stroke question completed online.
    "木": "<strong>木</strong><span><b>[mù]</b><a href=\"#s\"></a></span><p>木的解释: 树木，英文翻译 wood</p>",
}
SECOND_SITE = {
    "长城": "<meta name=\"description\" content=\"百度汉语_长城: 古代的军事防御工程\"/>"
            "<dl><dt class=\"pinyin\">[ cháng chéng ]</dt></dl>",
}

# Known to neither site, and answered only after a while, so that a test can pick again meanwhile.
SLOW_WORDS = {"远方": 1.0}


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def do_GET(self):
        target = urllib.parse.urlsplit(self.path)
        query = urllib.parse.parse_qs(target.query, encoding="gbk", errors="replace")
        word = query.get("wd", [""])[0]
        time.sleep(SLOW_WORDS.get(word, 0))
        pages = {"/first/s": FIRST_SITE, "/second/s": SECOND_SITE}.get(target.path, {})
        text = pages.get(word)
        status = 200 if text is not None else 404
        page = "<html><head><meta charset=\"gbk\"></head><body>" + (text or "") + "</body></html>"
        body = page.encode("gbk")
        self.send_response(status)
        self.send_header("Content-Type", "text/html; charset=gbk")
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(body)
        self.close_connection = True


def main():
    signal.signal(signal.SIGTERM, lambda *args: sys.exit(0))
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
