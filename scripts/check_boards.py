#!/usr/bin/env python3
"""Validates the board files in boards/ (or the files given) and their pictures.

For every board file it checks
  - CR LF line ends throughout;
  - the sensor list: "<SENSORS>", "<NUMBER>", the count, then one "<SENSOR>" block per
    sensor of 19 lines (20 for a fan), the unit exactly "RPM", "V" or "C", a FanControl
    line only for "RPM", every fan among the first eleven blocks, count <= 22 (the board
    view has 22 labels; the sensor table holds 25) and equal to the number of blocks;
  - the hardware description, parsed with the same line rules and state machine as the
    library: known southbridge, known chip models, unique chip ids, at most eight chips;
  - each sensor's ChipId names a chip block; its channel is one the chip kind measures;
    its FanControl is a PWM register that chip accepts (0 where it has none);
  - the picture <name>.jpg exists, all pictures have one size that fits the board view
    beside the navigation strip on a 1280 x 1024 screen, and every label rectangle lies
    inside it without overlapping another label;
  - with the raw readings of the reference wiring (the simulated board), every sensor's
    nominal reading lies strictly between its DefaultLow and DefaultHigh.

Prints each sensor's nominal reading; exits with status 1 on any failure.
Usage: scripts/check_boards.py [BOARDFILE ...]
"""

import glob
import os
import struct
import sys

MAX_SENSORS = 22           # labels of the board view (the sensor table holds 25)
FAN_SLOTS = 11             # FanControl exists for slots 0 to 10
NAV_STRIP = 210            # width of the navigation strip beside the picture
SCREEN = (1280, 1024)
FRAME = (20, 80)           # window borders, title bar and task bar, roughly

SOUTHBRIDGES = {"AMD766": 0, "AMD768": 0, "OSB4": 2, "CSB5": 2,
                "ICH": 1, "ICH2": 1, "ICH3": 1, "ICH4": 1}
MODELS = ["W83782D", "W83627HF_2", "W83627HF", "N87366", "IntelXeon"]  # dispatch order
SETTINGS = {
    "W83782D": ("SLVADD", "DIODE", "CLK"),
    "W83627HF": ("SLVADD", "DIODE", "CLK"),
    "W83627HF_2": ("LPCADD", "DIODE", "CLK"),
    "N87366": ("IDXREG",),
    "IntelXeon": ("SLVADD", "BOARD"),
}
PWM_REGISTERS = {
    "W83782D": {0x5A, 0x5B, 0x5E, 0x5F},
    "W83627HF": {0x5A, 0x5B},
    "W83627HF_2": {0x5A, 0x5B},
    "N87366": set(),
    "IntelXeon": set(),
}

# Raw readings of the reference wiring, by chip family.
# Winbond: (bank, register) -> raw byte; fans by register -> rpm at full duty.
WINBOND_RAW = {
    (0, 0x20): 94, (0, 0x21): 94, (0, 0x22): 206, (0, 0x23): 186, (0, 0x24): 197,
    (0, 0x25): 35, (0, 0x26): 54, (5, 0x50): 186, (5, 0x51): 188,
    (0, 0x27): 32, (1, 0x81): 45, (2, 0x82): 47,
}
WINBOND_FAN_RPM = {0x28: 5000, 0x29: 5000, 0x2A: 3200}
# PC87366: channel code -> raw (voltages 48..57, temperatures 96..98); fans -> rpm.
PC87366_RAW = {48: 129, 49: 129, 50: 142, 51: 216, 52: 207, 53: 43, 54: 86, 55: 216,
               56: 142, 57: 129, 96: 45, 97: 47, 98: 32}
PC87366_FAN_RPM = {1: 4500, 2: 4500, 3: 3000}
XEON_RAW = 48


class Failure(Exception):
    pass


# ---------------------------------------------------------------------------------------
# Conversion rule of the library

def scale(code):
    k = abs(code)
    if k >= 16:
        k //= 16
    if k > 15:
        raise Failure("scale code %d out of range" % code)
    return 10.0 ** k if k <= 7 else 10.0 ** (k - 16)


def int32(v):
    v &= 0xFFFFFFFF
    return v - (1 << 32) if v & 0x80000000 else v


def convert(raw, mul, off, rs, os_):
    return (int32(mul * raw) + off * scale(os_)) * scale(rs)


def nominal(model, bank, channel, mul, off, rs, os_):
    """The reading the library returns for the reference wiring, or raises Failure."""
    ch = channel & 0xFF
    if model in ("W83782D", "W83627HF", "W83627HF_2"):
        bank &= 7
        if ch in WINBOND_FAN_RPM:
            rpm = WINBOND_FAN_RPM[ch]
            divisor = 2                                   # the chip's reset divisor
            count = round(1350000 / (rpm * divisor))
            raw = ((135000 // count) // divisor) // 6 & 0xFF
            return convert(raw, mul, off, rs, os_) * 60
        if (bank, ch) not in WINBOND_RAW:
            raise Failure("bank %d register 0x%02X is not wired on the reference board"
                          % (bank, ch))
        raw = WINBOND_RAW[(bank, ch)]
        value = convert(raw, mul, off, rs, os_)
        if ch in (0x81, 0x82) and value < -20.0:
            value = 0.0
        return value
    if model == "N87366":
        if ch in PC87366_FAN_RPM:
            rps = PC87366_FAN_RPM[ch] // 60
            count = 16000 // rps
            raw = int(16000 // count) & 0xFF
            return convert(raw, mul, off, rs, os_) * 60
        if ch not in PC87366_RAW:
            raise Failure("channel code %d is not wired on the reference board" % ch)
        return convert(PC87366_RAW[ch], mul, off, rs, os_)
    if model == "IntelXeon":
        return convert(XEON_RAW, mul, off, rs, os_)
    raise Failure("unknown chip model " + model)


# ---------------------------------------------------------------------------------------
# Hardware description, with the library's line rules

def clean(line):
    line = line.lstrip(" \t")
    cut = line.find("//")
    if cut >= 0:
        line = line[:cut]
    return line.rstrip(" \t\n\r")


def tag_value(line, tag):
    if line.upper().startswith(tag.upper()):
        return True, line[len(tag):]
    return False, None


def number(text):
    text = text.lstrip(" \t")
    sign = 1
    if text[:1] in "+-" and text:
        sign = -1 if text[0] == "-" else 1
        text = text[1:]
    digits = ""
    for ch in text:
        if not ch.isdigit():
            break
        digits += ch
    return sign * int(digits) if digits else 0


def parse_description(lines):
    state, pending, chips, model, sb = "outside", None, [], None, None
    chip = None
    for raw in lines:
        line = clean(raw)
        if not line:
            continue
        if state == "outside":
            if tag_value(line, "<QVN>")[0]:
                state = "root"
        elif state == "root":
            if tag_value(line, "<MB>")[0]:
                state = "board"
        elif state == "board":
            for tag in ("<MODEL>", "<SB>", "<HWM>", "</MB>"):
                hit, value = tag_value(line, tag)
                if hit:
                    break
            else:
                continue
            if tag == "<MODEL>":
                model = value
            elif tag == "<SB>":
                sb = value
            elif tag == "<HWM>":
                state = "chiphead"
            else:
                return model, sb, chips
        elif state == "chiphead":
            if tag_value(line, "</HWM>")[0]:
                pending, state = None, "board"
                continue
            hit, value = tag_value(line, "<ID>")
            if hit:
                pending = value
                continue
            hit, value = tag_value(line, "<MODEL>")
            if hit:
                kind = next((m for m in MODELS if value.upper().startswith(m.upper())), None)
                if kind is None:
                    raise Failure("chip model %r matches no chip kind" % value)
                if value.upper() != kind.upper():
                    raise Failure("chip model %r is longer than %s: no chip is created"
                                  % (value, kind))
                chip = {"id": pending, "model": kind, "settings": {}}
                chips.append(chip)
                pending, state = None, "chip"
        elif state == "chip":
            if tag_value(line, "</HWM>")[0]:
                state = "board"
                continue
            for tag in SETTINGS[chip["model"]]:
                hit, value = tag_value(line, "<%s>" % tag)
                if hit:
                    chip["settings"][tag] = number(value)
                    break
    raise Failure("the hardware description does not reach </MB>")


# ---------------------------------------------------------------------------------------
# Sensor list

FIELDS = ["Name", "ChipId", "Bank", "Channel", "Unit"]
TAIL = ["DefaultHigh", "DefaultLow", "Multiplier", "Offset", "ResultScale", "OffsetScale",
        "DefaultBeep", "DefaultEmail", "DefaultReboot", "DefaultShutDown",
        "LabelLeft", "LabelTop", "LabelWidth", "LabelHeight"]


def as_int(text, lo, hi, what):
    try:
        v = int(text.strip())
    except ValueError:
        raise Failure("%s %r is not a whole number" % (what, text))
    if not lo <= v <= hi:
        raise Failure("%s %d is outside %d..%d" % (what, v, lo, hi))
    return v


def as_float(text, what):
    try:
        return float(text.strip())
    except ValueError:
        raise Failure("%s %r is not a number" % (what, text))


def parse_sensors(lines):
    try:
        i = lines.index("<SENSORS>")
    except ValueError:
        raise Failure('no "<SENSORS>" line')
    try:
        j = lines.index("<NUMBER>", i)
    except ValueError:
        raise Failure('no "<NUMBER>" line')
    count = as_int(lines[j + 1], -32768, 32767, "sensor count")
    sensors, k = [], j + 2
    end = lines.index("<QVN>") if "<QVN>" in lines[k:] else len(lines)
    while k < end:
        if lines[k] != "<SENSOR>":
            if lines[k].strip():
                raise Failure("line %d between sensor blocks: %r" % (k + 1, lines[k]))
            k += 1
            continue
        s = {}
        k += 1
        for f in FIELDS:
            s[f] = lines[k]
            k += 1
        if s["Unit"] not in ("RPM", "V", "C"):
            raise Failure("sensor %r: unit %r is not RPM, V or C" % (s["Name"], s["Unit"]))
        if s["Unit"] == "RPM":
            s["FanControl"] = as_int(lines[k], 0, 255, "FanControl")
            k += 1
        for f in TAIL:
            s[f] = lines[k]
            k += 1
        if k > end:
            raise Failure("sensor %r: block runs into the description" % s["Name"])
        sensors.append(s)
    if count != len(sensors):
        raise Failure("<NUMBER> says %d but the file has %d sensor blocks"
                      % (count, len(sensors)))
    if count > MAX_SENSORS:
        raise Failure("%d sensors: the board view has %d labels" % (count, MAX_SENSORS))
    for n, s in enumerate(sensors):
        name = s["Name"]
        if not name or "<" in name:
            raise Failure("block %d: bad sensor name %r" % (n + 1, name))
        s["Bank"] = as_int(s["Bank"], 0, 255, name + ": Bank")
        s["Channel"] = as_int(s["Channel"], 0, 255, name + ": Channel")
        s["DefaultHigh"] = as_float(s["DefaultHigh"], name + ": DefaultHigh")
        s["DefaultLow"] = as_float(s["DefaultLow"], name + ": DefaultLow")
        for f in ("Multiplier", "Offset"):
            s[f] = as_int(s[f], -2 ** 31, 2 ** 31 - 1, name + ": " + f)
        for f in ("ResultScale", "OffsetScale"):
            s[f] = as_int(s[f], -255, 255, name + ": " + f)
        for f in ("DefaultBeep", "DefaultEmail", "DefaultReboot", "DefaultShutDown"):
            s[f] = as_int(s[f], 0, 1, name + ": " + f)
        for f in ("LabelLeft", "LabelTop"):
            s[f] = as_int(s[f], 0, 10000, name + ": " + f)
        for f in ("LabelWidth", "LabelHeight"):
            s[f] = as_int(s[f], 8, 400, name + ": " + f)
        if s["Unit"] == "RPM" and n >= FAN_SLOTS:
            raise Failure("fan %r is block %d: fans must be among the first %d"
                          % (name, n + 1, FAN_SLOTS))
        if abs(s["Multiplier"]) * 255 >= 2 ** 31:
            raise Failure("%s: multiplier %d overflows 32 bits on a full-scale count"
                          % (name, s["Multiplier"]))
        if s["DefaultShutDown"] and s["Unit"] != "C":
            raise Failure("%s: shutdown alert on a sensor that is not a temperature" % name)
    names = [s["Name"] for s in sensors]
    dup = {x for x in names if names.count(x) > 1}
    if dup:
        raise Failure("sensor names used twice: " + ", ".join(sorted(dup)))
    return sensors


# ---------------------------------------------------------------------------------------
# Picture

def jpeg_size(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"\xff\xd8":
        raise Failure(path + " is not a JPEG file")
    i = 2
    while i < len(data):
        if data[i] != 0xFF:
            i += 1
            continue
        marker = data[i + 1]
        if marker in (0xD8, 0x01) or 0xD0 <= marker <= 0xD7 or marker == 0xFF:
            i += 1 if marker == 0xFF else 2
            continue
        length = struct.unpack(">H", data[i + 2:i + 4])[0]
        if 0xC0 <= marker <= 0xCF and marker not in (0xC4, 0xC8, 0xCC):
            h, w = struct.unpack(">HH", data[i + 5:i + 9])
            return w, h
        i += 2 + length
    raise Failure(path + ": no frame header")


def check_labels(sensors, size):
    w, h = size
    rects = []
    for s in sensors[:MAX_SENSORS]:
        x, y, lw, lh = s["LabelLeft"], s["LabelTop"], s["LabelWidth"], s["LabelHeight"]
        if x < 0 or y < 0 or x + lw > w or y + lh > h:
            raise Failure("label of %r (%d,%d %dx%d) leaves the %dx%d picture"
                          % (s["Name"], x, y, lw, lh, w, h))
        for other, (ox, oy, ow, oh) in rects:
            if x < ox + ow and ox < x + lw and y < oy + oh and oy < y + lh:
                raise Failure("labels of %r and %r overlap" % (s["Name"], other))
        rects.append((s["Name"], (x, y, lw, lh)))


# ---------------------------------------------------------------------------------------

def fmt(v):
    return ("%.4f" % v).rstrip("0").rstrip(".")


def check_board(path, sizes):
    with open(path, "rb") as f:
        data = f.read()
    if b"\n" in data.replace(b"\r\n", b"") or b"\r" in data.replace(b"\r\n", b""):
        raise Failure("line ends must all be CR LF")
    if not data.endswith(b"\r\n"):
        raise Failure("the last line has no CR LF")
    text = data.decode("ascii")
    lines = text.split("\r\n")[:-1]
    if any(len(line) > 255 for line in lines):
        raise Failure("a line is longer than 255 characters")
    sensors = parse_sensors(lines)
    model, sb, chips = parse_description(lines)
    name = os.path.splitext(os.path.basename(path))[0]
    if model != name:
        raise Failure("board model %r does not match the file name" % model)
    if sb is None or sb.upper() not in SOUTHBRIDGES:
        raise Failure("southbridge %r is not in the southbridge table" % sb)
    if len(chips) > 8:
        raise Failure("%d chips: the library holds eight" % len(chips))
    ids = [c["id"] for c in chips]
    if None in ids:
        raise Failure("a chip block has no <ID>")
    if len({i.upper() for i in ids}) != len(ids):
        raise Failure("chip ids are not unique: " + ", ".join(ids))
    by_id = {c["id"]: c for c in chips}
    for c in chips:
        if c["model"] == "IntelXeon" and c["settings"].get("BOARD", 0) not in (0, 4730):
            raise Failure("IntelXeon %s: board number %d" % (c["id"], c["settings"]["BOARD"]))
    used = set()

    picture = os.path.splitext(path)[0] + ".jpg"
    if not os.path.exists(picture):
        raise Failure("picture %s is missing" % picture)
    size = jpeg_size(picture)
    sizes[name] = size
    check_labels(sensors, size)

    print("%s  southbridge %s (host family %d); chips: %s" % (
        name, sb, SOUTHBRIDGES[sb.upper()],
        ", ".join("%s %s" % (c["id"], c["model"]) for c in chips)))
    print("  %-2s %-13s %-6s %-4s %4s %5s %-3s %10s %10s %10s" % (
        "#", "sensor", "chip", "bank", "chan", "pwm", "unit", "low", "nominal", "high"))
    for n, s in enumerate(sensors):
        chip = by_id.get(s["ChipId"])
        if chip is None:
            raise Failure("%s: ChipId %r names no chip block" % (s["Name"], s["ChipId"]))
        used.add(chip["id"])
        kind = chip["model"]
        fc = s.get("FanControl", 0)
        if fc and fc not in PWM_REGISTERS[kind]:
            raise Failure("%s: FanControl %d is no PWM register of a %s"
                          % (s["Name"], fc, kind))
        if s["Unit"] == "RPM" and not (
                (kind in ("W83782D", "W83627HF", "W83627HF_2") and s["Channel"] in WINBOND_FAN_RPM)
                or (kind == "N87366" and s["Channel"] in PC87366_FAN_RPM)):
            raise Failure("%s: channel %d is no fan of a %s" % (s["Name"], s["Channel"], kind))
        value = nominal(kind, s["Bank"], s["Channel"], s["Multiplier"], s["Offset"],
                        s["ResultScale"], s["OffsetScale"])
        low, high = s["DefaultLow"], s["DefaultHigh"]
        ok = low < value < high
        print("  %-2d %-13s %-6s %-4d %4d %5s %-3s %10s %10s %10s  %s" % (
            n, s["Name"], s["ChipId"], s["Bank"], s["Channel"],
            str(fc) if s["Unit"] == "RPM" else "-", s["Unit"], fmt(low), fmt(value),
            fmt(high), "ok" if ok else "OUT OF RANGE"))
        if not low < high:
            raise Failure("%s: DefaultLow %s is not below DefaultHigh %s"
                          % (s["Name"], fmt(low), fmt(high)))
        if not ok:
            raise Failure("%s: nominal reading %s is not between %s and %s"
                          % (s["Name"], fmt(value), fmt(low), fmt(high)))
    unused = [i for i in ids if i not in used]
    if unused:
        raise Failure("chips without a sensor: " + ", ".join(unused))
    return name, sb, chips, len(sensors)


def main(argv):
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "boards")
    paths = argv[1:] or sorted(glob.glob(os.path.join(root, "*.txt")))
    if not paths:
        print("no board files found in", os.path.normpath(root))
        return 1
    failures, sizes, summary = 0, {}, []
    for path in paths:
        try:
            summary.append(check_board(path, sizes))
        except (Failure, OSError, UnicodeDecodeError) as e:
            failures += 1
            print("FAIL %s: %s" % (path, e))
        print()
    if len(set(sizes.values())) > 1:
        failures += 1
        print("FAIL: the pictures differ in size: %s" % sizes)
    for name, (w, h) in sizes.items():
        if w + NAV_STRIP + FRAME[0] > SCREEN[0] or h + FRAME[1] > SCREEN[1]:
            failures += 1
            print("FAIL %s: a %dx%d picture beside the navigation strip does not fit a "
                  "%dx%d screen" % (name, w, h, SCREEN[0], SCREEN[1]))
    families = {SOUTHBRIDGES[sb.upper()] for _, sb, _, _ in summary}
    print("%-6s %-7s %-40s %s" % ("board", "SB", "chips", "sensors"))
    for name, sb, chips, count in summary:
        print("%-6s %-7s %-40s %d" % (name, sb, ", ".join(
            "%s %s" % (c["id"], c["model"]) for c in chips), count))
    if len(argv) == 1 and families != {0, 1, 2}:
        failures += 1
        print("FAIL: not every southbridge family has a board: %s" % sorted(families))
    if failures:
        print("%d failure(s)" % failures)
        return 1
    print("all %d board files are valid; pictures %s" % (
        len(summary), ", ".join(sorted({"%dx%d" % s for s in sizes.values()}))))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
