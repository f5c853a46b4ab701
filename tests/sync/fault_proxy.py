#!/usr/bin/python3
"""A proxy in front of a CalDAV server for the sync tests. It forwards every
request, logs one line "METHOD PATH STATUS" per request, and applies the
rules of its rule file, read anew at each request (the counts start again
whenever the file changes):

    METHOD N kill PIDFILE   forward the N-th request of METHOD, then SIGKILL
                            the process whose PID PIDFILE holds, and drop
                            the connection without an answer
    METHOD N drop -         forward the N-th request of METHOD, then drop
                            the connection without an answer
    METHOD N status CODE    answer the N-th request of METHOD with CODE
                            without forwarding it
    METHOD N hold FILE      hold the N-th request of METHOD: make FILE.held,
                            wait until FILE exists (at most 60 s), then
                            forward it
    REPORT N truncate -     forward the N-th REPORT and cut its multistatus
                            short, as a server does that answers in parts:
                            the first half of the members, a 507 for the
                            request URI, and the request's own sync token, so
                            that the next request asks again from there

usage: fault_proxy.py UPSTREAM_PORT PORT_FILE RULE_FILE LOG_FILE
"""

import http.client
import http.server
import os
import re
import signal
import sys
import threading
import time

UPSTREAM, PORT_FILE, RULE_FILE, LOG_FILE = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
lock = threading.Lock()
state = {"rules": None, "counts": {}}


def rule_for(method):
    """The rule that applies to this request of method, counting it."""
    try:
        with open(RULE_FILE) as f:
            text = f.read()
    except OSError:
        text = ""
    with lock:
        if text != state["rules"]:
            state["rules"], state["counts"] = text, {}
        n = state["counts"][method] = state["counts"].get(method, 0) + 1
        for line in text.splitlines():
            words = line.split()
            if len(words) == 4 and words[0] == method and int(words[1]) == n:
                return words[2], words[3]
    return None


def truncated(answer, request, path):
    """The multistatus answer cut short after half of its responses."""
    responses = re.findall(r"<(?:\w+:)?response>.*?</(?:\w+:)?response>", answer, re.S)
    token = re.search(r"<(?:\w+:)?sync-token>(.*?)</(?:\w+:)?sync-token>", request, re.S)
    kept = "".join(responses[: len(responses) // 2])
    cut = ('<response xmlns="DAV:"><href>%s</href><status>HTTP/1.1 507 Insufficient Storage'
           '</status></response>' % path)
    return ('<?xml version="1.0" encoding="utf-8"?><multistatus xmlns="DAV:">%s%s'
            "<sync-token>%s</sync-token></multistatus>"
            % (kept, cut, token.group(1) if token else ""))


class Proxy(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, *args):
        pass

    def log(self, status):
        with lock, open(LOG_FILE, "a") as f:
            f.write("%s %s %s\n" % (self.command, self.path, status))

    def forward(self):
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length) if length else None
        rule = rule_for(self.command)
        if rule and rule[0] == "status":
            self.log(rule[1])
            self.send_response(int(rule[1]))
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if rule and rule[0] == "hold":
            open(rule[1] + ".held", "w").close()
            for _ in range(3000):
                if os.path.exists(rule[1]):
                    break
                time.sleep(0.02)
        headers = {k: v for k, v in self.headers.items()
                   if k.lower() not in ("connection", "keep-alive", "proxy-connection")}
        conn = http.client.HTTPConnection("127.0.0.1", UPSTREAM, timeout=60)
        conn.request(self.command, self.path, body, headers)
        answer = conn.getresponse()
        data = answer.read()
        self.log(answer.status)
        if rule and rule[0] == "truncate" and answer.status == 207:
            data = truncated(data.decode(), (body or b"").decode(), self.path).encode()
        if rule and rule[0] in ("kill", "drop"):
            if rule[0] == "kill":
                with open(rule[1]) as f:
                    os.kill(int(f.read().strip()), signal.SIGKILL)
            self.close_connection = True
            return
        self.send_response(answer.status, answer.reason)
        for k, v in answer.getheaders():
            if k.lower() not in ("connection", "transfer-encoding", "content-length"):
                self.send_header(k, v)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def __getattr__(self, name):
        if name.startswith("do_"):
            return self.forward
        raise AttributeError(name)


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Proxy)
with open(PORT_FILE + ".tmp", "w") as f:
    f.write(str(server.server_address[1]))
os.rename(PORT_FILE + ".tmp", PORT_FILE)
server.serve_forever()
