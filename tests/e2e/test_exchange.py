"""Tasks in and out from the File menu on a real X server: the filtered list exported as
iCalendar and as CSV through the file dialog (read back by Python's icalendar and csv),
an iCalendar file from another program imported (the question about characters the task
file cannot hold, the summary box, the tasks in the files) and undone as one step, and a
malformed file refused with its line, nothing imported."""
import csv
import os

import icalendar

from desktop import DesktopTest

TASKS = [
    ("20300105", "09:00", "alpha", False, "work home", "A", "note a\\nsecond line"),
    ("20300210", "", "bravo, with a comma", False, "", "B", ""),
    ("20300315", "11:00", "charlie", True, "", "C", ""),
]

FOREIGN = (
    "BEGIN:VCALENDAR\r\n"
    "VERSION:2.0\r\n"
    "PRODID:-//Someone//Their Calendar//EN\r\n"
    "BEGIN:VTODO\r\n"
    "UID:one@example.com\r\n"
    "DTSTAMP:20300101T000000Z\r\n"
    "SUMMARY:Buy tea \u65e5\u672c\r\n"
    "DUE;VALUE=DATE:20300401\r\n"
    "PRIORITY:2\r\n"
    "CATEGORIES:shop,errand\r\n"
    "END:VTODO\r\n"
    "BEGIN:VTODO\r\n"
    "UID:two@example.com\r\n"
    "DTSTAMP:20300101T000000Z\r\n"
    "SUMMARY:Water the plants\r\n"
    "STATUS:COMPLETED\r\n"
    "RRULE:FREQ=WEEKLY\r\n"
    "END:VTODO\r\n"
    "BEGIN:VEVENT\r\n"
    "UID:three@example.com\r\n"
    "DTSTAMP:20300101T000000Z\r\n"
    "DTSTART:20300102T100000Z\r\n"
    "SUMMARY:A meeting\r\n"
    "END:VEVENT\r\n"
    "END:VCALENDAR\r\n")


class ExchangeTest(DesktopTest):
    def in_file_dialog(self, title, path):
        """Types `path` into the file dialog titled `title` and accepts it."""
        dialog = self.app.wait_window("^%s$" % title)
        self.desktop.screenshot(title.replace(" ", "-"))
        self.desktop.key("ctrl+a")
        self.desktop.type(path)
        self.desktop.key("Return")
        self.app.wait_gone(dialog)

    def test_export_and_import_from_the_file_menu(self):
        app = self.start(TASKS)
        d = self.desktop
        home = d.home

        ics = os.path.join(home, "out.ics")
        self.file_menu_item("e")
        self.in_file_dialog("Export Tasks", ics)
        self.answer("Information", "Return")
        with open(ics, "rb") as f:
            todos = list(icalendar.Calendar.from_ical(f.read()).walk("VTODO"))
        # The list as shown: done tasks are hidden.
        self.assertEqual([str(t["summary"]) for t in todos], ["alpha", "bravo, with a comma"])
        self.assertEqual(todos[0]["due"].dt.isoformat(), "2030-01-05T09:00:00")
        self.assertEqual(todos[1]["due"].dt.isoformat(), "2030-02-10")
        self.assertEqual([str(w) for c in todos[0]["categories"] for w in c.cats], ["work", "home"])

        path = os.path.join(home, "out.csv")
        self.file_menu_item("e")
        self.in_file_dialog("Export Tasks", path)
        self.answer("Information", "Return")
        with open(path, newline="", encoding="utf-8-sig") as f:
            rows = list(csv.reader(f))
        self.assertEqual(rows[0], ["Date", "Time", "Task", "Priority", "Done", "Key words", "Note"])
        self.assertEqual(rows[1], ["2030-01-05", "09:00", "alpha", "A", "No", "work home", "note a\r\nsecond line"])
        self.assertEqual(rows[2][2], "bravo, with a comma")

        before = app.tasks()
        foreign = os.path.join(home, "theirs.ics")
        with open(foreign, "w", encoding="utf-8", newline="") as f:
            f.write(FOREIGN)
        self.file_menu_item("i")
        self.in_file_dialog("Import Tasks", foreign)
        # The task file's code page holds no Japanese: the question names the characters.
        self.answer("Jotlist", "y")
        summary = app.wait_window("^Information$")
        d.screenshot("import-summary")
        d.key("Return")
        app.wait_gone(summary)
        app.wait_texts(["alpha", "bravo, with a comma", "charlie", "Buy tea ??", "Water the plants"])
        added = app.tasks()[3:]
        self.assertEqual((added[0]["date"], added[0]["priority"], added[0]["keys"], added[0]["done"]),
                         ("20300401", "A", "shop errand", False))
        self.assertEqual((added[1]["done"], added[1]["note"]), (True, "Repeats: FREQ=WEEKLY"))

        # The import is one step of the undo history.
        d.key("ctrl+z")
        app.wait_texts(["alpha", "bravo, with a comma", "charlie"])
        self.assertEqual(app.tasks(), before)

        # A malformed file: the error names the line; nothing is imported.
        broken = os.path.join(home, "broken.ics")
        with open(broken, "w", encoding="utf-8", newline="") as f:
            f.write(FOREIGN.replace("DUE;VALUE=DATE:20300401", "DUE:next week"))
        self.file_menu_item("i")
        self.in_file_dialog("Import Tasks", broken)
        error = app.wait_window("^Jotlist$")
        d.screenshot("import-refused")
        d.key("Return")
        app.wait_gone(error)
        app.wait_idle()
        self.assertEqual(app.tasks(), before)


if __name__ == "__main__":
    import unittest
    unittest.main()
