#!/usr/bin/env python3
"""qorvmon-exporter as Prometheus meets it: a scrape of a real exporter on a real driver
service passes promtool check metrics; an exporter started before the service reads the
board once the service is up; within the interval a scrape gets the cached pass;
qorvmon-sensors --prometheus writes the same series; SIGHUP reads the thresholds again;
every query of the Grafana dashboard
names series a scrape has.

usage: exporter_scrape_test.py BIN_DIR DASHBOARD_JSON"""

import json
import os
import re
import shutil
import signal
import subprocess
import sys

from fleet_processes import SKIP, Fleet, http_get, samples

BOARD = "M4430"
SENSORS = 17  # of M4430's board file


def dashboard_queries(path):
    with open(path) as f:
        dashboard = json.load(f)
    queries = [t["expr"] for p in dashboard["panels"] for t in p.get("targets", [])]
    queries += [v["definition"] for v in dashboard["templating"]["list"] if v["type"] == "query"]
    return queries


def main():
    if not shutil.which("promtool"):
        print("SKIP: promtool (Debian package prometheus) is not installed")
        return SKIP
    fleet = Fleet(sys.argv[1])
    sock = fleet.path("late.sock")

    # The service is not there yet: every sensor fails, no reading is made up.
    exporter, address = fleet.exporter("exporter", BOARD, sock)
    url = "http://" + address + "/metrics"
    first = samples(http_get(url))
    success = {k: v for k, v in first.items() if k.startswith("qorvmon_sensor_read_success{")}
    if len(success) != SENSORS or set(success.values()) != {"0"}:
        fleet.fail("before the service started: " + repr(success), ["exporter"])
    if any(k.startswith("qorvmon_temperature_celsius{") for k in first):
        fleet.fail("a reading without a service", ["exporter"])

    fleet.start("driver", [os.path.join(fleet.bin, "qvnbdrv"), "--simulate", "--board",
                           os.path.join(fleet.bin, BOARD + ".txt"), "--socket", sock])

    def all_read():
        text = http_get(url)
        values = [v for k, v in samples(text).items() if k.startswith("qorvmon_sensor_read_success{")]
        return text if values == ["1"] * SENSORS else None

    text = fleet.wait_for("pass that reads every sensor once the service is up", all_read, 20,
                          ["exporter", "driver"])
    checked = subprocess.run(["promtool", "check", "metrics"], input=text, capture_output=True, text=True)
    if checked.returncode != 0:
        fleet.fail("promtool check metrics: " + checked.stdout + checked.stderr)
    for series in ("qorvmon_fan_speed_rpm", "qorvmon_voltage_volts", "qorvmon_temperature_celsius"):
        if not any(k.startswith(series + '{board="M4430",sensor="') for k in samples(text)):
            fleet.fail("no " + series + " in\n" + text)
    served = set(re.findall(r"^# TYPE (\S+) ", text, re.M))
    for query in dashboard_queries(sys.argv[2]):
        named = set(re.findall(r"\bqorvmon_\w+", query))
        if not named or not named <= served:
            fleet.fail("the dashboard's query %r names series no scrape has: %s" % (query, sorted(named - served)))

    # The same series, for node_exporter's textfile collector, from the command line. It
    # loads its library by name from its own folder, which under the address sanitizer
    # (dlopen then runs from the sanitizer's runtime) has to be named.
    prom = fleet.path("qorvmon.prom")
    wrote = subprocess.run([os.path.join(fleet.bin, "qorvmon-sensors"), "--board", BOARD, "--settings",
                            fleet.path("none.QHwmset"), "--prometheus", prom], capture_output=True, text=True,
                           env=dict(os.environ, QVNBDRV_SOCKET=sock, LD_LIBRARY_PATH=fleet.bin))
    with open(prom) as f:
        textfile = f.read()
    if wrote.returncode != 0 or os.stat(prom).st_mode & 0o777 != 0o644:
        fleet.fail("qorvmon-sensors --prometheus: status %d, %s" % (wrote.returncode, wrote.stderr))
    checked = subprocess.run(["promtool", "check", "metrics"], input=textfile, capture_output=True, text=True)
    if checked.returncode != 0:
        fleet.fail("promtool check metrics on the textfile: " + checked.stdout + checked.stderr)
    ours = lambda t: {k for k in samples(t) if k.startswith("qorvmon_")}
    if ours(textfile) != ours(text):
        fleet.fail("the textfile's series differ from the exporter's: %s" % sorted(ours(textfile) ^ ours(text)))

    # A second exporter on the same service with a long interval: the second scrape is the
    # first one's pass again.
    _, cached = fleet.exporter("cached", BOARD, sock, interval=3600)
    stamps = [samples(http_get("http://" + cached + "/metrics"))['qorvmon_pass_timestamp_seconds{board="M4430"}']
              for _ in range(2)]
    if stamps[0] != stamps[1]:
        fleet.fail("a scrape within the interval read the board again: " + repr(stamps))

    # SIGHUP: the thresholds of a settings file written since are served from the next pass.
    settings = fleet.path("exporter.QHwmset")
    saved = subprocess.run([os.path.join(fleet.bin, "qorvmon-sensors"), "--board", BOARD, "--settings", settings,
                            "--save-defaults"], capture_output=True, text=True, env=dict(os.environ, LD_LIBRARY_PATH=fleet.bin))
    if saved.returncode != 0:
        fleet.fail("qorvmon-sensors --save-defaults: " + saved.stderr)
    with open(settings, newline="") as f:
        lines = f.read().split("\r\n")
    lines[lines.index("<sensor>") + 1] = " 7000 "  # the first sensor's high threshold
    with open(settings, "w", newline="") as f:
        f.write("\r\n".join(lines))
    high = 'qorvmon_fan_speed_high_threshold_rpm{board="M4430",sensor="CPU1 FAN"}'
    if samples(http_get(url)).get(high) != "8000":
        fleet.fail("before the reload: " + repr(samples(http_get(url)).get(high)))
    exporter.send_signal(signal.SIGHUP)
    fleet.wait_for("threshold read again after SIGHUP", lambda: samples(http_get(url)).get(high) == "7000", 10,
                   ["exporter"])

    exporter.terminate()
    if exporter.wait(timeout=10) != 0:
        fleet.fail("the exporter ended with status " + str(exporter.returncode) + " on SIGTERM", ["exporter"])
    fleet.stop_all()
    print("PASS")
    return 0


if __name__ == "__main__":
    sys.exit(main())
