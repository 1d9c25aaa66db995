"""Task files the program cannot write, on a real X server: a copy in a read-only folder
that holds task files says so and lets the user end or go on with the data folder; task
files that are themselves read-only end the start with their message. Nothing in the
read-only places changes. Run as the user "nobody" when the tests run as root."""
import os
import unittest

from desktop import DesktopTest, Jotlist

TASKS = [("20300105", "09:00", "kept beside the program", False, "", "A", "")]


def snapshot(folder, prefix=""):
    """The files of a folder (those whose names start with `prefix`) with their bytes
    and permissions."""
    files = {}
    for name in sorted(n for n in os.listdir(folder) if n.startswith(prefix)):
        path = os.path.join(folder, name)
        with open(path, "rb") as f:
            files[name] = (f.read(), os.stat(path).st_mode)
    return files


class FoldersTest(DesktopTest):
    def test_a_read_only_program_folder_is_named_and_the_user_chooses(self):
        app = Jotlist(self.desktop, TASKS, as_nobody=True)
        self.app = app
        os.chmod(app.folder, 0o555)
        before = snapshot(app.folder)
        d = self.desktop

        # No ends the program before it opens anything.
        app.start(wait=False)
        box = app.wait_window("^Jotlist$", "the question about the read-only folder")
        d.key("n")
        self.assertEqual(app.wait_exit(), 0)
        self.assertFalse(os.path.exists(os.path.join(app.data_home, "jotlist", "JLIST.DBF")))

        # Yes goes on with the data folder, which gets task files of its own.
        app.start(wait=False)
        box = app.wait_window("^Jotlist$", "the question about the read-only folder")
        d.key("y")
        app.wait_gone(box)
        app.main = d.wait(lambda: app.find_window("^Jotlist$"), "the main window")
        # A new data folder has no settings yet: the rebuild reminder ends the start-up.
        reminder = app.wait_window("^Information$", "the rebuild reminder")
        d.key("Return")
        app.wait_gone(reminder)
        app.wait_active(app.main)
        self.assertTrue(os.path.exists(os.path.join(app.data_home, "jotlist", "JLIST.DBF")))
        d.key("alt+x")
        self.assertEqual(app.wait_exit(), 0)
        self.assertEqual(snapshot(app.folder), before)

    def test_read_only_task_files_end_the_start_and_stay_as_they_were(self):
        app = Jotlist(self.desktop, TASKS, as_nobody=True)
        self.app = app
        for name in ("JLIST.DBF", "JLIST.FPT", "JLIST.CDX"):
            os.chmod(os.path.join(app.folder, name), 0o444)
        os.chmod(app.folder, 0o777)
        before = snapshot(app.folder, "JLIST.")
        app.start(wait=False)
        box = app.wait_window("^Information$", "the message naming the task file")
        self.desktop.key("Return")
        app.wait_gone(box)
        self.assertEqual(app.wait_exit(), 0)
        self.assertEqual(snapshot(app.folder, "JLIST."), before)


if __name__ == "__main__":
    unittest.main()
