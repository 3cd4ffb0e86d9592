#!/usr/bin/python3
"""End-to-end scenarios: the built tavikcontrol, driven with mouse and keyboard
under a private Xvfb, against tavik-sim on a pseudo-terminal. Outcomes are
checked where a user would find them: in the processor's memory and what it
received, in files, in the settings file, and on the screen.

The remote control's pages run in headless Chromium (tests/e2e/browser.py).

usage: e2e.py --program TAVIKCONTROL --simulator TAVIK_SIM [--tavikctl TAVIKCTL] --artifacts DIR [scenario...]
       e2e.py --program tavikcontrol.exe ... --wine-port COM=LINK [scenario...]  (under Wine)"""

import argparse
import getpass
import json
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import time
import traceback
from pathlib import Path
from xml.etree import ElementTree

from harness import Display, Failure, Program, Simulator, WineProgram, check, wait_for
from wsclient import WebSocket, get, http

# Where things are in the window at its default 800 x 560 (x, y inside it).
CONNECT = (400, 16)
SYNC_TO_SOFTWARE = (563, 16)
SYNC_TO_HARDWARE = (650, 16)
UPLOAD_FIRMWARE = (742, 16)
# Points on the top buttons' faces clear of their text, to see them enabled or not.
FACE = {CONNECT: (340, 12), SYNC_TO_SOFTWARE: (524, 12), SYNC_TO_HARDWARE: (610, 12), UPLOAD_FIRMWARE: (706, 12)}
# The arrows on the undo and redo buttons' faces (x, y, width, height): black when enabled.
UNDO_REDO_ARROWS = ((470, 6, 20, 16), (494, 6, 20, 16))
STATE_LOAD = (96, 15)
STATE_SAVE = (128, 15)
INPUT_CHANNEL = {"A": (166, 42), "B": (185, 42), "C": (204, 42)}
INPUT_BAND1_GAIN_THUMB = (83, 126)
INPUT_BAND1_FREQ_BOX = (117, 182)
INPUT_GAIN_BOX = (38, 181)
ROUTER = {(row, col): (56 + 27 * "ABC".index(col), 243 + 21 * (row - 1)) for row in range(1, 7) for col in "ABC"}
OUTPUT_NAME = {n: (160, 243 + 21 * (n - 1)) for n in range(1, 7)}
MUTE = {n: (298 + 24.4 * (n - 1), 371) for n in range(1, 7)}
GRAPH_OUTPUT = {n: (609 + 16 * (n - 1), 371) for n in range(1, 7)}
OUTPUT_LOAD = (96, 405)
OUTPUT_SAVE = (128, 405)
OUTPUT_CHANNEL = {n: (166 + 19 * (n - 1), 405) for n in range(1, 7)}
OUTPUT_COPY = (352, 405)
OUTPUT_PASTE = (384, 405)
LIMITER = (643, 405)
OUTPUT_DELAY = (755, 405)
OUTPUT_BAND1_GAIN_BOX = (84, 543)

# Inside the dialogs.
CHOOSER_COMBO = (170, 119)
FILE_NAME_BOX, FILE_OK = (300, 436), (545, 476)
DELAY_LEFT_BOX, DELAY_RIGHT_BOX, DELAY_LEFT_COMBO, DELAY_OK = (75, 56), (299, 56), (187, 56), (175, 120)
LIMITER_BOX, LIMITER_OK = (210, 40), (140, 146)
MESSAGE_OK = None  # message boxes take Return as OK

PRESET_CHOOSER = "Please enter the file name"
FIRMWARE_CHOOSER = "Please select the firmware to upload"
DISCONNECT_QUESTION = "Interrupting a firmware upload may render your unit unusable"
LINE_LOST = "The connection to your Tavik was lost."
ORANGE = (255, 140, 0)  # a button that is on
DISCONNECTED = "Tavik Serial Control - Disconnected"


def connected_title(port):
    return f"Tavik Serial Control - Connected via {port}"


def face(button, dx=7):
    """A point on a small button's face beside its centred text."""
    x, y = button
    return int(x) - dx, y - 6


def near(colour, wanted, tolerance=40):
    return all(abs(a - b) <= tolerance for a, b in zip(colour, wanted))


class Scenario:
    """One scenario's private world: display, home folder, processes, artifacts."""

    def __init__(self, programs, folder):
        self.program_binary, self.simulator_binary, self.tavikctl_binary = programs
        self.folder = folder
        self.home = folder / "home"
        self.home.mkdir(parents=True)
        # The announced simulator ports live in the user's runtime folder: a
        # private one keeps other runs' simulators out of the port chooser.
        runtime = folder / "run"
        runtime.mkdir(mode=0o700)
        self.env = dict(os.environ, XDG_RUNTIME_DIR=str(runtime))
        self.display = Display(folder)
        self.simulators, self.programs = [], []
        self.shots = 0

    @property
    def settings_file(self):
        return self.home / ".config" / "Orveth" / "Tavik.properties"

    def simulator(self, *args, name="sim", pace=True):
        sim = Simulator(self.simulator_binary, self.folder, name, (["--pace"] if pace else []) + list(args), self.env)
        self.simulators.append(sim)
        return sim

    def program(self, *args):
        if self.program_binary.suffix == ".exe":  # the test helper lies in the Windows build's tests/
            app = WineProgram(self.program_binary, self.display.name, self.folder,
                              self.program_binary.parent / "tests" / "find-window.exe")
        else:
            app = Program(self.program_binary, self.display.name, self.home, self.folder, self.env, args)
        self.programs.append(app)
        return app

    def shot(self, app, what, window=None):
        self.shots += 1
        return app.screenshot(self.folder / f"{self.shots:02d}-{what}.png", window)

    def settings(self):
        """The settings file as {key: value}."""
        import xml.etree.ElementTree as ET
        root = ET.parse(self.settings_file).getroot()
        return {v.get("name"): v.get("val") for v in root.iter("VALUE")}

    def close(self):
        for p in self.programs:
            p.close()
        for s in self.simulators:
            s.close()
        self.display.close()


# --- what a user does, step by step -----------------------------------------

def connect(app, sim, expect_title=True, attempts=2, last=False):
    """CONNECT, then the simulator's port in the real port chooser, then OK.
    The simulator is the first port offered, or with last the last one.
    Right after a start a click can come before the window takes clicks (seen
    in about one run in seven on a loaded machine): attempts clicks CONNECT
    again after 3 s."""
    for attempt in range(attempts):
        app.click(*CONNECT)
        try:
            chooser = app.wait_dialog("Orveth Tavik", 3 if attempt + 1 < attempts else 10)
            break
        except Failure:
            if attempt + 1 == attempts:
                raise
    app.click(*CHOOSER_COMBO, chooser)
    app.key("Escape")
    app.key(*["Down" if last else "Up"] * 12)
    app.key("Return")
    if expect_title:
        app.wait_title(connected_title(sim.port), 15)


def disconnect(app):
    app.click(*CONNECT)
    app.wait_title(DISCONNECTED)


def choose_file(app, title, path):
    """Types a full path into the program's file chooser and confirms it."""
    chooser = app.wait_dialog(title)
    app.click(*FILE_NAME_BOX, chooser)
    app.key("ctrl+a")
    app.type(str(path))
    app.key("Return")  # goes to the folder and keeps the name
    time.sleep(0.3)
    app.click(*FILE_OK, chooser)
    app.wait_closed(chooser)


def dismiss(app, window):
    app.click(*_message_ok(app, window), window)
    app.wait_no_dialog()


def answer(app, box, ok):
    """OK (Return) or Cancel (Escape) in a question box, once the box has the keyboard."""
    app.click(30, 40, box)
    app.key("Return" if ok else "Escape")
    app.wait_closed(box)


def write_firmware(s):
    """A firmware file whose image holds no 0x99 (a goodbye byte among the image
    bytes shows) and varies from byte to byte (a lost or shifted byte shows)."""
    rng = random.Random(3)
    image = bytes(rng.choice([b for b in range(256) if b != 0x99]) for _ in range(65536))
    firmware = s.folder / "new.TavikFirmware"
    code = "\n".join(" ".join(f"{b:02x}" for b in image[i:i + 32]) for i in range(0, len(image), 32))
    firmware.write_text("<Orveth_Corporation><Tavik_Firmware><Version>2.0a</Version><Code>\n"
                        + code + "\n</Code></Tavik_Firmware></Orveth_Corporation>\n")
    return image, firmware


def image_bytes(sim):
    """The bytes the processor took as image bytes, from its transcript."""
    return bytes(int(b, 16) for meaning, b in sim.messages() if meaning.startswith("firmware byte"))


def _message_ok(app, window):
    _, _, w, h = app.geometry(window)
    return w // 2, h - 25


def new_messages(sim, since, settle=0.5, first=2.0):
    """The messages the simulator received after the first since: once one has
    come (or first s have passed), when the line has been quiet for settle s."""
    try:
        wait_for("a message", lambda: len(sim.messages()) > since, first, 0.05)
    except Failure:
        return []
    seen = -1
    while True:
        now = len(sim.messages())
        if now == seen:
            return sim.messages()[since:]
        seen = now
        time.sleep(settle)


def wait_read_back(app, sim, since):
    """SYNC TO HARDWARE ends with the processor's last block answered."""
    wait_for("the read-back", lambda: sum("read" in m for m, _ in sim.messages()[since:]) >= 9, 10)
    time.sleep(0.5)


def memory_from(sim_memory, change):
    memory = json.loads(json.dumps(sim_memory))
    change(memory)
    return memory


def wait_state(sim, wanted, when, timeout=20):
    """Until the processor holds every field a whole-state transfer carries;
    else a Failure naming each that differs."""
    differences = []

    def same():
        memory = sim.memory()
        differences[:] = [f"{kind} {n + 1} at bytes {[i for i in range(32) if h[i] != w[i]]}"
                          for kind in ("inputs", "outputs")
                          for n, (h, w) in enumerate((c["block"], d["block"]) for c, d in zip(memory[kind], wanted[kind]))
                          if h != w]
        differences.extend(f"{key} {memory[key]}, not {wanted[key]}" for key in ("routing", "mute")
                           if memory[key] != wanted[key])
        # The value byte of an output's last mute command, the muted marker or a gain code, is what it plays at.
        silent = [o + 1 for o in range(6) if memory["muteValues"][o] == 0xFF]
        muted = [o + 1 for o in range(6) if wanted["mute"] >> o & 1]
        if silent != muted:
            differences.append(f"outputs {silent} took the muted marker, not {muted}")
        return not differences

    try:
        wait_for(when, same, timeout, 0.3)
    except Failure:
        raise Failure(f"{when}: the processor's " + "; ".join(differences)) from None


def register(f):
    SCENARIOS[f.__name__] = f
    return f


SCENARIOS = {}
WINDOWS_SCENARIOS = {}  # tavikcontrol.exe under Wine


def windows_scenario(f):
    WINDOWS_SCENARIOS[f.__name__] = f
    return f


# --- the scenarios ------------------------------------------------------------

@register
def first_start_connect_reconnect(s):
    sim = s.simulator()
    app = s.program()
    check(app.geometry()[2:] == (800, 560), f"the window is {app.geometry()[2:]}, not 800 x 560")
    check(app.title() == DISCONNECTED, f"first title: {app.title()!r}")
    s.shot(app, "first-start")
    connect_colour = app.pixel(*FACE[CONNECT])
    for button in (SYNC_TO_SOFTWARE, SYNC_TO_HARDWARE, UPLOAD_FIRMWARE):
        check(not near(app.pixel(*FACE[button]), connect_colour, 12), f"a device button at {button} looks enabled while disconnected")
    app.click(*SYNC_TO_SOFTWARE)  # disabled: nothing may happen
    check(set(app.windows()) == {app.window}, "a disabled button opened a window")

    connect(app, sim)
    s.shot(app, "connected")
    for button in (SYNC_TO_SOFTWARE, SYNC_TO_HARDWARE, UPLOAD_FIRMWARE):
        check(near(app.pixel(*FACE[button]), connect_colour, 12), f"device button at {button} still looks disabled")
    wait_for("the port in the settings file", lambda: s.settings_file.exists()
             and s.settings().get("Serial port") == sim.port, 6)

    disconnect(app)
    wait_for("the goodbye byte", lambda: sim.memory()["goodbyes"] == 1, 5)
    connect(app, sim)  # the same port again, as an ordinary user
    app.click(*MUTE[3])
    wait_for("output 3 muted on the processor after reconnecting",
             lambda: (lambda m: m["mute"] == 0b000100 and m["muteValues"][2] == 0xFF)(sim.memory()), 5)


@register
def edits_reach_the_processor(s):
    sim = s.simulator()
    app = s.program()
    connect(app, sim)
    memory = sim.memory()

    mark = len(sim.messages())
    x, y = INPUT_BAND1_GAIN_THUMB
    app.drag(x, y, x, y - 20)
    sent = new_messages(sim, mark)
    check(len(sent) == 1, f"a slider drag sent {len(sent)} commands: {sent}")
    gain = sim.memory()["inputs"][0]["block"][4]
    check(gain > memory["inputs"][0]["block"][4], f"the band gain code did not rise: {gain}")

    mark = len(sim.messages())
    app.replace_text(*INPUT_BAND1_FREQ_BOX, "2k")
    sent = new_messages(sim, mark)
    check(len(sent) == 1, f"typing 2k sent {sent}")
    check(sim.memory()["inputs"][0]["block"][3] == 59, "2k is not frequency code 59 (2000 Hz) in the processor")

    mark = len(sim.messages())
    app.click(*ROUTER[(1, "B")])
    app.click(*MUTE[2])
    sent = new_messages(sim, mark)
    check(len(sent) == 2, f"a crosspoint and a mute sent {sent}")
    now = sim.memory()
    check(now["routing"][0] != memory["routing"][0], "the crosspoint did not change output 1's routing")
    check(now["mute"] != memory["mute"], "the mute did not reach the processor")

    mark = len(sim.messages())
    app.click(*OUTPUT_NAME[1])
    app.key("ctrl+a")
    app.type("FOH L")
    time.sleep(0.1)
    check(len(sim.messages()) == mark, "the name was sent while still being typed")
    sent = new_messages(sim, mark)
    check(len(sent) == 8, f"typing a name sent {len(sent)} commands, not one set of eight: {sent}")
    check(sim.memory()["outputs"][0]["name"] == "FOH L   ", f"name in the processor: {sim.memory()['outputs'][0]['name']!r}")
    s.shot(app, "after-edits")


def power_on_memory(s):
    return json.loads(subprocess.run([s.simulator_binary, "--print-memory"], capture_output=True, text=True,
                                     check=True).stdout)


def non_default_memory(s):
    """A processor whose every value differs from power-on, where the panels
    start too: a field a transfer leaves out keeps a value that shows."""
    memory = power_on_memory(s)
    rng = random.Random(7)

    def other(now, low, high):
        return rng.choice([v for v in range(low, high + 1) if v != now])

    for channels, bands, widest in ((memory["inputs"], 6, 17), (memory["outputs"], 4, 75)):
        for channel in channels:
            block = channel["block"]
            block[0] = other(block[0], 0, 48)
            block[1], block[2] = rng.randrange(1, 22), rng.randrange(1, 256)  # up to 5631 delay steps
            for band in range(3, 3 + 3 * bands, 3):
                block[band] = other(block[band], 0, 89)
                block[band + 1] = other(block[band + 1], 0, 48)
                block[band + 2] = other(block[band + 2], 1, widest)
            if bands == 4:  # cuts (filters in read-back numbering), limiter, phase
                for i, high in ((15, 89), (16, 9), (17, 89), (18, 9), (19, 48)):
                    block[i] = other(block[i], 8 if i == 19 else 0, high)
                block[20] = 1
            block[24:32] = [other(c, 0x21, 0x7A) for c in block[24:32]]
    memory["routing"] = [4, 1, 2, 4, 3, 7]
    memory["mute"] = 0b010010  # outputs 2 and 5
    path = s.folder / "non-default.json"
    path.write_text(json.dumps(memory))
    return path


@register
def sync_both_ways_and_whole_presets(s):
    source = s.simulator("--memory", str(non_default_memory(s)), name="source")
    app = s.program()
    connect(app, source)
    mark = len(source.messages())
    app.click(*SYNC_TO_HARDWARE)
    wait_read_back(app, source, mark)
    s.shot(app, "after-sync-to-hardware")
    check(near(app.pixel(*face(MUTE[2])), ORANGE) and near(app.pixel(*face(MUTE[5])), ORANGE)
          and not near(app.pixel(*face(MUTE[1])), ORANGE), "the mute buttons do not show the processor's mutes")
    held = source.memory()

    preset = s.folder / "venue.TavikPreset"
    app.click(*STATE_SAVE)
    s.shot(app, "save-chooser", app.wait_dialog(PRESET_CHOOSER))
    choose_file(app, PRESET_CHOOSER, preset)
    check(preset.exists(), "SAVE wrote no file")

    # Each of the next two processors starts at power-on, where no field
    # equals the first one's.
    disconnect(app)
    source.close()
    blank = s.simulator(name="blank")
    connect(app, blank)
    app.click(*SYNC_TO_SOFTWARE)
    wait_state(blank, held, "SYNC TO SOFTWARE")

    # A change, then LOAD of the saved preset puts everything back, on the
    # processor too (loading while connected sends it).
    disconnect(app)
    blank.close()
    loaded = s.simulator(name="loaded")
    connect(app, loaded)
    app.click(*MUTE[1])
    app.click(*STATE_LOAD)
    choose_file(app, PRESET_CHOOSER, preset)
    wait_state(loaded, held, "LOAD of the saved preset")
    s.shot(app, "after-load")


@register
def undo_and_redo_reach_the_processor(s):
    """The keys undo a typed value and a whole-state LOAD on the processor too."""
    sim = s.simulator("--memory", str(non_default_memory(s)))
    preset = s.home / "Documents" / "Orveth Tavik" / "other.TavikPreset"  # every field differs from the start
    preset.parent.mkdir(parents=True)
    subprocess.run([str(s.tavikctl_binary), "pull", str(preset), "--port", sim.port], check=True, capture_output=True,
                   env=dict(os.environ, HOME=str(s.home)), timeout=30)
    loaded = sim.memory()
    app = s.program()
    connect(app, sim)
    mark = len(sim.messages())
    app.click(*SYNC_TO_SOFTWARE)  # the processor holds the record: an undo must bring back what it held
    wait_for("the whole push", lambda: len(new_messages(sim, mark, 0.3)) >= 273, 15)
    arrows = lambda: [app.darkest(crop) for crop in UNDO_REDO_ARROWS]
    shot = s.shot(app, "nothing-to-undo")
    check(min(arrows()) > 28, f"with nothing to undo the undo or redo button looks enabled ({shot})")

    band_gain = lambda: sim.memory()["outputs"][0]["block"][4]
    old = band_gain()
    app.replace_text(*OUTPUT_BAND1_GAIN_BOX, "-7.5")
    for keys, code, when in ((None, 9, "typing -7.5"), ("ctrl+z", old, "Ctrl+Z"), ("ctrl+shift+z", 9, "Ctrl+Shift+Z")):
        if keys:
            app.key(keys)
        wait_for(f"band gain code {code} on output 1 after {when}", lambda: band_gain() == code, 5)

    before = sim.memory()
    app.click(*STATE_LOAD)
    choose_file(app, PRESET_CHOOSER, preset)
    wait_state(sim, loaded, "LOAD")
    app.key("ctrl+z")
    wait_state(sim, before, "Ctrl+Z after LOAD")
    # The rest of the memory too, but the value byte each output's last mute
    # command carried: an undo, like any edit, sends a mute only where it changed.
    after = sim.memory()
    changed = [key for key in before if key != "muteValues" and after[key] != before[key]]
    check(not changed, f"after Ctrl+Z the processor's {changed} differ from before the LOAD")
    shot = s.shot(app, "a-step-each-way")
    check(max(arrows()) < 28, f"with a step to undo and one to redo a button looks disabled ({shot})")


@register
def channel_preset_copy_paste_dialogs(s):
    sim = s.simulator()
    app = s.program()
    connect(app, sim)
    power_on = sim.memory()["outputs"][0]["block"]

    # Output 1 (shown first) gets a band gain, a delay and a limiter
    # threshold that no output has at power-on.
    app.replace_text(*OUTPUT_BAND1_GAIN_BOX, "-7.5")
    wait_for("-7.5 dB (band gain code 9) on output 1", lambda: sim.memory()["outputs"][0]["block"][4] == 9, 5)

    # Delay in metres: 3 m 500 mm is 500 steps of 7 mm.
    app.click(*OUTPUT_DELAY)
    dialog = app.wait_dialog("Tavik Output Delay")
    s.shot(app, "delay-dialog", dialog)
    check(app.darkest((50, 45, 50, 20), dialog) < 80, "the delay dialog's numbers cannot be read (no dark text)")
    app.click(*DELAY_LEFT_COMBO, dialog)
    app.key("Down", "Down", "Return")
    app.click(*DELAY_LEFT_BOX, dialog)
    app.key("ctrl+a")
    app.type("3\n")
    app.click(*DELAY_RIGHT_BOX, dialog)
    app.key("ctrl+a")
    app.type("500\n")
    s.shot(app, "delay-dialog-metres", dialog)
    app.click(*DELAY_OK, dialog)
    app.wait_no_dialog()
    wait_for("the delay on output 1", lambda: sim.memory()["outputs"][0]["block"][1:3] == [1, 244], 5)

    app.click(*LIMITER)
    dialog = app.wait_dialog("Tavik Output Limiter")
    app.click(*LIMITER_BOX, dialog)
    app.key("ctrl+a")
    app.type("-6\n")
    s.shot(app, "limiter-dialog", dialog)
    app.click(*LIMITER_OK, dialog)
    app.wait_no_dialog()
    wait_for("-6 dB (limiter code 34) on output 1", lambda: sim.memory()["outputs"][0]["block"][19] == 34, 5)
    one = sim.memory()["outputs"][0]["block"]
    check([i for i in range(21) if one[i] != power_on[i]] == [1, 2, 4, 19], f"output 1 holds more changes: {one}")

    preset = s.folder / "output1.TavikOutputPreset"
    app.click(*OUTPUT_SAVE)
    choose_file(app, PRESET_CHOOSER, preset)
    saved = {(e.tag.lower(), name.lower()): value for e in ElementTree.parse(preset).getroot().iter()
             for name, value in e.attrib.items()}
    for key, wanted in ((("band_0", "gain"), "-7.5"), (("delay", "delay_steps"), "500"), (("limiter", "threshold"), "-6")):
        check(saved.get(key) == wanted, f"the output preset holds {key} = {saved.get(key)!r}, not {wanted}")

    # Outputs 2 and 3 are still at power-on: PASTE and LOAD must bring all three.
    app.click(*OUTPUT_COPY)
    app.click(*OUTPUT_CHANNEL[2])
    app.click(*OUTPUT_PASTE)
    wait_for("output 2 to take output 1's settings", lambda: sim.memory()["outputs"][1]["block"][:21] == one[:21], 5)

    app.click(*OUTPUT_CHANNEL[3])
    app.click(*OUTPUT_LOAD)
    choose_file(app, PRESET_CHOOSER, preset)
    wait_for("output 3 to take the preset", lambda: sim.memory()["outputs"][2]["block"][:21] == one[:21], 5)
    s.shot(app, "after-dialogs")


@register
def firmware_upload(s):
    sim = s.simulator(pace=False)
    app = s.program()
    connect(app, sim)
    image, firmware = write_firmware(s)
    app.click(*UPLOAD_FIRMWARE)
    choose_file(app, FIRMWARE_CHOOSER, firmware)
    wait_for("the upload under way", lambda: sim.memory()["firmware"]["bytesReceived"] > 1000, 10)
    # DISCONNECT asks first; Cancel lets the upload go on to its end.
    app.click(*CONNECT)
    box = app.wait_message("Tavik", DISCONNECT_QUESTION)
    s.shot(app, "disconnect-question", box)
    answer(app, box, ok=False)
    s.shot(app, "firmware-uploading")
    check(app.title() == connected_title(sim.port), f"Cancel disconnected: {app.title()!r}")
    box = app.wait_message("Tavik", "Firmware upload complete.", 200)
    s.shot(app, "firmware-complete", box)
    dismiss(app, box)
    app.wait_title(DISCONNECTED)
    check(sim.memory()["firmware"]["complete"], "the simulator did not see a whole upload")
    check(image_bytes(sim) == image, "the uploaded image differs from the file's")


@register
def disconnect_during_upload(s):
    sim = s.simulator()  # paced: the upload's share of the line shows
    app = s.program()
    connect(app, sim)
    image, firmware = write_firmware(s)
    app.click(*UPLOAD_FIRMWARE)
    choose_file(app, FIRMWARE_CHOOSER, firmware)
    wait_for("the upload under way", lambda: sim.memory()["firmware"]["bytesReceived"] > 1500, 10)
    app.click(*MUTE[2])  # an edit meanwhile: never among the image bytes
    app.click(*CONNECT)
    box = app.wait_message("Tavik", DISCONNECT_QUESTION)
    answer(app, box, ok=True)
    app.wait_title(DISCONNECTED, 2)
    time.sleep(1)  # an "upload failed" box, or bytes after the disconnection, would show by now
    s.shot(app, "after-disconnect")
    check(set(app.windows()) == {app.window}, f"a box after abandoning the upload: {app.windows()}")
    received = image_bytes(sim)
    check(1000 < len(received) < len(image), f"the processor holds {len(received)} image bytes")
    check(0x99 not in received, f"a goodbye byte among the image bytes, at {received.find(0x99)}")
    check(received == image[:len(received)], "the processor's image bytes are not the file's")
    # With the window painting its progress, each byte still takes its echo
    # on the line and the 1 ms pause after it, no more (wide margins).
    times = [t for t, meaning, _ in sim.messages(timed=True) if meaning.startswith("firmware byte")][200:]
    rate, line = (len(times) - 1) / (times[-1] - times[0]) * 1000, 1 / (20 / 57600 + 0.001)
    check(line / 3 < rate < line * 1.2, f"image bytes arrived at {rate:.0f}/s, the line's pace is {line:.0f}/s")


@register
def quit_keeps_settings(s):
    app = s.program()
    app.click(*INPUT_CHANNEL["C"])
    app.click(*OUTPUT_CHANNEL[4])
    app.click(*GRAPH_OUTPUT[3])
    app.click(*OUTPUT_DELAY)
    dialog = app.wait_dialog("Tavik Output Delay")
    app.click(*DELAY_LEFT_COMBO, dialog)
    app.key("Down", "Return")  # feet
    app.click(*DELAY_OK, dialog)
    app.wait_no_dialog()
    app.xdotool("windowmove", app.window, 100, 80)
    app.xdotool("windowsize", app.window, 1000, 700)
    time.sleep(0.5)
    bounds = app.geometry()
    s.shot(app, "before-quit")
    app.request_close()
    check(app.wait_exit() == 0, "the program did not quit cleanly")
    settings = s.settings()
    check(settings.get("bounds") == " ".join(map(str, bounds)), f"bounds kept: {settings.get('bounds')} vs {bounds}")
    for key, wanted in (("input2", "2"), ("output", "3"), ("Delay units", "1")):
        check(settings.get(key) == wanted, f"settings {key} = {settings.get(key)!r}, not {wanted!r}")
    check(settings.get("SelectedGraphOutputs"), "no graph selection kept")

    again = s.program()
    check(again.geometry() == bounds, f"the window came back at {again.geometry()}, not {bounds}")
    scale = bounds[2] / 800
    shot = s.shot(again, "restarted")
    for what, (x, y) in (("input C", face(INPUT_CHANNEL["C"])), ("output 4", face(OUTPUT_CHANNEL[4])),
                         ("graph output 3", face(GRAPH_OUTPUT[3], 4))):
        check(near(again.pixel(int(x * scale), int(y * scale)), ORANGE), f"{what} is not selected after a restart ({shot})")


@register
def processor_not_answering(s):
    sim = s.simulator("--silent-from", "1")
    app = s.program()
    connect(app, sim, expect_title=False)
    box = app.wait_message("Tavik", "Tavik not detected", 15)
    s.shot(app, "not-detected", box)
    dismiss(app, box)
    check(app.title() == DISCONNECTED, f"title after a silent processor: {app.title()!r}")


def lost_line_is_told(s, app, sim, what):
    """Without a click, the title says Disconnected within 2 s and the box says why."""
    wait_for("the simulator to go away", lambda: not sim.alive(), 15)
    app.wait_title(DISCONNECTED, 2)
    box = app.wait_message("Tavik", LINE_LOST, 5)
    s.shot(app, f"{what}-message", box)
    dismiss(app, box)
    time.sleep(1)
    check(set(app.windows()) == {app.window}, f"more boxes after the lost line: {app.windows()}")


@register
def hang_up_during_sync(s):
    sim = s.simulator("--hang-up-after", "600")
    app = s.program()
    connect(app, sim)
    app.click(*SYNC_TO_SOFTWARE)
    lost_line_is_told(s, app, sim, "hang-up")
    # The port was let go of: CONNECT opens the chooser again. A processor
    # killed during a push is told alike (a bridge's latency keeps the push
    # going for seconds).
    again = s.simulator("--bridge-latency", "16", name="again")
    connect(app, again)
    app.click(*SYNC_TO_SOFTWARE)
    wait_for("the push under way", lambda: len(again.messages()) > 50, 10)
    again.process.kill()
    check(len(again.messages()) < 270, "the push had ended before the processor was killed")
    lost_line_is_told(s, app, again, "killed")


@register
def bad_files(s):
    (s.settings_file.parent).mkdir(parents=True)
    s.settings_file.write_bytes(b"\x00garbage<<<not xml at all" * 50)
    app = s.program()
    check(app.geometry()[2:] == (800, 560), "a garbage settings file changed the window's size")
    check(app.title() == DISCONNECTED, "a garbage settings file changed the start")
    # Loading before anything was ever saved: the preset folder is missing.
    app.click(*STATE_LOAD)
    box = app.wait_message("Tavik", "Folder does not exist:")
    dismiss(app, box)
    presets = s.home / "Documents" / "Orveth Tavik"
    presets.mkdir(parents=True)
    corrupt = presets / "broken.TavikPreset"
    corrupt.write_text("<Orveth_Tavik_state><Orveth_Tavik_input2_EQ_state>")
    app.click(*STATE_LOAD)
    choose_file(app, PRESET_CHOOSER, corrupt)
    box = app.wait_message("Tavik", "Invalid file format")
    s.shot(app, "invalid-file", box)
    dismiss(app, box)
    app.request_close()
    check(app.wait_exit() == 0, "the program did not quit cleanly")
    check("bounds" in s.settings(), "the program did not write a new settings file over the garbage")

    # Well-formed, but every value of the wrong kind or out of range.
    s.settings_file.write_text(
        '<?xml version="1.0" encoding="UTF-8"?>\n<PROPERTIES>'
        '<VALUE name="bounds" val="wide"/><VALUE name="input2" val="7"/><VALUE name="output" val="-3"/>'
        '<VALUE name="Delay units" val="x"/><VALUE name="SelectedGraphOutputs" val="zz 99"/></PROPERTIES>\n')
    again = s.program()
    check(again.geometry()[2:] == (800, 560), f"wrong settings gave a window of {again.geometry()[2:]}")
    shot = s.shot(again, "wrong-settings")
    for what, (x, y) in (("input A", face(INPUT_CHANNEL["A"])), ("output 1", face(OUTPUT_CHANNEL[1]))):
        check(near(again.pixel(x, y), ORANGE), f"{what} is not the default selection after wrong settings ({shot})")
    again.request_close()
    check(again.wait_exit() == 0, "the program did not quit cleanly after wrong settings")


# --- the remote control -------------------------------------------------------

REMOTE_WINDOW = "Tavik remote control"


def url_parts(url):
    found = re.fullmatch(r"http://(127\.0\.0\.1):(\d+)/\?token=([0-9a-f]{32})", url)
    check(found, f"not a remote address on this machine with a 128-bit token: {url!r}")
    return found.group(1), int(found.group(2)), found.group(3)


@register
def remote_pages_follow_and_edit(s):
    """Pages at a phone's and a tablet's size edit through the record, and
    every page and the window show every change."""
    from browser import Page
    sim = s.simulator()
    app = s.program("--remote", "127.0.0.1:0")
    url = app.printed_url()
    url_parts(url)
    window = app.wait_dialog(REMOTE_WINDOW)
    pages = []
    try:
        phone = Page(url, s.folder, "phone", 390, 844)
        pages.append(phone)
        phone.wait_link("not connected to a processor")
        connect(app, sim, attempts=3)
        phone.wait_link("connected · 1 page")
        tablet = Page(url, s.folder, "tablet", 820, 1180, mobile=False)
        pages.append(tablet)
        phone.wait_link("2 pages")
        s.shot(app, "remote-window", window)

        # A band gain by the phone's slider: the processor holds its code, the tablet shows it.
        phone.slide("output.1.band.2.gain", 0.75)
        gain = wait_for("the phone's band gain to move",
                        lambda: (v := phone.value("output.1.band.2.gain")) not in ("0", None) and v)
        code = round(2 * (float(gain) + 12))
        wait_for(f"band gain code {code} ({gain} dB) in the processor",
                 lambda: sim.memory()["outputs"][0]["block"][7] == code)
        tablet.wait_value("output.1.band.2.gain", gain)
        phone.press("output.1.limiter", "END")  # whole decibels: "20", not a shortened text
        phone.wait_value("output.1.limiter", "20")
        wait_for("limiter code 8 (+20 dB) in the processor", lambda: sim.memory()["outputs"][0]["block"][0x13] == 8)

        # A mute by the phone's button: the processor, the tablet and the window.
        phone.tap('button[data-param="output.1.mute"]')
        wait_for("output 1 muted in the processor", lambda: sim.memory()["mute"] & 1)
        tablet.wait_value("output.1.mute", "on")
        wait_for("the window's mute button for output 1 to light",
                 lambda: near(app.pixel(*face(MUTE[1], 9)), ORANGE), 5)

        # An edit in the window shows on a page.
        tablet.tap('button[data-channel="output.3"]')
        tablet.wait_value("output.3.mute", "off")
        app.click(*MUTE[3])
        tablet.wait_value("output.3.mute", "on")

        phone.screenshot(s.folder / "remote-phone.png")
        tablet.screenshot(s.folder / "remote-tablet.png")
        s.shot(app, "remote-edits-in-window")
    finally:
        for page in pages:
            page.close()


@register
def remote_refusals(s):
    """tavikctl serve refuses what lacks the token or breaks a limit, and
    nothing reaches the record or the processor through a refusal."""
    from browser import Page
    sim = s.simulator()
    log = open(s.folder / "tavikctl.log", "w")
    serve = subprocess.Popen([str(s.tavikctl_binary), "serve", "--port", sim.port, "--listen", "127.0.0.1:0"],
                             stdout=subprocess.PIPE, stderr=log, text=True, env=dict(os.environ, HOME=str(s.home)))
    sockets, pages = [], []
    try:
        host, port, token = url_parts(serve.stdout.readline().strip())
        first = WebSocket(host, port, f"/ws?token={token}")
        sockets.append(first)
        before = first.receive_type("state")["values"]
        mark = len(sim.messages())

        big_header = f"GET /?token={token} HTTP/1.1\r\nHost: {host}:{port}\r\nX-Padding: {'a' * 9000}\r\n\r\n"
        refusals = [  # what, status it gets (0: the connection is closed)
            ("no token", get(host, port, "/")[0], 401),
            ("a wrong token", get(host, port, "/?token=" + "0" * 32)[0], 401),
            ("a token one character short", get(host, port, "/?token=" + token[:-1])[0], 401),
            ("a WebSocket without the token", WebSocket(host, port, "/ws").status, 401),
            ("a WebSocket with a wrong token", WebSocket(host, port, "/ws?token=" + "1" * 32).status, 401),
            ("a WebSocket from another page", WebSocket(host, port, f"/ws?token={token}",
                                                        origin="http://attacker.example").status, 403),
            ("a WebSocket without an Origin", WebSocket(host, port, f"/ws?token={token}", origin=None).status, 403),
            ("a WebSocket to a host name (a rebinding page)",
             WebSocket(host, port, f"/ws?token={token}", host_name="attacker.example").status, 403),
            ("a header block over 8 KiB", http(host, port, big_header.encode())[0], 431),
            ("a path outside the page", get(host, port, f"/../../etc/passwd?token={token}")[0], 404),
            ("another file", get(host, port, f"/index.html?token={token}")[0], 404),
        ]
        for what, status, wanted in refusals:
            check(status == wanted, f"{what}: answered {status}, not {wanted}")
        status, page = get(host, port, f"/?token={token}")
        check(status == 200 and b"text/html" in page, f"the page itself: {status}")

        malformed = [
            "not json", "[]", '{"type":"set"}', '{"type":"set","param":"output.1.gain"}',
            '{"type":"set","param":"output.9.gain","value":"1"}', '{"type":"set","param":"output.1.gain","value":"loud"}',
            '{"type":"set","param":"output.1.gain","value":-3}', '{"type":"set","param":"output.1.gain","value":"1","x":1}',
            '{"type":"drop","param":"output.1.gain"}', '{"type":"curve","outputs":[0,7]}',
        ]
        for text in malformed:
            first.send(text)
            answer = first.receive_type("error")
            check(answer is not None and answer["message"], f"{text!r} was not refused with a message: {answer}")
        first.send(b"\x00\x01", opcode=2)
        check(first.receive_type("error") is not None, "a binary message was not refused")

        # A ninth page is refused while eight are open.
        for _ in range(7):
            sockets.append(WebSocket(host, port, f"/ws?token={token}"))
            check(sockets[-1].status == 101, f"page {len(sockets)} of 8 refused: {sockets[-1].status}")
        check(WebSocket(host, port, f"/ws?token={token}").status == 503, "a ninth page was let in")

        # A message over 4 KiB closes its page.
        oversized = json.dumps({"type": "set", "param": "output.1.name", "value": "x" * 5000})
        first.send(oversized)
        check(first.receive_type("never") is None, "a message over 4 KiB did not close its connection")

        time.sleep(0.5)
        check(len(sim.messages()) == mark, f"a refusal reached the processor: {sim.messages()[mark:]}")
        for socket_ in sockets:
            socket_.close()
        fresh = WebSocket(host, port, f"/ws?token={token}")
        sockets.append(fresh)
        check(fresh.status == 101, f"a page after the others left: {fresh.status}")
        check(fresh.receive_type("state")["values"] == before, "a refusal changed the record")
        stale = Page(f"http://{host}:{port}/?token={token}", s.folder, "stale", 390, 844)
        pages.append(stale)
        stale.wait_link("connected")

        # After 10 wrong tokens within a minute the address waits, even with the right one.
        for _ in range(10):
            get(host, port, "/?token=" + "2" * 32)
        check(get(host, port, f"/?token={token}")[0] == 429, "the address did not have to wait after 10 wrong tokens")

        serve.send_signal(signal.SIGINT)
        check(serve.wait(15) == 0, "tavikctl serve did not end cleanly on Ctrl-C")

        # Started again on the same port, with a new token: the open page says
        # its address has expired instead of locking its phone out by retrying.
        serve = subprocess.Popen([str(s.tavikctl_binary), "serve", "--port", sim.port, "--listen", f"{host}:{port}"],
                                 stdout=subprocess.PIPE, stderr=log, text=True, env=dict(os.environ, HOME=str(s.home)))
        new_url = serve.stdout.readline().strip()
        stale.wait_link("this address has expired", 15)
        pages.append(Page(new_url, s.folder, "new", 390, 844))
        pages[-1].wait_link("connected")
        serve.send_signal(signal.SIGINT)
        check(serve.wait(15) == 0, "tavikctl serve did not end cleanly on Ctrl-C")
    finally:
        for page in pages:
            page.close()
        for socket_ in sockets:
            socket_.close()
        if serve.poll() is None:
            serve.kill()
            serve.wait()
        log.close()


STATE = ("inputs", "outputs", "routing", "mute")  # what a whole-state transfer reaches


@windows_scenario
def windows_program_as_a_user_drives_it(s):
    """A first start on Windows: every step through the real window and Wine's own dialogs."""
    port, link = s.wine_port
    power_on = json.loads(subprocess.run([s.simulator_binary, "--print-memory"], capture_output=True, text=True,
                                         check=True).stdout)
    # Every byte the panels hold differs on the processor, so that SYNC TO
    # SOFTWARE must send each one to make them equal.
    held = json.loads(json.dumps(power_on))
    for channel in held["inputs"] + held["outputs"]:
        channel["block"] = [b if 21 <= i < 24 else (b + 1) % 256 for i, b in enumerate(channel["block"])]
    held["routing"], held["mute"] = [6, 5, 3, 2, 7, 1], 0b100101
    (s.folder / "held.json").write_text(json.dumps(held))
    sim = s.simulator("--memory", str(s.folder / "held.json"))
    os.symlink(sim.port, f"{link}.new")  # the COM port Wine maps to the link reaches this simulator
    os.replace(f"{link}.new", link)
    app = s.program()
    check(app.title() == DISCONNECTED, f"first title: {app.title()!r}")
    s.shot(app, "first-start")

    # LOAD before any SAVE: the preset folder in the user's Documents is missing.
    presets = Path(os.environ["WINEPREFIX"], "drive_c", "users", getpass.getuser(), "Documents", "Orveth Tavik")
    app.click(*STATE_LOAD)
    box = app.wait_message("Tavik", f"Folder does not exist: C:\\users\\{getpass.getuser()}\\Documents\\Orveth Tavik")
    s.shot(app, "no-preset-folder", box)
    app.key("Return")  # OK, as in any message box
    app.wait_no_dialog()

    connect(app, sim, expect_title=False, last=True)  # COM7, after COM5 in the system's order
    app.wait_title(connected_title(port), 15)
    mark = len(sim.messages())
    app.replace_text(*INPUT_BAND1_FREQ_BOX, "2k")
    check(len(new_messages(sim, mark)) == 1 and sim.memory()["inputs"][0]["block"][3] == 59,
          "typing 2k did not send frequency code 59 (2000 Hz) to the processor")
    # The keys through Wine's keyboard: undo sends the program's old value, redo the typed one.
    for keys, code in (("ctrl+z", power_on["inputs"][0]["block"][3]), ("ctrl+shift+z", 59)):
        app.key(keys)
        wait_for(f"frequency code {code} on the processor after {keys}",
                 lambda: sim.memory()["inputs"][0]["block"][3] == code, 5)

    mark = len(sim.messages())
    app.click(*SYNC_TO_SOFTWARE)
    wait_for("the whole push", lambda: len(new_messages(sim, mark, 0.5)) >= 264, 15)
    pushed = sim.memory()
    wanted = json.loads(json.dumps(power_on))  # the program starts with nothing routed
    wanted["routing"] = [0] * 6
    for channel in wanted["outputs"]:
        channel["block"][21] = 0
    wanted["inputs"][0]["block"][3] = 59
    for key in STATE:
        check(pushed[key] == wanted[key], f"after SYNC TO SOFTWARE the processor's {key} differ from the panels'")
    s.shot(app, "after-sync-to-software")

    app.click(*STATE_SAVE)
    chooser = app.wait_dialog(PRESET_CHOOSER)
    s.shot(app, "save-dialog", chooser)
    app.type("venue")  # into the file name box, which has the keyboard
    app.key("Return")
    app.wait_closed(chooser)
    preset = presets / "venue.TavikPreset"
    bands = [b.get("freq") for b in ElementTree.parse(preset).getroot().iter() if b.tag.startswith("Band_")]
    check(bands.count("2000") == 1, f"the saved preset does not hold the one 2 kHz band: {bands}")

    # Edits after SAVE, which only a LOAD that reaches the processor undoes.
    mark = len(sim.messages())
    app.click(*MUTE[3])
    app.replace_text(*INPUT_BAND1_FREQ_BOX, "5k")
    check(len(new_messages(sim, mark)) == 2, "the edits after SAVE did not reach the processor")
    app.click(*STATE_LOAD)
    chooser = app.wait_dialog(PRESET_CHOOSER)
    s.shot(app, "load-dialog", chooser)
    app.type("venue.TavikPreset")
    app.key("Return")
    app.wait_closed(chooser)
    wait_for("the loaded preset on the processor", lambda: all(sim.memory()[k] == pushed[k] for k in STATE), 15, 0.5)
    s.shot(app, "after-load")

    app.request_close()
    app.wait_exit()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True, type=Path)
    parser.add_argument("--simulator", required=True, type=Path)
    parser.add_argument("--tavikctl", type=Path, default=Path("/nonexistent"))
    parser.add_argument("--artifacts", required=True, type=Path)
    parser.add_argument("--wine-port", metavar="COM=LINK",
                        help="the Windows scenarios (PROGRAM is tavikcontrol.exe), on the COM port mapped to LINK")
    parser.add_argument("scenarios", nargs="*")
    args = parser.parse_args()
    scenarios = WINDOWS_SCENARIOS if args.wine_port else SCENARIOS
    names = args.scenarios or list(scenarios)
    unknown = [n for n in names if n not in scenarios]
    if unknown:
        parser.error(f"no scenario {', '.join(unknown)}; there are: {', '.join(scenarios)}")
    failed = []
    started_all = time.monotonic()
    for name in names:
        folder = args.artifacts / name
        shutil.rmtree(folder, ignore_errors=True)
        started = time.monotonic()
        scenario = None
        try:
            scenario = Scenario((args.program.resolve(), args.simulator.resolve(), args.tavikctl.resolve()), folder)
            scenario.wine_port = args.wine_port and args.wine_port.split("=", 1)
            scenarios[name](scenario)
            result = "passed"
        except Exception as error:  # one scenario's failure must not stop the others
            failed.append(name)
            result = f"FAILED: {error}"
            traceback.print_exc()
            if scenario and scenario.programs and scenario.programs[-1].alive():
                try:
                    app = scenario.programs[-1]
                    print(f"windows of the program: {app.windows()}", flush=True)
                    scenario.shot(app, "failure")
                    for window in app.windows():
                        if window != app.window:
                            scenario.shot(app, "failure-dialog", window)
                except Exception:
                    pass
        finally:
            if scenario:
                scenario.close()
        print(f"{name}: {result} ({time.monotonic() - started:.1f} s)", flush=True)
    print(f"end-to-end: {len(names) - len(failed)} passed, {len(failed)} failed "
          f"({time.monotonic() - started_all:.0f} s)", flush=True)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
