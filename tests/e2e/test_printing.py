"""Printing on a real X server: the printer chosen in Printer Setup, with the orientation
chosen there, is where the next print goes. Two CUPS queues that write PDF files: the "PDF"
queue of the test setup, the program's default here, and a second one this test adds."""
import fcntl
import glob
import os
import subprocess
import tempfile
import time
import unittest

from desktop import DesktopTest

SECOND = "Second-PDF"


def _run(*args):
    return subprocess.run(list(args), capture_output=True, text=True, timeout=60)


def _admin(*args):
    """Runs a CUPS administration command as root (through sudo when not root)."""
    prefix = [] if os.geteuid() == 0 else ["sudo", "-n"]
    return _run(*(prefix + list(args))).returncode == 0


def queue_jobs(queue):
    """The ids of every job CUPS knows of for `queue`, finished ones included."""
    out = _run("lpstat", "-W", "all", "-o", queue).stdout
    return {line.split()[0] for line in out.splitlines() if line.startswith(queue + "-")}


def cups_pdf_folders():
    out = "/var/spool/cups-pdf/${USER}"
    try:
        with open("/etc/cups/cups-pdf.conf") as f:
            for line in f:
                if line.strip().startswith("Out "):
                    out = line.strip()[4:].strip()
    except OSError:
        pass
    out = out.replace("${HOME}", os.path.expanduser("~")).replace("${USER}", os.environ.get("USER", "root"))
    return [out, "/var/spool/cups-pdf/ANONYMOUS"]


def report_pdfs():
    """The PDF files cups-pdf wrote for the task report, by path and modification time."""
    found = {}
    for folder in cups_pdf_folders():
        for path in glob.glob(os.path.join(folder, "Test*Report*.pdf")):
            found[path] = os.path.getmtime(path)
    return found


def written_pdf(before, since):
    """A report PDF written since `since` that was not among `before`, once whole."""
    for path, mtime in report_pdfs().items():
        if mtime < since - 1 or before.get(path) == mtime:
            continue
        size = os.path.getsize(path)
        time.sleep(0.3)
        if size > 0 and os.path.getsize(path) == size and _run("pdfinfo", path).returncode == 0:
            return path
    return None


def longest_rules(path):
    """The longest horizontal and vertical runs of dark pixels on the first page of a PDF,
    drawn at 30 dots per inch."""
    raw = subprocess.run(["pdftoppm", "-r", "30", "-gray", "-f", "1", "-l", "1", path],
                         capture_output=True, timeout=60).stdout
    # A binary PGM: magic, width, height, maximum, each after white space, then the pixels.
    fields, at = [], 0
    while len(fields) < 4:
        while raw[at:at + 1].isspace():
            at += 1
        start = at
        while not raw[at:at + 1].isspace():
            at += 1
        fields.append(raw[start:at])
    width, height = int(fields[1]), int(fields[2])
    pixels = raw[at + 1:at + 1 + width * height]
    dark = [[pixels[y * width + x] < 128 for x in range(width)] for y in range(height)]

    def longest(lines):
        best = 0
        for line in lines:
            run = 0
            for on in line:
                run = run + 1 if on else 0
                best = max(best, run)
        return best
    return longest(dark), longest(zip(*dark))


class PrintingTest(DesktopTest):
    def missing(self, what):
        """Skips the test for want of a queue, or fails it where scripts/test set the queues up."""
        if os.environ.get("JOTLIST_REQUIRE_PRINTER") == "1":
            self.fail(what + " (JOTLIST_REQUIRE_PRINTER=1)")
        self.skipTest(what + " (scripts/start-cups adds the queue)")

    def setUp(self):
        super().setUp()
        if _run("lpstat", "-p", "PDF").returncode != 0:
            self.missing('CUPS lists no "PDF" queue')
        if _run("lpstat", "-p", SECOND).returncode != 0:
            # The same device and driver as the "PDF" queue (scripts/start-cups).
            device = _run("lpstat", "-v", "PDF").stdout.split(":", 1)[-1].strip() or "cups-pdf:/"
            drivers = [line.split()[0] for line in _run("lpinfo", "-m").stdout.splitlines() if "CUPS-PDF" in line]
            driver = ["-m", drivers[0]] if drivers else []
            if not _admin("lpadmin", "-p", SECOND, "-v", device, *driver, "-E"):
                self.missing("cannot add a second CUPS queue")
            self.addCleanup(_admin, "lpadmin", "-x", SECOND)
        _admin("cupsenable", SECOND)
        _admin("cupsaccept", SECOND)
        # What one printing test finds in the queues is its own (the lock the report
        # engine's queue tests take too).
        self._lock = open(os.path.join(tempfile.gettempdir(), "jotlist-pdf-queue.lock"), "a")
        self.addCleanup(self._lock.close)
        fcntl.flock(self._lock, fcntl.LOCK_EX)
        # The program's default printer is the "PDF" queue.
        self.desktop.env["PRINTER"] = "PDF"

    def test_printer_chosen_in_printer_setup_takes_the_next_print(self):
        app = self.start([("20300105", "09:00", "Errand for the second printer", False, "", "B", "")])
        d = self.desktop
        before_pdf, before_second = queue_jobs("PDF"), queue_jobs(SECOND)
        files_before = report_pdfs()
        started = time.time()

        d.key("alt+r")
        options = app.wait_window("^Print Report$")
        # From the title: four check boxes, Print, Preview, then Printer Setup.
        d.key(*(["Tab"] * 7), "space")
        setup = app.wait_window("^Print Setup$")
        # The printer list has the focus: typing the start of a name picks that printer.
        d.type("Second")
        d.key("alt+l")
        app.wait_idle()
        d.key("Return")
        app.wait_gone(setup)
        app.wait_active(options)
        # Back from Printer Setup to Print.
        d.key("shift+Tab", "shift+Tab", "space")
        dialog = app.wait_window("^Print$", "the print dialog")
        d.key("Return")
        app.wait_gone(dialog)
        status = app.wait_window("^Print Status$", active=False)
        d.wait(lambda: queue_jobs(SECOND) - before_second, "a job on the queue chosen in Printer Setup")
        app.wait_idle()
        app.wait_active(status)
        d.key("Return")
        app.wait_gone(status)

        new = queue_jobs(SECOND) - before_second
        self.assertEqual(len(new), 1, "one job on %s: %r" % (SECOND, sorted(new)))
        self.assertEqual(queue_jobs("PDF"), before_pdf, "nothing printed on the default queue")
        # The queue wrote the report. It puts every page on upright paper, so a landscape
        # page arrives turned: the report's rules across the page run down the sheet.
        path = d.wait(lambda: written_pdf(files_before, started), "the PDF the queue writes")
        self.addCleanup(lambda: os.path.exists(path) and os.remove(path))
        across, down = longest_rules(path)
        self.assertGreater(down, 2 * across, "a landscape page, turned: rules of %d across, %d down" % (across, down))

        app.wait_active(options)
        d.key("Escape")
        app.wait_gone(options)
        app.wait_active(app.main)
        d.key("alt+x")
        self.assertEqual(app.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()
