#!/usr/bin/env python3
"""A fleet on this machine: eight emulated boards (every board file at least once), each
with its own driver service and exporter; a real Prometheus scraping all of them every
second with the rules qorvmon-sensors generates for each board; a real Alertmanager whose
webhook goes to a sink here. Two boards run faults: M4430 a stalled fan, M4620 a CPU that
overheats. Passes when exactly those two boards' sensors alert, and the stalled fan's alert
resolves once the fan turns again; and the Grafana dashboard's queries, run on that
Prometheus, show every board's sensors and just the two beyond a threshold. A stall lasts
as long as its scenario, and a scenario as long as the service that runs it: the fan is
mended by restarting that board's service without the scenario, as replacing the fan and
restarting the service would.

usage: fleet_test.py BIN_DIR TEMPLATE_DIR DASHBOARD_JSON"""

import glob
import http.server
import json
import os
import shutil
import string
import subprocess
import sys
import threading
import urllib.parse

from fleet_processes import SKIP, Fleet, free_port, http_get

BOARDS = 8
SCRAPE_SECONDS = 1
# board: (scenario file, the alert, its sensor)
FAULTS = {
    "M4430": ("stalled-fan.scenario", "QorvmonFanSpeedLow", "CPU2 FAN"),
    "M4620": ("overheating.scenario", "QorvmonTemperatureHigh", "CPU1 Temp"),
}
BOUND = 60  # seconds for any one wait; only a hanging test meets it


class Sink(http.server.ThreadingHTTPServer):
    """The webhook receiver: every alert of every notification, in arrival order."""

    def __init__(self):
        self.alerts = []
        self.lock = threading.Lock()

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_POST(handler):
                body = handler.rfile.read(int(handler.headers.get("Content-Length", 0)))
                with self.lock:
                    self.alerts += json.loads(body).get("alerts", [])
                handler.send_response(200)
                handler.end_headers()

            def log_message(handler, *args):
                pass

        super().__init__(("127.0.0.1", 0), Handler)

    def received(self, status):
        with self.lock:
            return {key(a["labels"]) for a in self.alerts if a["status"] == status}


def key(labels):
    return (labels.get("alertname"), labels.get("board"), labels.get("sensor"), labels.get("instance"))


def fill(template_dir, name, target, **values):
    with open(os.path.join(template_dir, name + ".in")) as f:
        text = string.Template(f.read()).substitute(values)
    with open(target, "w") as f:
        f.write(text)
    return target


def check_dashboard(fleet, api, path, beyond, logs):
    """The dashboard's queries for all boards: the group panels show every board, the
    table the sensors beyond a threshold and none that failed to read."""
    with open(path) as f:
        panels = json.load(f)["panels"]
    shown = set()
    for panel in panels:
        for target in panel.get("targets", []):
            result = api("query", query=target["expr"].replace("$instance", ".*"))["result"]
            instances = {r["metric"].get("instance") for r in result}
            if panel["type"] == "timeseries" and len(instances) != BOARDS:
                fleet.fail("panel %r shows %d boards" % (panel["title"], len(instances)), logs)
            if panel["type"] == "table":
                shown |= {(r["metric"]["board"], r["metric"]["sensor"]) for r in result}
    if shown != beyond:
        fleet.fail("the dashboard's table shows %s, not %s" % (sorted(shown), sorted(beyond)), logs)


def main():
    bin_dir, template_dir = sys.argv[1], os.path.abspath(sys.argv[2])
    missing = [p for p in ("prometheus", "prometheus-alertmanager", "promtool") if not shutil.which(p)]
    if missing:
        print("SKIP: not installed: " + ", ".join(missing) + " (Debian packages prometheus, prometheus-alertmanager)")
        return SKIP
    fleet = Fleet(bin_dir)
    names = sorted(os.path.basename(f)[:-4] for f in glob.glob(os.path.join(fleet.bin, "*.txt")))
    if not set(FAULTS) <= set(names) or len(names) > BOARDS:
        fleet.fail("the fleet needs at most %d board files, among them %s: %s" % (BOARDS, sorted(FAULTS), names))
    boards = [names[i % len(names)] for i in range(BOARDS)]

    sink = Sink()
    threading.Thread(target=sink.serve_forever, daemon=True).start()

    # Every board: its service, then its exporter; the first of each faulty board runs the fault.
    expected, instances, sockets, logs, stalled = set(), {}, {}, [], None
    for i, board in enumerate(boards):
        name = "board%d-%s" % (i, board)
        scenario = None
        if board in FAULTS and board not in instances.values():
            scenario = os.path.join(template_dir, FAULTS[board][0])
        _, sockets[name] = fleet.driver(name, os.path.join(fleet.bin, board + ".txt"), scenario)
        _, address = fleet.exporter(name + "-exporter", board, sockets[name], interval=SCRAPE_SECONDS)
        instances[address] = board
        logs += [name, name + "-exporter"]
        if scenario:
            expected.add((FAULTS[board][1], board, FAULTS[board][2], address))
            if board == "M4430":
                stalled = name

    # Each board's rules from its thresholds, as an administrator makes them.
    rule_files = []
    for board in sorted(set(boards)):
        rules = fleet.path(board + ".rules.yml")
        made = subprocess.run([os.path.join(fleet.bin, "qorvmon-sensors"), "--board", board, "--settings",
                               fleet.path("none.QHwmset"), "--prometheus-rules",
                               "--scrape-interval", str(SCRAPE_SECONDS)], capture_output=True, text=True)
        if made.returncode != 0:
            fleet.fail("qorvmon-sensors --prometheus-rules for %s: %s" % (board, made.stderr))
        with open(rules, "w") as f:
            f.write(made.stdout)
        rule_files.append(rules)
    checked = subprocess.run(["promtool", "check", "rules"] + rule_files, capture_output=True, text=True)
    if checked.returncode != 0:
        fleet.fail("promtool check rules:\n" + checked.stdout + checked.stderr)

    alertmanager = "127.0.0.1:%d" % free_port()
    fleet.start("alertmanager", [
        "prometheus-alertmanager",
        "--config.file=" + fill(template_dir, "alertmanager.yml", fleet.path("alertmanager.yml"),
                                sink=sink.server_address[1]),
        "--storage.path=" + fleet.path("alertmanager-data"), "--web.listen-address=" + alertmanager,
        "--cluster.listen-address="])
    prometheus = "127.0.0.1:%d" % free_port()
    fleet.start("prometheus", [
        "prometheus",
        "--config.file=" + fill(template_dir, "prometheus.yml", fleet.path("prometheus.yml"),
                                rule_files=", ".join(json.dumps(r) for r in rule_files),
                                alertmanager=alertmanager,
                                targets=", ".join(json.dumps(a) for a in instances)),
        "--storage.tsdb.path=" + fleet.path("prometheus-data"), "--web.listen-address=" + prometheus])
    servers = ["alertmanager", "prometheus"]
    logs += servers

    def ready(address):
        try:
            http_get("http://%s/-/ready" % address)
            return True
        except OSError:
            return False

    for name, address in (("alertmanager", alertmanager), ("prometheus", prometheus)):
        fleet.wait_for(name + " ready", lambda: ready(address), BOUND, servers)

    def api(path, **query):
        url = "http://%s/api/v1/%s?%s" % (prometheus, path, urllib.parse.urlencode(query))
        return json.loads(http_get(url))["data"]

    def all_up():
        targets = api("targets")["activeTargets"]
        return len(targets) == BOARDS and all(t["health"] == "up" for t in targets)

    fleet.wait_for("scrape of all %d exporters" % BOARDS, all_up, BOUND, servers)

    def unexpected_alerts():
        wrong = sink.received("firing") - expected
        if wrong:
            fleet.fail("alerts for healthy sensors: %s\nexpected only %s" % (sorted(wrong), sorted(expected)), logs)

    def firing_expected():
        unexpected_alerts()
        return sink.received("firing") >= expected

    fleet.wait_for("alerts %s at the sink" % sorted(expected), firing_expected, BOUND, servers)
    check_dashboard(fleet, api, sys.argv[3], {(k[1], k[2]) for k in expected}, logs)

    # The stalled fan mended: its board's service again, without the scenario.
    fan = next(k for k in expected if k[1] == "M4430")
    driver = next(p for n, p in fleet.processes if n == stalled)
    fleet.stop(driver)
    board_file = os.path.join(fleet.bin, "M4430.txt")
    fleet.start(stalled + "-mended", [os.path.join(fleet.bin, "qvnbdrv"), "--simulate", "--board", board_file,
                                      "--socket", sockets[stalled]])
    logs.append(stalled + "-mended")

    def fan_resolved():
        unexpected_alerts()
        return fan in sink.received("resolved")

    fleet.wait_for("resolution of %s" % (fan,), fan_resolved, BOUND, servers)

    # It resolved because the fan turns again, not because its reading went missing; and
    # nothing else alerts or waits to.
    selector = 'qorvmon_fan_speed_rpm{board="M4430",sensor="CPU2 FAN"} > 2800'
    fleet.wait_for("CPU2 FAN of M4430 reading above its low threshold",
                   lambda: api("query", query=selector)["result"], BOUND, servers)
    active = {key(a["labels"]) for a in api("alerts")["alerts"]}
    if active != expected - {fan}:
        fleet.fail("alerts pending or firing in Prometheus: %s\nexpected %s" % (sorted(active),
                                                                               sorted(expected - {fan})), logs)
    unexpected_alerts()
    fleet.stop_all()
    sink.shutdown()
    print("PASS: %d boards; alerted and only they: %s; resolved: %s" % (BOARDS, sorted(expected), fan))
    return 0


if __name__ == "__main__":
    sys.exit(main())
