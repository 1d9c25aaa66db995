"""The end-to-end harness: the real jotlist on its own X server, driven as a user drives it.

Each test gets a Desktop (Xvfb on a display number the server picks itself, openbox as the
window manager) and runs the program in a new program folder of its own. Input goes through
XTEST (xdotool without --window, which is how a physical keyboard and mouse reach an X
client); results are read from the task files (jlistdb dump), the settings files and the
windows' titles (_NET_WM_NAME). Every wait polls for a state with a deadline; a failed
wait saves a screenshot of the whole screen beside the test's output.

Environment (set by CTest): JOTLIST_BIN, JLISTDB_BIN, E2E_ARTIFACTS (folder for screenshots
and the program's output on failure).
"""
import configparser
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

JOTLIST_BIN = os.environ.get("JOTLIST_BIN", "")
JLISTDB_BIN = os.environ.get("JLISTDB_BIN", "")
ARTIFACTS = os.environ.get("E2E_ARTIFACTS", tempfile.gettempdir())

# Deadline of one wait. Generous: the layer runs beside a parallel build, and a wait that
# succeeds returns at once.
WAIT_SECONDS = 20.0
POLL_SECONDS = 0.03


class WaitTimeout(AssertionError):
    pass


def _run(args, env=None, check=True, input_text=None):
    result = subprocess.run(args, env=env, capture_output=True, text=True, input=input_text, timeout=60)
    if check and result.returncode != 0:
        raise AssertionError("%s failed (%d): %s" % (" ".join(args), result.returncode, result.stderr.strip()))
    return result


class Desktop:
    """An X server with a window manager, for one test. Use as a context manager."""

    def __init__(self, name):
        self.name = name
        self.display = None
        self.env = None
        self._procs = []
        self.home = tempfile.mkdtemp(prefix="jotlist-e2e-")

    def __enter__(self):
        read_fd, write_fd = os.pipe()
        # -displayfd: the server takes the first free display number itself and writes it
        # to the pipe once it accepts connections, so parallel tests never race for one.
        xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        os.close(write_fd)
        self._procs.append(xvfb)
        with os.fdopen(read_fd) as pipe:
            number = pipe.readline().strip()
        if not number:
            self.__exit__(None, None, None)
            raise AssertionError("Xvfb did not start")
        self.display = ":" + number
        runtime = os.path.join(self.home, "run")
        os.mkdir(runtime, 0o700)
        self.env = dict(os.environ)
        self.env.update({
            "DISPLAY": self.display,
            "QT_QPA_PLATFORM": "xcb",
            # The single-instance socket and every other per-user file stay in this test.
            "TMPDIR": self.home,
            "XDG_RUNTIME_DIR": runtime,
            "XDG_CONFIG_HOME": os.path.join(self.home, "config"),
            "XDG_DATA_HOME": os.path.join(self.home, "data"),
            "XDG_CACHE_HOME": os.path.join(self.home, "cache"),
            "LANG": "C.UTF-8",
            "LC_ALL": "C.UTF-8",
        })
        for key in ("QT_QPA_PLATFORMTHEME", "QT_STYLE_OVERRIDE", "WAYLAND_DISPLAY", "SESSION_MANAGER"):
            self.env.pop(key, None)
        wm = subprocess.Popen(["openbox", "--sm-disable"], env=self.env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, start_new_session=True)
        self._procs.append(wm)
        self.wait(self._wm_running, "the window manager to run")
        # The pointer rests in a corner no window covers: no tooltip opens by itself.
        self.tool("xdotool", "mousemove", "0", "0")
        return self

    def __exit__(self, *exc):
        for proc in reversed(self._procs):
            if proc.poll() is None:
                try:
                    os.killpg(proc.pid, signal.SIGTERM)
                except ProcessLookupError:
                    pass
                try:
                    proc.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    os.killpg(proc.pid, signal.SIGKILL)
                    proc.wait()
        self._procs.clear()
        shutil.rmtree(self.home, ignore_errors=True)
        return False

    def adopt(self, proc):
        """Ends `proc` (and its process group) with the desktop."""
        self._procs.append(proc)

    def _wm_running(self):
        out = _run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=self.env, check=False).stdout
        return "window id" in out

    def tool(self, *args, check=True):
        return _run(list(args), env=self.env, check=check).stdout

    def wait(self, predicate, what, timeout=WAIT_SECONDS):
        """Polls `predicate` until it gives a true value, which is returned."""
        deadline = time.monotonic() + timeout
        while True:
            value = predicate()
            if value:
                return value
            if time.monotonic() > deadline:
                shot = self.screenshot("timeout")
                raise WaitTimeout("waited %.0f s for %s (screenshot: %s)" % (timeout, what, shot))
            time.sleep(POLL_SECONDS)

    def screenshot(self, label):
        """Saves the whole screen as a PNG in the artifacts folder; gives its path."""
        os.makedirs(ARTIFACTS, exist_ok=True)
        path = os.path.join(ARTIFACTS, "%s-%s-%d.png" % (self.name, label, int(time.time() * 1000) % 100000))
        _run(["import", "-window", "root", path], env=self.env, check=False)
        return path

    # ---- input through XTEST
    def key(self, *keys):
        """Presses and releases each key (xdotool key names: Insert, Return, alt+f, KP_Add)."""
        for k in keys:
            self.tool("xdotool", "key", "--delay", "30", k)

    def type(self, text):
        self.tool("xdotool", "type", "--delay", "15", text)

    def click(self, window, x, y, count=1):
        """Moves the pointer to (x, y) inside `window` and clicks the left button `count`
        times (2: a double-click)."""
        left, top, _, _ = self.geometry(window)
        self.tool("xdotool", "mousemove", "--sync", str(left + x), str(top + y))
        self.tool("xdotool", "click", "--repeat", str(count), "--delay", "60", "1")

    # ---- windows
    def title(self, window):
        out = self.tool("xprop", "-id", str(window), "_NET_WM_NAME", check=False)
        match = re.search(r'= "(.*)"', out)
        return match.group(1) if match else None

    def active_window(self):
        out = _run(["xdotool", "getactivewindow"], env=self.env, check=False).stdout.strip()
        return int(out) if out.isdigit() else None

    def geometry(self, window):
        """(x, y, width, height) of a window's client area on the screen."""
        out = self.tool("xdotool", "getwindowgeometry", "--shell", str(window))
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])


class Jotlist:
    """The program in a program folder of its own on a Desktop."""

    MAIN_TITLE = "Jotlist"

    def __init__(self, desktop, tasks=(), settings=None, as_nobody=False):
        """`tasks`: (date, time, text, done, keys, priority, note) tuples for the table;
        `settings`: {section: {key: value}} for TODO.INI (the rebuild reminder is off
        unless a test sets [Reindex] Needed itself)."""
        self.desktop = desktop
        self.as_nobody = as_nobody
        self.data_home = desktop.env["XDG_DATA_HOME"]
        if as_nobody:
            os.chmod(desktop.home, 0o755)
        self.folder = tempfile.mkdtemp(prefix="program-", dir=desktop.home)
        os.chmod(self.folder, 0o755)
        self.program = os.path.join(self.folder, "jotlist")
        shutil.copy2(JOTLIST_BIN, self.program)
        _run([JLISTDB_BIN, "create", self.folder])
        if tasks:
            lines = "".join("\t".join([d, t, text, "T" if done else "F", keys, prio, note]) + "\n"
                            for d, t, text, done, keys, prio, note in tasks)
            _run([JLISTDB_BIN, "import", self.folder], input_text=lines)
        ini = {"Reindex": {"Needed": "0"}}
        for section, values in (settings or {}).items():
            ini.setdefault(section, {}).update(values)
        with open(self.settings_path(), "w", newline="\r\n") as f:
            for section, values in ini.items():
                f.write("[%s]\n" % section)
                for key, value in values.items():
                    f.write("%s=%s\n" % (key, value))
        self.proc = None
        self.main = None
        self._log = os.path.join(desktop.home, "output-%s.log" % os.path.basename(self.folder))

    def settings_path(self):
        return os.path.join(self.folder, "TODO.INI")

    def start(self, wait=True):
        """Starts the program (as the user "nobody" when root runs the tests and
        `as_nobody` was given, so that permissions bind it) and, with `wait`, waits until
        its start-up has finished and it is idle."""
        command, env = [self.program], self.desktop.env
        if self.as_nobody and os.geteuid() == 0:
            command = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"] + command
            env = dict(env)
            # Folders of its own that nobody may write; no runtime folder (root's is closed).
            own = tempfile.mkdtemp(prefix="nobody-", dir=self.desktop.home)
            os.chmod(own, 0o1777)
            env.update({"HOME": own, "TMPDIR": own, "XDG_DATA_HOME": os.path.join(own, "data"),
                        "XDG_CONFIG_HOME": os.path.join(own, "config"), "XDG_CACHE_HOME": os.path.join(own, "cache")})
            env.pop("XDG_RUNTIME_DIR", None)
            self.data_home = env["XDG_DATA_HOME"]
        with open(self._log, "w") as log:
            self.proc = subprocess.Popen(command, cwd=self.folder, env=env, stdout=log,
                                         stderr=subprocess.STDOUT, start_new_session=True)
        self.desktop.adopt(self.proc)
        if not wait:
            return self
        self.main = self.desktop.wait(lambda: self.find_window("^%s$" % self.MAIN_TITLE), "the main window")
        # Start-up ends with the main window active, or with a message box over it.
        self.desktop.wait(lambda: self.desktop.active_window() in self.windows(), "an active window")
        self.wait_idle()
        return self

    # ---- the program's state, as a user and its files show it
    def windows(self, title_pattern=None):
        """The program's visible windows, optionally those whose title matches."""
        args = ["xdotool", "search", "--onlyvisible", "--pid", str(self.proc.pid)]
        out = _run(args, env=self.desktop.env, check=False).stdout
        found = [int(w) for w in out.split()]
        if title_pattern is None:
            return found
        return [w for w in found if re.search(title_pattern, self.desktop.title(w) or "")]

    def find_window(self, title_pattern):
        found = self.windows(title_pattern)
        return found[0] if found else None

    def wait_window(self, title_pattern, what=None, active=True):
        """Waits for a visible window titled `title_pattern` other than the main window,
        then (unless `active` is false: menus never take the focus from the window
        manager) for it to be the active window; gives its id."""
        def find():
            return next((w for w in self.windows(title_pattern) if w != self.main), None)
        window = self.desktop.wait(find, what or "a window titled %r" % title_pattern)
        if active:
            self.wait_active(window)
        return window

    def wait_gone(self, window):
        self.desktop.wait(lambda: window not in self.windows(), "window %d to close" % window)

    def wait_active(self, window):
        self.desktop.wait(lambda: self.desktop.active_window() == window, "window %d to be active" % window)

    def dialogs(self):
        """The program's visible windows other than the main window."""
        return [w for w in self.windows() if w != self.main]

    def wait_idle(self, quiet_polls=4):
        """Waits until the program sleeps with no CPU time spent over several polls: every
        event it was sent has been handled."""
        last = None
        quiet = 0
        deadline = time.monotonic() + WAIT_SECONDS
        while quiet < quiet_polls:
            if self.proc.poll() is not None:
                return
            with open("/proc/%d/stat" % self.proc.pid) as f:
                fields = f.read().rsplit(")", 1)[1].split()
            state, ticks = fields[0], int(fields[11]) + int(fields[12])
            quiet = quiet + 1 if state in "SD" and ticks == last else 0
            last = ticks
            if time.monotonic() > deadline:
                raise WaitTimeout("the program stayed busy (screenshot: %s)" % self.desktop.screenshot("busy"))
            time.sleep(POLL_SECONDS)

    def tasks(self, deleted=False):
        """The table's records in record order: dicts of recno, deleted and the fields."""
        args = [JLISTDB_BIN, "dump", self.folder]
        if deleted:
            args.append("--deleted")
        rows = []
        for line in _run(args).stdout.splitlines():
            recno, mark, date, time_, text, done, keys, prio, note = line.split("\t")
            rows.append({"recno": int(recno), "deleted": mark == "*", "date": date.strip(), "time": time_.strip(),
                         "text": text.rstrip(), "done": done == "T", "keys": keys.rstrip(),
                         "priority": prio.strip(), "note": note})
        return rows

    def texts(self):
        return [t["text"] for t in self.tasks()]

    def wait_texts(self, expected, what=None):
        """Waits until the table's task texts (record order, deleted ones left out) are `expected`."""
        got = []

        def check():
            try:
                got[:] = [self.texts()]
            except AssertionError:  # the files are open exclusively for a moment (a rebuild)
                return False
            return got[0] == list(expected)
        try:
            self.desktop.wait(check, what or "the tasks %r" % (expected,))
        except WaitTimeout as e:
            raise WaitTimeout("%s; the table holds %r" % (e, got[0] if got else None))

    def settings(self):
        parser = configparser.ConfigParser(strict=False, interpolation=None)
        parser.optionxform = str.lower
        with open(self.settings_path(), encoding="latin-1") as f:
            parser.read_string(f.read())
        return parser

    def wait_exit(self):
        self.desktop.wait(lambda: self.proc.poll() is not None, "the program to end")
        return self.proc.returncode

    def output(self):
        with open(self._log) as f:
            return f.read()


class DesktopTest(unittest.TestCase):
    """Base of the end-to-end tests: a fresh desktop per test, a screenshot on failure."""

    def setUp(self):
        if not (JOTLIST_BIN and JLISTDB_BIN):
            self.skipTest("JOTLIST_BIN and JLISTDB_BIN name the programs under test")
        self.desktop = Desktop(self.id().split(".")[-1])
        self.desktop.__enter__()
        self.addCleanup(self.desktop.__exit__, None, None, None)
        self.app = None

    # Whether a message box answered by answer() gives the focus back to the main window
    # (a test whose boxes never lead to another window sets it).
    answers_return_to_main = False

    def start(self, tasks=(), settings=None):
        self.app = Jotlist(self.desktop, tasks, settings).start()
        return self.app

    def answer(self, title, key="Return", then_main=None):
        """Waits for the message box titled `title`, answers it with `key` and waits until it
        is gone (and, with `then_main`, until the main window is active again)."""
        box = self.app.wait_window("^%s$" % title)
        self.desktop.key(key)
        self.app.wait_gone(box)
        if self.answers_return_to_main if then_main is None else then_main:
            self.app.wait_active(self.app.main)

    def file_menu_item(self, *keys):
        """Opens the File menu and presses `keys` in it."""
        self.desktop.key("alt+f")
        self.desktop.wait(lambda: len(self.app.dialogs()) == 1, "the File menu")
        self.desktop.key(*keys)

    def tearDown(self):
        outcome = getattr(self, "_outcome", None)
        failed = outcome is not None and not outcome.success
        if failed and self.app is not None:
            self.desktop.screenshot("failed")
            os.makedirs(ARTIFACTS, exist_ok=True)
            with open(os.path.join(ARTIFACTS, "%s-output.log" % self.desktop.name), "w") as f:
                f.write(self.app.output())
