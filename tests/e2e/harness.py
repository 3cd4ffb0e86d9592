"""The pieces an end-to-end scenario is made of: a private X server, the
processor simulator, the built program, and a user's mouse, keyboard and eyes
(xdotool, screenshots, OCR of what a box says)."""

import ctypes
import json
import os
import re
import select
import signal
import subprocess
import time
from pathlib import Path


class Failure(Exception):
    pass


def wait_for(what, probe, timeout=10.0, step=0.1):
    """probe() until it gives something true; its value, or Failure naming what."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure(f"timed out after {timeout:g} s waiting for {what}")
        time.sleep(step)


def check(condition, message):
    if not condition:
        raise Failure(message)


class Display:
    """A private Xvfb: no other program's windows, no window manager."""

    def __init__(self, workdir):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"],
            pass_fds=[write_end], stdout=subprocess.DEVNULL, stderr=open(workdir / "xvfb.log", "w"))
        os.close(write_end)
        ready, _, _ = select.select([read_end], [], [], 20)
        if not ready:
            self.process.kill()
            raise Failure("Xvfb did not start")
        self.name = ":" + os.read(read_end, 32).decode().strip()
        self.read_end = read_end  # Xvfb may write to it again; a closed pipe kills it
        # A window manager's first act: programs only speak the close
        # protocol when its atoms exist, so create them as one would.
        X11.intern_atoms(self.name, [b"WM_PROTOCOLS", b"WM_DELETE_WINDOW", b"WM_TAKE_FOCUS"])

    def close(self):
        self.process.terminate()
        self.process.wait(10)
        os.close(self.read_end)


class Simulator:
    """tavik-sim on its own pseudo-terminal, with its memory, transcript and
    last firmware image kept in the scenario's folder."""

    def __init__(self, binary, workdir, name="sim", args=(), env=None):
        self.dump = workdir / f"{name}-memory.json"
        self.transcript_file = workdir / f"{name}-transcript.txt"
        self.firmware_file = workdir / f"{name}-firmware.bin"
        self.process = subprocess.Popen(
            [binary, "--dump", str(self.dump), "--transcript", str(self.transcript_file),
             "--firmware-out", str(self.firmware_file), *args],
            env=env, stdout=subprocess.PIPE, stderr=open(workdir / f"{name}.log", "w"), text=True)
        self.port = self.process.stdout.readline().strip()
        check(self.port.startswith("/dev/"), f"the simulator gave no port: {self.port!r}")

    def memory(self):
        """The memory as the simulator holds it now (it writes it on SIGUSR1)."""
        self.dump.unlink(missing_ok=True)
        self.process.send_signal(signal.SIGUSR1)

        def read():
            try:
                return json.loads(self.dump.read_text())
            except (OSError, ValueError):
                return None

        return wait_for("the simulator's memory dump", read, 5)

    def messages(self, timed=False):
        """Every message received so far: (meaning, hex bytes) in order, with
        timed the line time in ms first."""
        result = []
        if not self.transcript_file.exists():
            return result
        for line in self.transcript_file.read_text().splitlines():
            fields = re.match(r"#\d+\s+([\d.]+)ms\s+((?:[0-9A-F]{2} )+)\s*(.*?)\s*(?:->.*)?$", line)
            if fields:
                message = (fields.group(3), fields.group(2).strip())
                result.append((float(fields.group(1)), *message) if timed else message)
        return result

    def alive(self):
        return self.process.poll() is None

    def close(self):
        if self.alive():
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()


class _ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]


class _Event(ctypes.Union):
    _fields_ = [("xclient", _ClientMessage), ("pad", ctypes.c_long * 24)]


class X11:
    """The one thing xdotool cannot do: ask a window to close as its close
    button does (the WM_DELETE_WINDOW message a window manager sends)."""

    @staticmethod
    def _library():
        x = ctypes.cdll.LoadLibrary("libX11.so.6")
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XInternAtom.restype = ctypes.c_ulong
        x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
        x.XFlush.argtypes = [ctypes.c_void_p]
        x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        return x

    @staticmethod
    def intern_atoms(display_name, names):
        x = X11._library()
        dpy = x.XOpenDisplay(display_name.encode())
        check(dpy, f"cannot open display {display_name}")
        for name in names:
            x.XInternAtom(dpy, name, 0)
        x.XCloseDisplay(dpy)

    @staticmethod
    def request_close(display_name, window):
        x = X11._library()
        dpy = x.XOpenDisplay(display_name.encode())
        check(dpy, f"cannot open display {display_name}")
        event = _Event()
        message = event.xclient
        message.type = 33  # ClientMessage
        message.window = window
        message.message_type = x.XInternAtom(dpy, b"WM_PROTOCOLS", 0)
        message.format = 32
        message.data[0] = x.XInternAtom(dpy, b"WM_DELETE_WINDOW", 0)
        x.XSendEvent(dpy, window, 0, 0, ctypes.byref(event))
        x.XFlush(dpy)
        x.XCloseDisplay(dpy)


class Program:
    """The built tavikcontrol, seen and driven as a user sees and drives it."""

    TITLE = "Tavik Serial Control"

    def __init__(self, binary, display, home, workdir, env, args=()):
        self.display = display
        self.workdir = workdir
        self.env = dict(env, DISPLAY=display, HOME=str(home))
        self.env.pop("XDG_CONFIG_HOME", None)
        self.log = open(workdir / "tavikcontrol.log", "a")
        self.process = subprocess.Popen([binary, *args], env=self.env, stdout=self.log, stderr=subprocess.STDOUT)
        self.window = wait_for("the main window", lambda: self.find_window("^" + self.TITLE), 30)
        self.wait_painted()

    # --- windows ----------------------------------------------------------
    def xdotool(self, *args, check_rc=True):
        done = subprocess.run(["xdotool", *map(str, args)], env=self.env, capture_output=True, text=True)
        if check_rc and done.returncode != 0:
            raise Failure(f"xdotool {' '.join(map(str, args))}: {done.stderr.strip()}")
        return done.stdout

    def find_window(self, name_pattern):
        found = self.xdotool("search", "--all", "--onlyvisible", "--pid", self.process.pid, "--name", name_pattern,
                             check_rc=False).split()
        return int(found[-1]) if found else None

    def windows(self):
        """Every visible, titled window of the program: {id: title} (the
        framework keeps an untitled helper window of its own)."""
        ids = self.xdotool("search", "--onlyvisible", "--pid", self.process.pid, "--name", "", check_rc=False)
        names = {int(w): self.xdotool("getwindowname", w, check_rc=False).strip() for w in ids.split()}
        return {w: name for w, name in names.items() if name}

    def printed_url(self):
        """The remote control's address, as the program printed it."""
        def find():
            for line in (self.workdir / "tavikcontrol.log").read_text(errors="replace").splitlines():
                if line.startswith("http://"):
                    return line.strip()
            return None
        return wait_for("the remote control's address on standard output", find, 10)

    def title(self):
        return self.xdotool("getwindowname", self.window).strip()

    def geometry(self, window=None):
        out = self.xdotool("getwindowgeometry", "--shell", window or self.window)
        values = dict(line.split("=", 1) for line in out.split())
        return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])

    def wait_title(self, expected, timeout=10):
        return wait_for(f"the title {expected!r} (it is {self.title()!r})", lambda: self.title() == expected,
                        timeout)

    def wait_dialog(self, title, timeout=10):
        """A window of the program other than the main one, by its exact title, once painted."""
        def probe():
            for window, name in self.windows().items():
                if window != self.window and name == title:
                    return window
            return None

        window = wait_for(f"a window titled {title!r}", probe, timeout)
        self.wait_painted(window)
        return window

    def wait_painted(self, window=None):
        """A window is shown (mapped) before its first paint, and until then it
        is black: every quarter of it must show something."""
        def painted():
            try:
                shot = self.screenshot(self.workdir / "paint.png", window)
            except subprocess.CalledProcessError:  # not yet viewable
                return False
            out = subprocess.run(["convert", str(shot), "-crop", "2x2@", "+repage", "-format", "%[fx:maxima] ",
                                  "info:"], capture_output=True, text=True).stdout.split()
            return len(out) == 4 and all(float(m) > 0.1 for m in out)

        wait_for(f"the first paint of window {window or self.window}", painted, 10, 0.05)

    def wait_closed(self, window, timeout=10):
        wait_for(f"window {window} to close", lambda: window not in self.windows(), timeout)

    def wait_no_dialog(self, timeout=10):
        wait_for("every dialog to close", lambda: set(self.windows()) <= {self.window}, timeout)

    # --- mouse and keyboard ----------------------------------------------
    def move(self, x, y):
        """Moves the pointer to x, y on the screen and waits till it is there
        (xdotool's own --sync waits 15 s when it is there already)."""
        x, y = int(x), int(y)
        self.xdotool("mousemove", x, y)

        def there():
            where = dict(line.split("=", 1) for line in self.xdotool("getmouselocation", "--shell").split())
            return (int(where["X"]), int(where["Y"])) == (x, y)

        wait_for(f"the pointer at {x}, {y}", there, 5, 0.01)

    def click(self, x, y, window=None, button=1):
        """Clicks at x, y inside a window (the main one by default)."""
        wx, wy, _, _ = self.geometry(window)
        self.move(wx + x, wy + y)
        self.xdotool("click", button)
        time.sleep(0.15)

    def drag(self, x, y, to_x, to_y, window=None):
        wx, wy, _, _ = self.geometry(window)
        self.move(wx + x, wy + y)
        self.xdotool("mousedown", 1)
        steps = 8
        for i in range(1, steps + 1):
            self.move(wx + x + (to_x - x) * i // steps, wy + y + (to_y - y) * i // steps)
            time.sleep(0.03)
        self.xdotool("mouseup", 1)
        time.sleep(0.15)

    def type(self, text):
        self.xdotool("type", "--delay", 15, "--", text)

    def key(self, *keys):
        self.xdotool("key", "--delay", 30, *keys)
        time.sleep(0.05)

    def replace_text(self, x, y, text, window=None):
        """Clicks into a text box, selects what it holds, types text and Return."""
        self.click(x, y, window)
        self.key("ctrl+a")
        self.type(text)
        self.key("Return")
        time.sleep(0.2)

    # --- eyes -------------------------------------------------------------
    def screenshot(self, path, window=None):
        subprocess.run(["import", "-window", str(window or self.window), str(path)], env=self.env, check=True,
                       capture_output=True, timeout=20)  # import waits for ever on a window that went away
        return path

    def pixel(self, x, y, window=None):
        """The colour at x, y inside a window, as (r, g, b)."""
        shot = self.workdir / "pixel.png"
        self.screenshot(shot, window)
        out = subprocess.run(["convert", str(shot), "-format", f"%[pixel:p{{{x},{y}}}]", "info:"],
                             capture_output=True, text=True, check=True).stdout
        numbers = [int(float(n)) for n in re.findall(r"[\d.]+", out)[:3]]
        return tuple(numbers)

    def darkest(self, crop, window=None):
        """The darkest grey level (0-255) inside crop = (x, y, width, height): text there shows as dark."""
        shot = self.screenshot(self.workdir / "crop.png", window)
        out = subprocess.run(["convert", str(shot), "-crop", "{2}x{3}+{0}+{1}".format(*crop), "+repage",
                              "-colorspace", "Gray", "-format", "%[fx:int(255*minima)]", "info:"],
                             capture_output=True, text=True, check=True).stdout
        return int(out)

    def read_text(self, window=None, crop=None):
        """What a user reads in a window (or a part of it): OCR, words joined by single spaces."""
        shot = self.screenshot(self.workdir / "ocr.png", window)
        args = ["convert", str(shot)]
        if crop:
            args += ["-crop", "{2}x{3}+{0}+{1}".format(*crop), "+repage"]
        args += ["-resize", "300%", "-colorspace", "Gray", str(self.workdir / "ocr-big.png")]
        subprocess.run(args, check=True)
        out = subprocess.run(["tesseract", str(self.workdir / "ocr-big.png"), "-", "--psm", "6"],
                             capture_output=True, text=True).stdout
        return " ".join(out.split())

    def wait_message(self, title, text, timeout=15):
        """Waits for a box titled title that says text; returns its window."""
        window = self.wait_dialog(title, timeout)
        wait_for(f"the box {title!r} to say {text!r}",
                 lambda: _normalised(text) in _normalised(self.read_text(window)), 5, 0.3)
        return window

    # --- life -------------------------------------------------------------
    def request_close(self):
        X11.request_close(self.display, self.window)

    def alive(self):
        return self.process.poll() is None

    def wait_exit(self, timeout=20):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure(f"the program did not quit within {timeout} s")

    def close(self):
        if self.alive():
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.log.close()


class WineProgram(Program):
    """tavikcontrol.exe under Wine, alone in a virtual desktop that fills the
    screen: Wine activates and focuses its windows as Windows does, with no
    window manager. Its windows are not X windows, so a helper inside the
    desktop (find-window.exe, tests/windows/tools) lists them, and screenshots
    are cut from the screen. Window ids are Windows' handles."""

    DESKTOP = "e2e"

    def __init__(self, exe, display, workdir, finder):
        self.display, self.workdir, self.finder = display, workdir, str(finder)
        self.env = dict(os.environ, DISPLAY=display)
        self.log = open(workdir / "tavikcontrol.log", "a")
        self.process = subprocess.Popen(["wine", "explorer", f"/desktop={self.DESKTOP},1280x1024", str(exe)],
                                        env=self.env, stdout=self.log, stderr=subprocess.STDOUT)
        self.window = wait_for("the main window", lambda: next(
            (w for w, name in self.windows().items() if name.startswith(self.TITLE)), None), 60)
        check(self.xdotool("search", "--name", f"^{self.DESKTOP} - Wine desktop$"), "the desktop is no X window")

    def _listing(self):
        """{handle: ((x, y, width, height) of the client area, title)} of every shown, titled window."""
        out = subprocess.run(["wine", self.finder, self.DESKTOP], env=self.env, capture_output=True, text=True).stdout
        found = {}
        for line in out.splitlines():
            handle, x, y, width, height, title = line.rstrip("\r").split(" ", 5)
            found[int(handle)] = ((int(x), int(y), int(width), int(height)), title)
        return found

    def windows(self):
        return {w: title for w, (_, title) in self._listing().items()}

    def title(self):
        return self.windows().get(self.window, "")

    def _find(self, window):
        found = self._listing().get(window or self.window)
        check(found, f"no window {window or self.window}")
        return found

    def geometry(self, window=None):
        return self._find(window)[0]

    def screenshot(self, path, window=None):
        bounds, title = self._find(window)
        subprocess.run(["wine", self.finder, self.DESKTOP, title, "repaint"], env=self.env, capture_output=True)
        time.sleep(0.2)  # for Wine to bring the new paint to the screen
        crop = "{2}x{3}+{0}+{1}".format(*bounds)
        subprocess.run(["import", "-window", "root", "-crop", crop, "+repage", str(path)], env=self.env, check=True,
                       capture_output=True)
        return path

    def request_close(self):
        subprocess.run(["wine", self.finder, self.DESKTOP, self.title(), "close"], env=self.env, capture_output=True)

    def close(self):
        if self.alive():
            subprocess.run(["wine", "taskkill", "/f", "/im", "tavikcontrol.exe"], env=self.env, capture_output=True)
        super().close()


def _normalised(text):
    return re.sub(r"[^a-z0-9.]+", " ", text.lower()).strip()
