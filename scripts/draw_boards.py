#!/usr/bin/python3
"""Writes the board files and draws the board pictures of the supported boards.

Every board is described once, below: its southbridge, its monitor chips, its sensors and
where its parts sit on the board. From that one description the script writes

    boards/<name>.txt   the sensor list and the hardware description (CR LF line ends)
    boards/<name>.jpg   a top-view drawing of the board, with each sensor's label
                        rectangle drawn where the board file places it

so the label rectangles in the board file and the drawing can never disagree. Edit the
data here and run the script again; tools/board_check (ctest boards.check) validates the result.

Usage: scripts/draw_boards.py [--only NAME ...] [--png DIR] [--out DIR]
Needs Python 3 with Pillow (Debian: python3-pil) and, for good lettering, the DejaVu fonts
(Debian: fonts-dejavu-core); without them Pillow's small built-in font is used.
"""

import argparse
import os
import sys

try:
    from PIL import Image, ImageDraw, ImageFont
except ImportError:  # pragma: no cover - reported to the user
    sys.exit("draw_boards.py needs Pillow: apt-get install python3-pil "
             "(and run it with /usr/bin/python3)")

# ---------------------------------------------------------------------------------------
# Picture geometry. The board view shows the picture at its natural size beside a
# navigation strip of 214 px, in a window that must fit a 1280 x 1024 screen.
PIC_W, PIC_H = 1000, 720
LABEL_W, LABEL_H = 84, 20          # default label rectangle
LABEL_GAP = 2                       # vertical gap between stacked labels

# ---------------------------------------------------------------------------------------
# Chip kinds: how each one measures each quantity on the reference wiring.
# value = (multiplier * raw + offset * 10^s(offset scale)) * 10^s(result scale)
# Tuple: bank, channel, multiplier, offset, result scale code, offset scale code.

WINBOND = {
    "fan1":  (0, 0x28, 1, 0, 0, 0),
    "fan2":  (0, 0x29, 1, 0, 0, 0),
    "fan3":  (0, 0x2A, 1, 0, 0, 0),
    "vcore1": (0, 0x20, 16, 0, 13, 0),          # 16 mV per count
    "vcore2": (0, 0x21, 16, 0, 13, 0),
    "3v3":   (0, 0x22, 16, 0, 13, 0),
    "5v":    (0, 0x23, 2688, 0, 11, 0),         # divider x1.68
    "12v":   (0, 0x24, 608, 0, 12, 0),          # divider x3.80
    "-12v":  (0, 0x25, 8224, -1491, 11, 3),     # V = 5.14 * pin - 14.91
    "-5v":   (0, 0x26, 5024, -771, 11, 3),      # V = 3.14 * pin - 7.71
    "5vsb":  (5, 0x50, 2688, 0, 11, 0),         # divider x1.68
    "vbat":  (5, 0x51, 16, 0, 13, 0),
    "tsys":  (0, 0x27, 1, 0, 0, 0),
    "tcpu1": (1, 0x81, 1, 0, 0, 0),
    "tcpu2": (2, 0x82, 1, 0, 0, 0),
}

PC87366 = {
    "fan1":  (0, 1, 1, 0, 0, 0),                # the chip counts revolutions per second
    "fan2":  (0, 2, 1, 0, 0, 0),
    "fan3":  (0, 3, 1, 0, 0, 0),
    "vcore1": (0, 48, 11586, 0, 10, 0),         # 2.966 V / 256 = 11.586 mV per count
    "vcore2": (0, 49, 11586, 0, 10, 0),
    "3v3":   (0, 50, 23172, 0, 10, 0),          # divider x2
    "5v":    (0, 51, 23172, 0, 10, 0),          # divider x2
    "12v":   (0, 52, 57930, 0, 10, 0),          # divider x5
    "-12v":  (0, 53, 46344, -14, 10, 6),        # V = 4 * pin - 14
    "-5v":   (0, 54, 23172, -7, 10, 6),         # V = 2 * pin - 7
    "5vsb":  (0, 55, 23172, 0, 10, 0),
    "vdd":   (0, 56, 23172, 0, 10, 0),
    "vbat":  (0, 57, 23172, 0, 10, 0),
    "tcpu1": (0, 96, 1, 0, 0, 0),
    "tcpu2": (0, 97, 1, 0, 0, 0),
    "tsys":  (0, 98, 1, 0, 0, 0),
}

XEON = {"tcpu": (0, 1, 1, 0, 0, 0)}

CONVERSIONS = {
    "W83782D": WINBOND, "W83627HF": WINBOND, "W83627HF_2": WINBOND,
    "N87366": PC87366, "IntelXeon": XEON,
}

# PWM register that drives each fan (0: the fan has no speed control).
FAN_CONTROL = {
    "W83782D": {"fan1": 0x5B, "fan2": 0x5A, "fan3": 0x5E},
    "W83627HF": {"fan1": 0x5A, "fan2": 0x5B, "fan3": 0},
    "W83627HF_2": {"fan1": 0x5A, "fan2": 0x5B, "fan3": 0},
    "N87366": {"fan1": 0, "fan2": 0, "fan3": 0},
}

# Fan speed at full duty on the reference wiring, for the default low limits.
FAN_NOMINAL = {
    "W83782D": {"fan1": 5000, "fan2": 5000, "fan3": 3200},
    "W83627HF": {"fan1": 5000, "fan2": 5000, "fan3": 3200},
    "W83627HF_2": {"fan1": 5000, "fan2": 5000, "fan3": 3200},
    "N87366": {"fan1": 4500, "fan2": 4500, "fan3": 3000},
}

# Voltage rails: unit "V", default high and low limits (10 % around the nominal value;
# for a negative rail the high limit is the less negative one).
VOLTAGE_LIMITS = {
    "vcore1": (1.65, 1.35), "vcore2": (1.65, 1.35),
    "3v3": (3.63, 2.97), "vdd": (3.63, 2.97),
    "5v": (5.5, 4.5), "5vsb": (5.5, 4.5),
    "12v": (13.2, 10.8),
    "-12v": (-10.8, -13.2), "-5v": (-4.5, -5.5),
    "vbat": (3.3, 2.7),
}


class Sensor:
    """One sensor block of a board file plus the part its label belongs to."""

    def __init__(self, name, chip, what, spot, beep=None, high=None, low=None):
        self.name, self.chip, self.what, self.spot = name, chip, what, spot
        self.beep, self.high, self.low = beep, high, low
        self.label = None            # (left, top, width, height), set by the layout


class Chip:
    def __init__(self, cid, model, settings=(), part=None):
        self.cid, self.model, self.settings, self.part = cid, model, list(settings), part


class Board:
    def __init__(self, name, sb, chips, sensors, limits, layout, **style):
        self.name, self.sb, self.chips, self.sensors = name, sb, chips, sensors
        self.limits, self.layout, self.style = limits, layout, style
        self.parts = {}

    def chip(self, cid):
        return next(c for c in self.chips if c.cid == cid)


# ---------------------------------------------------------------------------------------
# Sensor blocks

def fmt(v):
    """Shortest plain decimal text of a number."""
    if isinstance(v, int):
        return str(v)
    text = ("%.6f" % v).rstrip("0").rstrip(".")
    return "0" if text in ("-0", "") else text


def sensor_block(board, s):
    chip = board.chip(s.chip)
    conv = CONVERSIONS[chip.model]
    lim = board.limits
    if chip.model == "IntelXeon":
        bank, channel, mul, off, rs, os_ = conv["tcpu"]
        unit = "C"
    else:
        bank, channel, mul, off, rs, os_ = conv[s.what]
        unit = "RPM" if s.what.startswith("fan") else "C" if s.what.startswith("t") else "V"
    fan_control = None
    shutdown = 0
    if unit == "RPM":
        fan_control = FAN_CONTROL[chip.model][s.what]
        nominal = FAN_NOMINAL[chip.model][s.what]
        high = lim["fan_high"]
        low = int(round(nominal * lim["fan_low_ratio"] / 10000.0)) * 100
        beep = 1
    elif unit == "C":
        cpu = chip.model == "IntelXeon" or s.what in ("tcpu1", "tcpu2")
        high = lim["cpu_high"] if cpu else lim["sys_high"]
        low = lim["temp_low"]
        shutdown = 1 if cpu else 0
        beep = 1
    else:
        high, low = VOLTAGE_LIMITS[s.what]
        beep = 1 if s.what in lim.get("beep_volts", ()) else 0
    if s.high is not None:
        high = s.high
    if s.low is not None:
        low = s.low
    if s.beep is not None:
        beep = s.beep
    lines = ["<SENSOR>", s.name, s.chip, str(bank), str(channel), unit]
    if fan_control is not None:
        lines.append(str(fan_control))
    lines += [fmt(high), fmt(low), str(mul), str(off), str(rs), str(os_),
              str(beep), "0", "0", str(shutdown)]
    lines += [str(v) for v in s.label]
    return lines


def board_file_lines(board):
    lines = ["// Board " + board.name + ": sensor list, then hardware description.",
             "// Written by scripts/draw_boards.py together with " + board.name + ".jpg;"
             " edit the board data there.",
             "<SENSORS>", "<NUMBER>", str(len(board.sensors))]
    for s in board.sensors:
        lines += sensor_block(board, s)
    lines += ["<QVN>", "<MB>", "<MODEL>" + board.name, "<SB>" + board.sb]
    for c in board.chips:
        lines += ["<HWM>", "<ID>" + c.cid, "<MODEL>" + c.model]
        for tag, value in c.settings:
            text = "<%s>%d" % (tag, value)
            if tag in ("SLVADD", "LPCADD", "IDXREG"):
                text += "   // 0x%X" % value
            lines.append(text)
        lines.append("</HWM>")
    lines.append("</MB>")
    return lines


# ---------------------------------------------------------------------------------------
# Parts of a board and the placement of labels on them

class Part:
    def __init__(self, kind, box, text="", sub="", **extra):
        self.kind, self.box, self.text, self.sub, self.extra = kind, box, text, sub, extra


def place(board, spot):
    """Label rectangle for a spot: (part key, side, index[, dx, dy])."""
    key, side, index = spot[0], spot[1], spot[2]
    dx = spot[3] if len(spot) > 3 else 0
    dy = spot[4] if len(spot) > 4 else 0
    x0, y0, x1, y1 = board.parts[key].box
    cx, cy = (x0 + x1) // 2, (y0 + y1) // 2
    step = LABEL_H + LABEL_GAP
    if side == "c":          # centred on the part, stacked downwards by index
        x, y = cx - LABEL_W // 2, cy - LABEL_H // 2 + index * step
    elif side == "w":        # left of the part, overlapping its edge by 4 px
        x, y = x0 - LABEL_W + 4, y0 + index * step
    elif side == "e":        # right of the part
        x, y = x1 - 4, y0 + index * step
    elif side == "n":        # above the part, centred
        x, y = cx - LABEL_W // 2, y0 - LABEL_H + 4 - index * step
    elif side == "s":        # below the part, centred
        x, y = cx - LABEL_W // 2, y1 - 4 + index * step
    else:
        raise ValueError(side)
    return (x + dx, y + dy, LABEL_W, LABEL_H)


# ---- layout helpers -------------------------------------------------------------------

def add(board, key, kind, box, text="", sub="", **extra):
    board.parts[key] = Part(kind, box, text, sub, **extra)


def cpu(board, n, x, y, size=160, vrm=None):
    """Socket n with its heat-sink outline; vrm = 'below', 'left', 'right' or 'above'."""
    m = 20
    add(board, "HS%d" % n, "heatsink", (x - m, y - m, x + size + m, y + size + m))
    add(board, "CPU%d" % n, "socket", (x, y, x + size, y + size), "CPU%d" % n,
        board.style.get("socket", ""))
    if vrm == "below":
        add(board, "VRM%d" % n, "vrm", (x - m, y + size + m + 12, x + size + m,
                                          y + size + m + 50), "VRM")
    elif vrm == "above":
        add(board, "VRM%d" % n, "vrm", (x - m, y - m - 50, x + size + m, y - m - 12), "VRM")
    elif vrm == "left":
        add(board, "VRM%d" % n, "vrm", (x - m - 54, y - m, x - m - 14, y + size + m),
            "VRM", vertical=True)
    elif vrm == "right":
        add(board, "VRM%d" % n, "vrm", (x + size + m + 14, y - m, x + size + m + 54,
                                          y + size + m), "VRM", vertical=True)


def fan_header(board, key, x, y, text, vertical=False):
    box = (x, y, x + 14, y + 38) if vertical else (x, y, x + 38, y + 14)
    add(board, key, "fan", box, text, vertical=vertical)


def dimms(board, x, y, count, length=340, pitch=28, vertical=True, first=1):
    for i in range(count):
        if vertical:
            box = (x + i * pitch, y, x + i * pitch + 14, y + length)
        else:
            box = (x, y + i * pitch, x + length, y + i * pitch + 14)
        add(board, "DIMM%d" % (i + first), "dimm", box, "DIMM%d" % (i + first),
            vertical=vertical)


def slots(board, x, y, kinds, pitch=50):
    """Expansion slots, horizontal (the card brackets at the rear edge, on the left)."""
    lengths = {"PCI-X": 470, "PCI64": 470, "PCI": 300, "AGP": 280, "AGP PRO": 340}
    counters = {}
    for i, kind in enumerate(kinds):
        counters[kind] = counters.get(kind, 0) + 1
        n = counters[kind]
        name = {"PCI-X": "PCI-X%d", "PCI64": "PCI64-%d", "PCI": "PCI%d"}.get(kind, kind)
        if "%d" in name:
            name = name % n
        xx = x + (60 if kind.startswith("AGP") else 0)
        add(board, "SLOT%d" % (i + 1), "slot", (xx, y + i * pitch, xx + lengths[kind],
                                                  y + i * pitch + 16), name, slot=kind)


def chip_part(board, chip, x, y, size=64):
    add(board, chip.cid, "hwm", (x, y, x + size, y + size), chip.model, chip.cid)
    chip.part = chip.cid


def common_edge(board, io_top=36):
    add(board, "IO", "io", (8, io_top, 74, io_top + 300), "")


# ---- the three layout families ---------------------------------------------------------

def layout_row(board):
    """Sockets side by side along the top, memory on the right."""
    st = board.style
    common_edge(board)
    cpu(board, 1, 150, 66, vrm="below")
    cpu(board, 2, 390, 66, vrm="below")
    fan_header(board, "FAN_CPU1", 150, 20, "CPU1 FAN")
    fan_header(board, "FAN_CPU2", 390, 20, "CPU2 FAN")
    add(board, "NB", "nb", (598, 96, 690, 188), "NORTH", "BRIDGE")
    dimms(board, 716, 34, st.get("dimms", 4), length=330)
    add(board, "ATX", "atx", (940, 40, 972, 180), "ATX POWER")
    add(board, "IDE1", "ide", (948, 236, 972, 396), "IDE1")
    add(board, "IDE2", "ide", (916, 236, 940, 396), "IDE2")
    add(board, "FDD", "ide", (948, 420, 972, 520), "FDD")
    slots(board, 30, 372, st["slots"], pitch=54)
    add(board, "SB", "sb", (612, 444, 692, 524), board.sb)
    add(board, "BIOS", "bios", (612, 580, 672, 606), "BIOS")
    add(board, "BAT", "battery", (868, 596, 916, 644), "BATTERY")
    for i, c in enumerate(board.chips):
        chip_part(board, c, 736 + i * 100, 452)
    for key, text, x, y, *vert in st.get("sys_fans", ()):
        fan_header(board, key, x, y, text, vertical=bool(vert))


def layout_stack(board):
    """Sockets one above the other left of the middle, memory to their right."""
    st = board.style
    common_edge(board)
    cpu(board, 1, 340, 48, size=150, vrm="left")
    cpu(board, 2, 340, 282, size=150, vrm="left")
    fan_header(board, "FAN_CPU1", 524, 40, "CPU1 FAN", vertical=True)
    fan_header(board, "FAN_CPU2", 524, 274, "CPU2 FAN", vertical=True)
    add(board, "EPS", "eps", (150, 40, 204, 64), "12V AUX")
    dimms(board, 630, 30, st.get("dimms", 4), length=300, pitch=26)
    add(board, "NB", "nb", (600, 370, 696, 466), "NORTH", "BRIDGE")
    atx_y = st.get("atx_y", 40)
    add(board, "ATX", "atx", (940, atx_y, 972, atx_y + 140), "ATX POWER")
    add(board, "FDD", "ide", (100, 380, 200, 404), "FDD")
    add(board, "IDE1", "ide", (948, 400, 972, 560), "IDE1")
    add(board, "IDE2", "ide", (916, 400, 940, 560), "IDE2")
    slots(board, 30, 488, st["slots"], pitch=48)
    add(board, "SB", "sb", (600, 512, 680, 592), board.sb)
    add(board, "BIOS", "bios", (720, 618, 780, 644), "BIOS")
    add(board, "BAT", "battery", (820, 612, 868, 660), "BATTERY")
    i = 0
    for c in board.chips:
        if c.model == "IntelXeon":
            continue
        chip_part(board, c, 716 + i * 100, 488)
        i += 1
    for key, text, x, y, *vert in st.get("sys_fans", ()):
        fan_header(board, key, x, y, text, vertical=bool(vert))


def layout_split(board):
    """One socket on each side of the memory slots."""
    st = board.style
    common_edge(board)
    cpu(board, 1, 120, 58, size=150, vrm="below")
    n = st.get("dimms", 4)
    dimm_x = 330
    dimms(board, dimm_x, 30, n, length=280, pitch=26)
    x2 = dimm_x + n * 26 + 50
    cpu(board, 2, x2, 58, size=150, vrm="below")
    fan_header(board, "FAN_CPU1", 120, 16, "CPU1 FAN")
    fan_header(board, "FAN_CPU2", x2, 16, "CPU2 FAN")
    add(board, "NB", "nb", (x2 + 30, 290, x2 + 116, 376), "NORTH", "BRIDGE")
    atx_y = st.get("atx_y", 250)
    add(board, "ATX", "atx", (940, atx_y, 972, atx_y + 140), "ATX POWER")
    add(board, "IDE1", "ide", (948, 420, 972, 580), "IDE1")
    add(board, "IDE2", "ide", (916, 420, 940, 580), "IDE2")
    add(board, "FDD", "ide", (948, 600, 972, 690), "FDD")
    slots(board, 30, 398, st["slots"], pitch=52)
    add(board, "SB", "sb", (600, 420, 680, 500), board.sb)
    add(board, "BIOS", "bios", (610, 640, 670, 666), "BIOS")
    add(board, "BAT", "battery", (740, 630, 788, 678), "BATTERY")
    for i, c in enumerate(board.chips):
        chip_part(board, c, 712 + i * 100, 430)
    for key, text, x, y, *vert in st.get("sys_fans", ()):
        fan_header(board, key, x, y, text, vertical=bool(vert))


# ---------------------------------------------------------------------------------------
# The boards

def W(name, chip, what, spot, **kw):
    return Sensor(name, chip, what, spot, **kw)


ATX_COL = "w"   # rail labels stand in a column left of the ATX connector


def boards():
    result = []

    # M4090: two Socket A processors, AMD766 southbridge, one W83782D at 0x5A.
    b = Board(
        "M4090", "AMD766",
        [Chip("HWM1", "W83782D", [("SLVADD", 0x5A), ("DIODE", 48)])],
        [
            W("CPU1 FAN", "HWM1", "fan1", ("FAN_CPU1", "e", 0, 0, -3)),
            W("CPU2 FAN", "HWM1", "fan2", ("FAN_CPU2", "e", 0, 0, -3)),
            W("SYS FAN", "HWM1", "fan3", ("FAN_SYS1", "e", 0, 0, -3)),
            W("CPU1 Vcore", "HWM1", "vcore1", ("VRM1", "c", 0)),
            W("CPU2 Vcore", "HWM1", "vcore2", ("VRM2", "c", 0)),
            W("+3.3V", "HWM1", "3v3", ("ATX", ATX_COL, 0)),
            W("+5V", "HWM1", "5v", ("ATX", ATX_COL, 1)),
            W("+12V", "HWM1", "12v", ("ATX", ATX_COL, 2)),
            W("-12V", "HWM1", "-12v", ("ATX", ATX_COL, 3)),
            W("-5V", "HWM1", "-5v", ("ATX", ATX_COL, 4)),
            W("5VSB", "HWM1", "5vsb", ("ATX", ATX_COL, 5)),
            W("VBAT", "HWM1", "vbat", ("BAT", "s", 0)),
            W("CPU1 Temp", "HWM1", "tcpu1", ("CPU1", "c", 0)),
            W("CPU2 Temp", "HWM1", "tcpu2", ("CPU2", "c", 0)),
            W("System Temp", "HWM1", "tsys", ("HWM1", "s", 0)),
        ],
        dict(fan_high=8000, fan_low_ratio=55, cpu_high=80, sys_high=55, temp_low=5,
             beep_volts=("vcore1", "vcore2")),
        layout_row, socket="SOCKET A", dimms=4,
        slots=["AGP PRO", "PCI64", "PCI64", "PCI", "PCI", "PCI"],
        sys_fans=[("FAN_SYS1", "SYS FAN", 760, 682)],
        extras=[("LAN", "chip", (610, 262, 660, 312), "LAN", ""),
                ("SIO", "chip", (390, 560, 450, 620), "SUPER", "I/O")],
        holes=[(30, 26), (560, 26), (970, 214), (30, 690), (560, 352), (970, 690),
               (700, 560)])
    result.append(b)

    # M4410: two Socket 370 processors, ICH, one W83627HF on the SMBus.
    b = Board(
        "M4410", "ICH",
        [Chip("HWM1", "W83627HF", [("SLVADD", 0x58), ("DIODE", 112)])],
        [
            W("CPU1 FAN", "HWM1", "fan1", ("FAN_CPU1", "e", 0, 0, -3)),
            W("CPU2 FAN", "HWM1", "fan2", ("FAN_CPU2", "e", 0, 0, -3)),
            W("SYS FAN", "HWM1", "fan3", ("FAN_SYS1", "n", 0)),
            W("CPU1 Vcore", "HWM1", "vcore1", ("VRM1", "c", 0)),
            W("CPU2 Vcore", "HWM1", "vcore2", ("VRM2", "c", 0)),
            W("+3.3V", "HWM1", "3v3", ("ATX", ATX_COL, 0)),
            W("+5V", "HWM1", "5v", ("ATX", ATX_COL, 1)),
            W("+12V", "HWM1", "12v", ("ATX", ATX_COL, 2)),
            W("-12V", "HWM1", "-12v", ("ATX", ATX_COL, 3)),
            W("5VSB", "HWM1", "5vsb", ("ATX", ATX_COL, 4)),
            W("VBAT", "HWM1", "vbat", ("BAT", "n", 0)),
            W("CPU1 Temp", "HWM1", "tcpu1", ("CPU1", "c", 0)),
            W("CPU2 Temp", "HWM1", "tcpu2", ("CPU2", "c", 0)),
            W("System Temp", "HWM1", "tsys", ("HWM1", "s", 0)),
        ],
        dict(fan_high=8000, fan_low_ratio=60, cpu_high=75, sys_high=55, temp_low=5),
        layout_split, socket="SOCKET 370", dimms=3,
        slots=["PCI64", "PCI64", "PCI", "PCI", "PCI", "PCI"],
        sys_fans=[("FAN_SYS1", "SYS FAN", 840, 560)],
        extras=[("VGA", "chip", (690, 250, 750, 310), "VGA", ""),
                ("LAN", "chip", (776, 256, 824, 304), "LAN", ""),
                ("SIO", "chip", (400, 580, 460, 640), "SUPER", "I/O")],
        holes=[(28, 30), (300, 26), (970, 30), (28, 690), (560, 690), (970, 700),
               (860, 230)])
    result.append(b)

    # M4420: two Xeon processors, ICH3, W83627HF on the LPC ports at 0x295 and a
    # W83782D at 0x5A for the chassis fans.
    b = Board(
        "M4420", "ICH3",
        [Chip("HWM1", "W83627HF_2", [("LPCADD", 0x295), ("DIODE", 48)]),
         Chip("HWM2", "W83782D", [("SLVADD", 0x5A), ("DIODE", 48)])],
        [
            W("CPU1 FAN", "HWM1", "fan1", ("FAN_CPU1", "e", 0, 0, 9)),
            W("CPU2 FAN", "HWM1", "fan2", ("FAN_CPU2", "e", 0, 0, 9)),
            W("SYS FAN1", "HWM1", "fan3", ("FAN_SYS1", "e", 0, 0, -3)),
            W("SYS FAN2", "HWM2", "fan1", ("FAN_SYS2", "e", 0, 0, -3)),
            W("SYS FAN3", "HWM2", "fan2", ("FAN_SYS3", "w", 0, 0, 9)),
            W("REAR FAN", "HWM2", "fan3", ("FAN_SYS4", "e", 0, 0, -3)),
            W("CPU1 Vcore", "HWM1", "vcore1", ("VRM1", "c", 0, -8)),
            W("CPU2 Vcore", "HWM1", "vcore2", ("VRM2", "c", 0, -8)),
            W("+3.3V", "HWM1", "3v3", ("ATX", ATX_COL, 0)),
            W("+5V", "HWM1", "5v", ("ATX", ATX_COL, 1)),
            W("+12V", "HWM1", "12v", ("ATX", ATX_COL, 2)),
            W("-12V", "HWM1", "-12v", ("ATX", ATX_COL, 3)),
            W("5VSB", "HWM1", "5vsb", ("ATX", ATX_COL, 4)),
            W("VBAT", "HWM1", "vbat", ("BAT", "s", 0)),
            W("CPU1 Temp", "HWM1", "tcpu1", ("CPU1", "c", 0)),
            W("CPU2 Temp", "HWM1", "tcpu2", ("CPU2", "c", 0)),
            W("System Temp", "HWM1", "tsys", ("HWM1", "s", 0)),
            W("Chassis Temp", "HWM2", "tsys", ("HWM2", "s", 0)),
        ],
        dict(fan_high=10000, fan_low_ratio=55, cpu_high=78, sys_high=60, temp_low=5),
        layout_stack, socket="XEON", dimms=4, atx_y=40,
        slots=["PCI-X", "PCI-X", "PCI-X", "PCI"],
        sys_fans=[("FAN_SYS1", "SYS FAN1", 100, 440), ("FAN_SYS2", "SYS FAN2", 720, 400),
                  ("FAN_SYS3", "SYS FAN3", 948, 600, "v"),
                  ("FAN_SYS4", "REAR FAN", 400, 684)],
        extras=[("LAN", "chip", (116, 150, 166, 200), "LAN", ""),
                ("VGA", "chip", (116, 240, 176, 300), "VGA", "")],
        holes=[(30, 26), (970, 24), (30, 690), (970, 700), (560, 250), (250, 690),
               (800, 350)])
    result.append(b)

    # M4430: two Socket 370 processors, ICH2, W83782D at 0x5C and W83627HF at 0x58.
    b = Board(
        "M4430", "ICH2",
        [Chip("HWM1", "W83782D", [("SLVADD", 0x5C), ("DIODE", 48)]),
         Chip("HWM2", "W83627HF", [("CLK", 1)])],
        [
            W("CPU1 FAN", "HWM1", "fan1", ("FAN_CPU1", "e", 0, 0, -3)),
            W("CPU2 FAN", "HWM1", "fan2", ("FAN_CPU2", "e", 0, 0, -3)),
            W("SYS FAN1", "HWM1", "fan3", ("FAN_SYS1", "n", 0)),
            W("SYS FAN2", "HWM2", "fan1", ("FAN_SYS2", "n", 0)),
            W("SYS FAN3", "HWM2", "fan2", ("FAN_SYS3", "w", 0, 0, -3)),
            W("CPU1 Vcore", "HWM1", "vcore1", ("VRM1", "c", 0)),
            W("CPU2 Vcore", "HWM1", "vcore2", ("VRM2", "c", 0)),
            W("+3.3V", "HWM1", "3v3", ("ATX", ATX_COL, 0)),
            W("+5V", "HWM1", "5v", ("ATX", ATX_COL, 1)),
            W("+12V", "HWM1", "12v", ("ATX", ATX_COL, 2)),
            W("-12V", "HWM1", "-12v", ("ATX", ATX_COL, 3)),
            W("-5V", "HWM1", "-5v", ("ATX", ATX_COL, 4)),
            W("5VSB", "HWM2", "5vsb", ("ATX", ATX_COL, 5)),
            W("VBAT", "HWM2", "vbat", ("BAT", "n", 0)),
            W("CPU1 Temp", "HWM1", "tcpu1", ("CPU1", "c", 0)),
            W("CPU2 Temp", "HWM1", "tcpu2", ("CPU2", "c", 0)),
            W("System Temp", "HWM2", "tsys", ("HWM2", "s", 0)),
        ],
        dict(fan_high=8000, fan_low_ratio=55, cpu_high=75, sys_high=55, temp_low=0),
        layout_split, socket="SOCKET 370", dimms=4,
        slots=["PCI64", "PCI64", "PCI64", "PCI", "PCI", "PCI"],
        sys_fans=[("FAN_SYS1", "SYS FAN1", 880, 226), ("FAN_SYS2", "SYS FAN2", 830, 560),
                  ("FAN_SYS3", "SYS FAN3", 880, 684)],
        extras=[("LAN", "chip", (700, 262, 750, 312), "LAN", ""),
                ("SIO", "chip", (400, 580, 460, 640), "SUPER", "I/O")],
        holes=[(28, 30), (300, 330), (970, 30), (28, 690), (560, 690), (880, 690),
               (860, 180)])
    result.append(b)

    # M4440: two Xeon processors, ICH4, one W83627HF on the LPC ports at 0x290.
    b = Board(
        "M4440", "ICH4",
        [Chip("HWM1", "W83627HF_2", [("LPCADD", 0x290), ("DIODE", 48), ("CLK", 1)])],
        [
            W("CPU1 FAN", "HWM1", "fan1", ("FAN_CPU1", "e", 0, 0, 9)),
            W("CPU2 FAN", "HWM1", "fan2", ("FAN_CPU2", "e", 0, 0, 9)),
            W("SYS FAN", "HWM1", "fan3", ("FAN_SYS1", "e", 0, 0, -3)),
            W("CPU1 Vcore", "HWM1", "vcore1", ("VRM1", "c", 0, -8)),
            W("CPU2 Vcore", "HWM1", "vcore2", ("VRM2", "c", 0, -8)),
            W("+3.3V", "HWM1", "3v3", ("ATX", ATX_COL, 0)),
            W("+5V", "HWM1", "5v", ("ATX", ATX_COL, 1)),
            W("+12V", "HWM1", "12v", ("EPS", "s", 0)),
            W("-12V", "HWM1", "-12v", ("ATX", ATX_COL, 2)),
            W("-5V", "HWM1", "-5v", ("ATX", ATX_COL, 3)),
            W("5VSB", "HWM1", "5vsb", ("ATX", ATX_COL, 4)),
            W("VBAT", "HWM1", "vbat", ("BAT", "s", 0)),
            W("CPU1 Temp", "HWM1", "tcpu1", ("CPU1", "c", 0)),
            W("CPU2 Temp", "HWM1", "tcpu2", ("CPU2", "c", 0)),
            W("System Temp", "HWM1", "tsys", ("HWM1", "s", 0)),
        ],
        dict(fan_high=10000, fan_low_ratio=60, cpu_high=80, sys_high=60, temp_low=5,
             beep_volts=("vcore1", "vcore2")),
        layout_stack, socket="XEON", dimms=6, atx_y=200,
        slots=["AGP PRO", "PCI-X", "PCI-X", "PCI"],
        sys_fans=[("FAN_SYS1", "SYS FAN", 100, 440)],
        extras=[("LAN1", "chip", (110, 140, 160, 190), "LAN", ""),
                ("LAN2", "chip", (110, 220, 160, 270), "LAN", ""),
                ("SIO", "chip", (110, 292, 170, 352), "SUPER", "I/O")],
        holes=[(30, 26), (970, 24), (30, 690), (970, 700), (560, 250), (250, 690),
               (800, 350)])
    result.append(b)

    # M4510: two Socket 370 processors, OSB4, PC87366 Super-I/O with its monitors.
    b = Board(
        "M4510", "OSB4",
        [Chip("HWM1", "N87366", [("IDXREG", 0x2E)])],
        [
            W("CPU1 FAN", "HWM1", "fan1", ("FAN_CPU1", "e", 0, 0, -3)),
            W("CPU2 FAN", "HWM1", "fan2", ("FAN_CPU2", "e", 0, 0, -3)),
            W("SYS FAN", "HWM1", "fan3", ("FAN_SYS1", "n", 0)),
            W("CPU1 Vcore", "HWM1", "vcore1", ("VRM1", "c", 0)),
            W("CPU2 Vcore", "HWM1", "vcore2", ("VRM2", "c", 0)),
            W("+3.3V", "HWM1", "3v3", ("ATX", ATX_COL, 0)),
            W("+5V", "HWM1", "5v", ("ATX", ATX_COL, 1)),
            W("+12V", "HWM1", "12v", ("ATX", ATX_COL, 2)),
            W("-12V", "HWM1", "-12v", ("ATX", ATX_COL, 3)),
            W("-5V", "HWM1", "-5v", ("ATX", ATX_COL, 4)),
            W("5VSB", "HWM1", "5vsb", ("ATX", ATX_COL, 5)),
            W("VDD 3.3V", "HWM1", "vdd", ("HWM1", "n", 0)),
            W("VBAT", "HWM1", "vbat", ("BAT", "n", 0)),
            W("CPU1 Temp", "HWM1", "tcpu1", ("CPU1", "c", 0)),
            W("CPU2 Temp", "HWM1", "tcpu2", ("CPU2", "c", 0)),
            W("System Temp", "HWM1", "tsys", ("HWM1", "s", 0)),
        ],
        dict(fan_high=8000, fan_low_ratio=55, cpu_high=75, sys_high=55, temp_low=5),
        layout_split, socket="SOCKET 370", dimms=4, atx_y=40,
        slots=["PCI64", "PCI64", "PCI", "PCI", "PCI", "PCI"],
        sys_fans=[("FAN_SYS1", "SYS FAN", 860, 560)],
        extras=[("SCSI", "chip", (700, 250, 770, 320), "SCSI", "U160"),
                ("SCSIC", "ide", (948, 230, 972, 390), "SCSI", ""),
                ("VGA", "chip", (390, 570, 450, 630), "VGA", ""),
                ("LAN", "chip", (480, 576, 528, 624), "LAN", "")],
        holes=[(28, 30), (300, 330), (970, 30), (28, 690), (560, 690), (880, 690),
               (860, 180)])
    result.append(b)

    # M4620: two Socket A processors, AMD768, W83627HF at 0x5A and W83782D at 0x5C.
    b = Board(
        "M4620", "AMD768",
        [Chip("HWM1", "W83627HF", [("SLVADD", 0x5A), ("DIODE", 48)]),
         Chip("HWM2", "W83782D", [("SLVADD", 0x5C), ("DIODE", 48)])],
        [
            W("CPU1 FAN", "HWM1", "fan1", ("FAN_CPU1", "e", 0, 0, -3)),
            W("CPU2 FAN", "HWM1", "fan2", ("FAN_CPU2", "e", 0, 0, -3)),
            W("SYS FAN1", "HWM1", "fan3", ("FAN_SYS1", "e", 0, 0, -3)),
            W("SYS FAN2", "HWM2", "fan1", ("FAN_SYS2", "e", 0, 0, -3)),
            W("SYS FAN3", "HWM2", "fan2", ("FAN_SYS3", "n", 0)),
            W("CPU1 Vcore", "HWM1", "vcore1", ("VRM1", "c", 0)),
            W("CPU2 Vcore", "HWM1", "vcore2", ("VRM2", "c", 0)),
            W("+3.3V", "HWM1", "3v3", ("ATX", ATX_COL, 0)),
            W("+5V", "HWM1", "5v", ("ATX", ATX_COL, 1)),
            W("+12V", "HWM1", "12v", ("ATX", ATX_COL, 2)),
            W("-12V", "HWM1", "-12v", ("ATX", ATX_COL, 3)),
            W("-5V", "HWM1", "-5v", ("ATX", ATX_COL, 4)),
            W("5VSB", "HWM2", "5vsb", ("ATX", ATX_COL, 5)),
            W("VBAT", "HWM2", "vbat", ("BAT", "s", 0)),
            W("CPU1 Temp", "HWM1", "tcpu1", ("CPU1", "c", 0)),
            W("CPU2 Temp", "HWM1", "tcpu2", ("CPU2", "c", 0)),
            W("System Temp", "HWM1", "tsys", ("HWM1", "s", 0)),
            W("Chipset Temp", "HWM2", "tsys", ("HWM2", "s", 0)),
        ],
        dict(fan_high=8000, fan_low_ratio=55, cpu_high=85, sys_high=60, temp_low=5),
        layout_row, socket="SOCKET A", dimms=4,
        slots=["AGP PRO", "PCI64", "PCI64", "PCI64", "PCI", "PCI"],
        sys_fans=[("FAN_SYS1", "SYS FAN1", 760, 682), ("FAN_SYS2", "SYS FAN2", 20, 350),
                  ("FAN_SYS3", "SYS FAN3", 830, 400)],
        extras=[("SCSI", "chip", (380, 556, 444, 620), "SCSI", "U160"),
                ("SCSIC", "ide", (372, 664, 552, 688), "SCSI", ""),
                ("LAN", "chip", (610, 262, 660, 312), "LAN", "")],
        holes=[(30, 26), (560, 26), (970, 214), (30, 690), (560, 352), (970, 690),
               (700, 560)])
    result.append(b)

    # M4730: two Xeon processors, CSB5, the processors' own thermal sensors at 0x30 and
    # 0x32 (reached through the board's switch at port 0x50F) and a W83782D at 0x5C.
    b = Board(
        "M4730", "CSB5",
        [Chip("HWM1", "W83782D", [("SLVADD", 0x5C), ("DIODE", 48)]),
         Chip("XEON1", "IntelXeon", [("SLVADD", 0x30), ("BOARD", 4730)]),
         Chip("XEON2", "IntelXeon", [("SLVADD", 0x32), ("BOARD", 4730)])],
        [
            W("CPU1 FAN", "HWM1", "fan1", ("FAN_CPU1", "e", 0, 0, 9)),
            W("CPU2 FAN", "HWM1", "fan2", ("FAN_CPU2", "e", 0, 0, 9)),
            W("SYS FAN", "HWM1", "fan3", ("FAN_SYS1", "e", 0, 0, -3)),
            W("CPU1 Vcore", "HWM1", "vcore1", ("VRM1", "c", 0, -8)),
            W("CPU2 Vcore", "HWM1", "vcore2", ("VRM2", "c", 0, -8)),
            W("+3.3V", "HWM1", "3v3", ("ATX", ATX_COL, 0)),
            W("+5V", "HWM1", "5v", ("ATX", ATX_COL, 1)),
            W("+12V", "HWM1", "12v", ("EPS", "s", 0)),
            W("-12V", "HWM1", "-12v", ("ATX", ATX_COL, 2)),
            W("-5V", "HWM1", "-5v", ("ATX", ATX_COL, 3)),
            W("5VSB", "HWM1", "5vsb", ("ATX", ATX_COL, 4)),
            W("VBAT", "HWM1", "vbat", ("BAT", "s", 0)),
            W("CPU1 Temp", "XEON1", "tcpu", ("CPU1", "c", 0)),
            W("CPU2 Temp", "XEON2", "tcpu", ("CPU2", "c", 0)),
            W("System Temp", "HWM1", "tsys", ("HWM1", "s", 0)),
        ],
        dict(fan_high=10000, fan_low_ratio=55, cpu_high=80, sys_high=60, temp_low=5),
        layout_stack, socket="XEON", dimms=6, atx_y=60,
        slots=["PCI-X", "PCI-X", "PCI", "PCI"],
        sys_fans=[("FAN_SYS1", "SYS FAN", 720, 400)],
        extras=[("SCSI", "chip", (106, 130, 176, 200), "SCSI", "U320"),
                ("SCSIC", "ide", (96, 250, 236, 274), "SCSI", ""),
                ("SMBSW", "chip", (800, 232, 860, 272), "SMBUS", "SWITCH")],
        holes=[(30, 26), (970, 24), (30, 690), (970, 700), (560, 250), (250, 690),
               (800, 350)])
    result.append(b)
    return result


# ---------------------------------------------------------------------------------------
# Drawing

BG = (226, 230, 233)
PCB = (18, 92, 88)
PCB_EDGE = (8, 56, 54)
SILK = (222, 240, 235)
SILK_DIM = (150, 196, 188)
GOLD = (205, 170, 80)
WHITE_PART = (240, 240, 232)
DARK_PART = (34, 36, 40)
LABEL_FILL = (255, 243, 176)
LABEL_EDGE = (120, 90, 0)
LABEL_TEXT = (25, 25, 25)

FONT_DIR = "/usr/share/fonts/truetype/dejavu/"


def font(size, bold=False):
    name = "DejaVuSans-Bold.ttf" if bold else "DejaVuSans.ttf"
    try:
        return ImageFont.truetype(os.path.join(FONT_DIR, name), size)
    except OSError:
        return ImageFont.load_default()


F_SMALL, F_TEXT, F_BOLD, F_LABEL = font(10), font(11), font(12, True), font(11, True)
F_CHIP, F_TITLE, F_SUB = font(10, True), font(26, True), font(12)


def font_condensed(size):
    try:
        return ImageFont.truetype(os.path.join(FONT_DIR, "DejaVuSansCondensed-Bold.ttf"),
                                  size)
    except OSError:
        return font(size, True)


F_MODEL = font_condensed(10)


def text_center(d, box, text, fnt, fill):
    x0, y0, x1, y1 = box
    l, t, r, b = d.textbbox((0, 0), text, font=fnt)
    d.text(((x0 + x1 - (r - l)) / 2 - l, (y0 + y1 - (b - t)) / 2 - t), text, font=fnt,
           fill=fill)


def text_rot(img, xy, text, fnt, fill, angle=90):
    """Vertical silkscreen text whose top-left corner lands at xy."""
    probe = ImageDraw.Draw(img)
    l, t, r, b = probe.textbbox((0, 0), text, font=fnt)
    tile = Image.new("RGBA", (r - l + 2, b - t + 2), (0, 0, 0, 0))
    ImageDraw.Draw(tile).text((1 - l, 1 - t), text, font=fnt, fill=fill)
    tile = tile.rotate(angle, expand=True)
    img.paste(tile, (int(xy[0]), int(xy[1])), tile)


def draw_pcb(img, d, board):
    d.rectangle((0, 0, PIC_W, PIC_H), fill=BG)
    d.rounded_rectangle((10, 10, PIC_W - 10, PIC_H - 10), radius=22, fill=PCB,
                        outline=PCB_EDGE, width=3)
    for x, y in board.style.get("holes", ()):
        d.ellipse((x - 11, y - 11, x + 11, y + 11), fill=GOLD)
        d.ellipse((x - 6, y - 6, x + 6, y + 6), fill=BG)


def draw_heatsink(d, p):
    x0, y0, x1, y1 = p.box
    d.rounded_rectangle(p.box, radius=8, outline=(176, 214, 206), width=2)
    # fin ends along the top and bottom edges of the outline
    for x in range(x0 + 12, x1 - 8, 12):
        d.line((x, y0 + 3, x, y0 + 12), fill=(140, 190, 180), width=2)
        d.line((x, y1 - 12, x, y1 - 3), fill=(140, 190, 180), width=2)


def draw_socket(d, p):
    x0, y0, x1, y1 = p.box
    d.rectangle(p.box, fill=(233, 228, 210), outline=(150, 140, 110), width=2)
    d.rectangle((x0 + 16, y0 + 16, x1 - 16, y1 - 16), fill=(220, 213, 190))
    for yy in range(y0 + 22, y1 - 20, 9):
        for xx in range(x0 + 22, x1 - 20, 9):
            if x0 + 52 < xx < x1 - 52 and y0 + 52 < yy < y1 - 52:
                continue
            d.point((xx, yy), fill=(150, 140, 112))
            d.point((xx + 1, yy), fill=(150, 140, 112))
    d.rectangle((x1 - 8, y0 + 10, x1 - 3, y1 - 10), fill=(190, 182, 160))   # lever
    d.polygon([(x0 + 4, y0 + 4), (x0 + 14, y0 + 4), (x0 + 4, y0 + 14)], fill=GOLD)
    text_center(d, (x0, y0 + 20, x1, y0 + 48), p.text, F_TITLE, (70, 64, 50))
    text_center(d, (x0, y1 - 44, x1, y1 - 24), p.sub, F_SUB, (95, 88, 70))


def draw_vrm(img, d, p):
    x0, y0, x1, y1 = p.box
    d.rounded_rectangle(p.box, radius=4, fill=(14, 74, 70))
    vertical = p.extra.get("vertical")
    n = ((y1 - y0) if vertical else (x1 - x0)) // 34
    for i in range(n):
        if vertical:
            cx, cy = (x0 + x1) // 2, y0 + 18 + i * 34
        else:
            cx, cy = x0 + 18 + i * 34, (y0 + y1) // 2
        if i % 2 == 0:   # choke
            d.rounded_rectangle((cx - 13, cy - 13, cx + 13, cy + 13), radius=3,
                                fill=(55, 55, 58))
            d.ellipse((cx - 8, cy - 8, cx + 8, cy + 8), outline=(184, 115, 51), width=3)
        else:            # capacitor
            d.ellipse((cx - 11, cy - 11, cx + 11, cy + 11), fill=(46, 62, 138),
                      outline=(20, 28, 70))
            d.line((cx - 6, cy, cx + 6, cy), fill=(170, 180, 220))
            d.line((cx, cy - 6, cx, cy + 6), fill=(170, 180, 220))


def draw_dimm(img, d, p):
    x0, y0, x1, y1 = p.box
    d.rectangle(p.box, fill=(28, 28, 30), outline=(10, 10, 10))
    if p.extra.get("vertical"):
        d.line(((x0 + x1) // 2, y0 + 10, (x0 + x1) // 2, y1 - 10), fill=(80, 80, 84))
        d.rectangle((x0 - 2, y0 - 8, x1 + 2, y0 + 4), fill=WHITE_PART)
        d.rectangle((x0 - 2, y1 - 4, x1 + 2, y1 + 8), fill=WHITE_PART)
        text_rot(img, (x1 + 1, y1 - 44), p.text, F_SMALL, SILK, 90)
    else:
        d.line((x0 + 10, (y0 + y1) // 2, x1 - 10, (y0 + y1) // 2), fill=(80, 80, 84))
        d.rectangle((x0 - 8, y0 - 2, x0 + 4, y1 + 2), fill=WHITE_PART)
        d.rectangle((x1 - 4, y0 - 2, x1 + 8, y1 + 2), fill=WHITE_PART)
        d.text((x1 + 12, y0), p.text, font=F_SMALL, fill=SILK)


def draw_chip(d, box, title, sub, heatsink=False):
    x0, y0, x1, y1 = box
    # pins on all four sides
    for t in range(x0 + 5, x1 - 3, 5):
        d.line((t, y0 - 4, t, y0), fill=(190, 190, 190))
        d.line((t, y1, t, y1 + 4), fill=(190, 190, 190))
    for t in range(y0 + 5, y1 - 3, 5):
        d.line((x0 - 4, t, x0, t), fill=(190, 190, 190))
        d.line((x1, t, x1 + 4, t), fill=(190, 190, 190))
    if heatsink:
        d.rectangle(box, fill=(170, 180, 187), outline=(110, 120, 128), width=2)
        for t in range(y0 + 8, y1 - 4, 8):
            d.line((x0 + 6, t, x1 - 6, t), fill=(140, 150, 158), width=2)
        d.rectangle((x0 + 6, (y0 + y1) // 2 - 16, x1 - 6, (y0 + y1) // 2 + 16),
                    fill=(196, 204, 210))
        text_center(d, (x0, (y0 + y1) // 2 - 16, x1, (y0 + y1) // 2), title, F_CHIP,
                    DARK_PART)
        text_center(d, (x0, (y0 + y1) // 2, x1, (y0 + y1) // 2 + 16), sub, F_CHIP,
                    DARK_PART)
        return
    d.rectangle(box, fill=DARK_PART, outline=(70, 72, 78))
    d.ellipse((x0 + 4, y0 + 4, x0 + 9, y0 + 9), fill=(90, 92, 98))
    if sub:
        text_center(d, (x0, y0 + 6, x1, (y0 + y1) // 2 + 2), title, F_CHIP,
                    (235, 235, 235))
        text_center(d, ((x0, (y0 + y1) // 2 + 2, x1, y1 - 4)), sub, F_CHIP, GOLD)
    else:
        text_center(d, box, title, F_CHIP, (235, 235, 235))


def draw_hwm(d, p):
    """Monitor chip: model on top, the id the board file gives it below."""
    x0, y0, x1, y1 = p.box
    draw_chip(d, p.box, "", "")
    text_center(d, (x0, y0 + 8, x1, y0 + 24), p.text, F_MODEL, (235, 235, 235))
    text_center(d, (x0, y0 + 28, x1, y0 + 44), p.sub, F_BOLD, GOLD)


def draw_fan(d, p):
    x0, y0, x1, y1 = p.box
    d.rectangle(p.box, fill=WHITE_PART, outline=(120, 120, 110))
    if p.extra.get("vertical"):
        for i in range(3):
            cy = y0 + 7 + i * 12
            d.rectangle(((x0 + x1) // 2 - 3, cy - 3, (x0 + x1) // 2 + 3, cy + 3), fill=GOLD)
    else:
        for i in range(3):
            cx = x0 + 7 + i * 12
            d.rectangle((cx - 3, (y0 + y1) // 2 - 3, cx + 3, (y0 + y1) // 2 + 3), fill=GOLD)


def draw_atx(img, d, p, rows=10):
    x0, y0, x1, y1 = p.box
    d.rectangle(p.box, fill=WHITE_PART, outline=(120, 120, 110), width=2)
    pitch = (y1 - y0 - 8) / rows
    for r in range(rows):
        for c in range(2):
            cx = x0 + 9 + c * 14
            cy = y0 + 4 + pitch * r + pitch / 2
            d.rectangle((cx - 4, cy - 4, cx + 4, cy + 4), fill=(150, 150, 140))
    d.rectangle((x1, (y0 + y1) // 2 - 10, x1 + 4, (y0 + y1) // 2 + 10), fill=WHITE_PART)
    text_rot(img, (x1 + 6, y0 + 10), p.text, F_SMALL, SILK, 270)


def draw_eps(d, p):
    x0, y0, x1, y1 = p.box
    d.rectangle(p.box, fill=WHITE_PART, outline=(120, 120, 110), width=2)
    for c in range(4):
        for r in range(2):
            cx, cy = x0 + 8 + c * 13, y0 + 7 + r * 10
            d.rectangle((cx - 4, cy - 3, cx + 4, cy + 3), fill=(150, 150, 140))
    d.text((x1 + 6, y0 + 6), p.text, font=F_SMALL, fill=SILK)


def draw_ide(img, d, p):
    x0, y0, x1, y1 = p.box
    d.rectangle(p.box, fill=(40, 40, 44), outline=(15, 15, 15))
    d.rectangle((x0 + 5, y0 + 5, x1 - 5, y1 - 5), fill=(70, 70, 74))
    if y1 - y0 > x1 - x0:      # standing connector, name above it
        for y in range(y0 + 8, y1 - 6, 6):
            d.point((x0 + 8, y), fill=GOLD)
            d.point((x1 - 9, y), fill=GOLD)
        d.rectangle((x0 - 3, (y0 + y1) // 2 - 6, x0, (y0 + y1) // 2 + 6),
                    fill=(40, 40, 44))
        text_center(d, (x0 - 8, y0 - 15, x1 + 8, y0 - 2), p.text, F_SMALL, SILK)
    else:                      # lying connector, name to its right
        for x in range(x0 + 8, x1 - 6, 6):
            d.point((x, y0 + 8), fill=GOLD)
            d.point((x, y1 - 9), fill=GOLD)
        d.rectangle(((x0 + x1) // 2 - 6, y0 - 3, (x0 + x1) // 2 + 6, y0),
                    fill=(40, 40, 44))
        d.text((x1 + 6, y0 + 6), p.text, font=F_SMALL, fill=SILK)


def draw_slot(d, p):
    x0, y0, x1, y1 = p.box
    kind = p.extra.get("slot")
    colour = {"AGP": (120, 78, 42), "AGP PRO": (120, 78, 42)}.get(kind, WHITE_PART)
    d.rectangle(p.box, fill=colour, outline=(110, 110, 100))
    inner = (90, 60, 30) if kind and kind.startswith("AGP") else (190, 190, 180)
    d.line((x0 + 6, (y0 + y1) // 2, x1 - 6, (y0 + y1) // 2), fill=inner, width=2)
    key = x0 + (x1 - x0) * 3 // 5 if kind in ("PCI-X", "PCI64") else x0 + 60
    d.rectangle((key, y0 + 1, key + 4, y1 - 1), fill=PCB)
    if kind in ("PCI-X", "PCI64"):
        d.rectangle((x0 + 6, y0 + 2, x0 + 10, y1 - 2), fill=(140, 140, 130))
    d.text((x1 + 8, y0 + 1), p.text, font=F_SMALL, fill=SILK)


def draw_io(img, d, p):
    x0, y0, x1, y1 = p.box
    d.rectangle(p.box, fill=(158, 166, 172), outline=(100, 108, 114), width=2)
    y = y0 + 10
    ports = [("ps2", (120, 80, 160)), ("ps2", (60, 140, 70)), ("usb", None),
             ("usb", None), ("com", None), ("vga", None), ("lan", None), ("lan", None),
             ("com", None)]
    for kind, colour in ports:
        if kind == "ps2":
            d.ellipse((x0 + 18, y, x0 + 46, y + 28), fill=colour, outline=(40, 40, 40))
            d.ellipse((x0 + 26, y + 8, x0 + 38, y + 20), fill=(30, 30, 30))
            y += 34
        elif kind == "usb":
            d.rectangle((x0 + 16, y, x0 + 48, y + 14), fill=(210, 212, 214),
                        outline=(60, 60, 60))
            d.rectangle((x0 + 20, y + 4, x0 + 44, y + 8), fill=(40, 40, 40))
            y += 20
        elif kind in ("com", "vga"):
            colour = (70, 90, 170) if kind == "vga" else (40, 110, 120)
            d.polygon([(x0 + 14, y), (x0 + 50, y), (x0 + 46, y + 36), (x0 + 18, y + 36)],
                      fill=colour, outline=(30, 30, 30))
            y += 42
        else:
            d.rectangle((x0 + 16, y, x0 + 50, y + 28), fill=(200, 200, 196),
                        outline=(60, 60, 60))
            d.rectangle((x0 + 22, y + 6, x0 + 44, y + 22), fill=(40, 40, 40))
            y += 34


def draw_battery(d, p):
    x0, y0, x1, y1 = p.box
    d.ellipse((x0 - 3, y0 - 3, x1 + 3, y1 + 3), fill=(60, 60, 60))
    d.ellipse(p.box, fill=(205, 210, 214), outline=(120, 126, 130), width=2)
    d.ellipse((x0 + 8, y0 + 8, x1 - 8, y1 - 8), outline=(170, 176, 180))
    text_center(d, p.box, "+", F_BOLD, (80, 80, 80))
    d.text((x1 + 8, (y0 + y1) // 2 - 6), p.text, font=F_SMALL, fill=SILK)


def draw_bios(d, p):
    x0, y0, x1, y1 = p.box
    d.rectangle(p.box, fill=DARK_PART, outline=(70, 72, 78))
    d.rectangle((x0 + 4, y0 + 4, x1 - 4, y1 - 4), fill=(236, 236, 236))
    text_center(d, (x0 + 4, y0 + 4, x1 - 4, y1 - 4), p.text, F_SMALL, DARK_PART)


def draw_part(img, d, p):
    k = p.kind
    if k == "heatsink":
        draw_heatsink(d, p)
    elif k == "socket":
        draw_socket(d, p)
    elif k == "vrm":
        draw_vrm(img, d, p)
    elif k == "dimm":
        draw_dimm(img, d, p)
    elif k in ("nb",):
        draw_chip(d, p.box, p.text, p.sub, heatsink=True)
    elif k == "sb":
        draw_chip(d, p.box, "SOUTH BR.", p.text)
    elif k == "chip":
        draw_chip(d, p.box, p.text, p.sub)
    elif k == "hwm":
        draw_hwm(d, p)
    elif k == "fan":
        draw_fan(d, p)
    elif k == "atx":
        draw_atx(img, d, p)
    elif k == "eps":
        draw_eps(d, p)
    elif k == "ide":
        draw_ide(img, d, p)
    elif k == "slot":
        draw_slot(d, p)
    elif k == "io":
        draw_io(img, d, p)
    elif k == "battery":
        draw_battery(d, p)
    elif k == "bios":
        draw_bios(d, p)
    else:
        raise ValueError(k)


def draw_label(d, s):
    x, y, w, h = s.label
    d.rounded_rectangle((x, y, x + w - 1, y + h - 1), radius=4, fill=LABEL_FILL,
                        outline=LABEL_EDGE, width=1)
    text_center(d, (x, y, x + w - 1, y + h - 1), s.name, F_LABEL, LABEL_TEXT)


def draw_title(d, board):
    chips = ", ".join("%s %s" % (c.cid, c.model) for c in board.chips)
    x, y = board.style.get("title_xy", (606, 664))
    d.text((x, y), board.name, font=F_TITLE, fill=SILK)
    d.text((x, y + 30), "DUAL PROCESSOR SERVER BOARD", font=F_SMALL, fill=SILK_DIM)


def layout(board):
    board.parts = {}
    board.layout(board)
    for key, kind, box, text, sub in board.style.get("extras", ()):
        add(board, key, kind, box, text, sub)
    for s in board.sensors:
        s.label = place(board, s.spot)


def draw(board):
    img = Image.new("RGB", (PIC_W, PIC_H), BG)
    d = ImageDraw.Draw(img)
    draw_pcb(img, d, board)
    order = ["heatsink", "vrm", "io", "slot", "dimm", "ide", "atx", "eps", "bios",
             "battery", "nb", "sb", "chip", "hwm", "socket", "fan"]
    for kind in order:
        for p in board.parts.values():
            if p.kind == kind:
                draw_part(img, d, p)
    draw_title(d, board)
    for s in board.sensors:
        draw_label(d, s)
    return img


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    here = os.path.dirname(os.path.abspath(__file__))
    ap.add_argument("--out", default=os.path.join(here, "..", "boards"))
    ap.add_argument("--only", nargs="*")
    ap.add_argument("--png", help="also write PNG copies into this folder")
    args = ap.parse_args()
    os.makedirs(args.out, exist_ok=True)
    for board in boards():
        if args.only and board.name not in args.only:
            continue
        layout(board)
        with open(os.path.join(args.out, board.name + ".txt"), "w", newline="") as f:
            f.write("\r\n".join(board_file_lines(board)) + "\r\n")
        img = draw(board)
        img.save(os.path.join(args.out, board.name + ".jpg"), "JPEG", quality=90,
                 optimize=True)
        if args.png:
            os.makedirs(args.png, exist_ok=True)
            img.save(os.path.join(args.png, board.name + ".png"))
        print("wrote", board.name)


if __name__ == "__main__":
    main()
