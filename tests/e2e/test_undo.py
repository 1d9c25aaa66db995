"""Undo and redo on a real X server, from the keyboard: a deletion, an edit, a new task and
a bulk delete undone and done again with the task files compared record by record (notes
included) and the index checked; a step whose task another program changed since is
refused and nothing is overwritten."""
import fcntl
import os
import subprocess
import unittest

from desktop import DesktopTest, JLISTDB_BIN

TASKS = [
    ("20300105", "09:00", "alpha", False, "work", "A", "note a\\nsecond line"),
    ("20300210", "10:00", "bravo", False, "home", "B", "note b"),
    ("20300315", "11:00", "charlie", False, "", "C", ""),
    ("20300420", "12:00", "done one", True, "old", "B", "kept"),
    ("20300425", "12:00", "done two", True, "", "C", ""),
]


class UndoTest(DesktopTest):
    answers_return_to_main = True

    def state(self):
        """Every record with its deleted mark, fields and note."""
        return self.app.tasks(deleted=True)

    def wait_state(self, expected, what):
        got = []

        def same():
            got[:] = [self.state()]
            return got[0] == expected
        try:
            self.desktop.wait(same, what)
        except AssertionError as e:
            raise AssertionError("%s\nexpected %r\ngot      %r" % (e, expected, got[0] if got else None))

    def back_and_forth(self, before, after, redo_key, what):
        """Undoes the step that made `after` of `before`, does it again with `redo_key`,
        and undoes it once more, checking the records each time."""
        self.desktop.key("ctrl+z")
        self.wait_state(before, what + " undone")
        self.desktop.key(redo_key)
        self.wait_state(after, what + " done again")
        self.desktop.key("ctrl+z")
        self.wait_state(before, what + " undone again")


    def check_index(self):
        result = subprocess.run([JLISTDB_BIN, "check", self.app.folder], capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)


    def test_each_change_undone_and_done_again(self):
        app = self.start(TASKS)
        d = self.desktop
        start = self.state()

        # A deletion.
        d.key("Delete")
        self.answer("Jotlist", "y")
        app.wait_texts(["bravo", "charlie", "done one", "done two"])
        self.back_and_forth(start, self.state(), "ctrl+shift+z", "the deletion")

        # An edit: the undone task is current again, so Enter edits it once more.
        d.key("Down", "Return")
        editor = app.wait_window("^Task Editor$")
        d.type("bravo edited")
        d.key("ctrl+s")
        app.wait_gone(editor)
        app.wait_texts(["alpha", "bravo edited", "charlie", "done one", "done two"])
        self.back_and_forth(start, self.state(), "ctrl+y", "the edit")

        # A new task.
        d.key("Insert")
        editor = app.wait_window("^Task Editor$")
        d.type("brand new")
        d.key("Return")
        app.wait_gone(editor)
        app.wait_texts(["alpha", "bravo", "charlie", "done one", "done two", "brand new"])
        d.key("ctrl+z")
        app.wait_texts(["alpha", "bravo", "charlie", "done one", "done two"])
        self.assertEqual(self.state()[:len(start)], start)

        # A bulk delete is one step.
        self.file_menu_item("Down", "Down", "Down", "Right")
        d.wait(lambda: len(app.dialogs()) == 2, "the Delete submenu")
        d.key("Return")
        self.answer("Jotlist", "y", then_main=False)
        self.answer("Information", "Return")
        self.assertEqual([t["text"] for t in self.state() if t["deleted"]], ["done one", "done two", "brand new"])
        d.key("ctrl+z")
        d.wait(lambda: [t["text"] for t in self.state() if t["deleted"]] == ["brand new"], "both done tasks back")
        self.assertEqual(self.state()[:len(start)], start)
        self.check_index()

        # The run changed the tasks: the close leaves a copy of the closed files.
        d.key("alt+x")
        self.assertEqual(app.wait_exit(), 0)
        backups = os.path.join(app.folder, "backups")
        names = os.listdir(backups)
        self.assertEqual(len(names), 1)
        for name in ("JLIST.DBF", "JLIST.FPT"):
            with open(os.path.join(app.folder, name), "rb") as a, open(os.path.join(backups, names[0], name), "rb") as b:
                self.assertEqual(a.read(), b.read(), name)

    def test_clone_done_and_a_note_undone_and_typing_undone_in_the_notes(self):
        app = self.start(TASKS)
        d = self.desktop
        start = self.state()

        # Clone from its button's mnemonic: undone, the copy is a deleted record.
        d.key("alt+c")
        self.answer("Jotlist", "y")
        d.wait(lambda: len(self.state()) == 6, "the clone stored")
        cloned = self.state()
        self.assertEqual(cloned[5]["text"], "alpha")
        d.key("ctrl+z")
        d.wait(lambda: self.state()[5]["deleted"], "the clone undone")
        self.assertEqual(self.state()[:5], start)
        d.key("ctrl+shift+z")
        self.wait_state(cloned, "the clone done again")
        d.key("ctrl+z")
        d.wait(lambda: self.state()[5]["deleted"], "the clone undone again")
        start = self.state()

        # Done by a double-click on the first task's Done? cell (the grid's geometry as
        # drawn at 1024x768: first row 63 pixels down, Done? column 476 across).
        d.click(app.main, 476, 63, count=2)
        d.wait(lambda: self.state()[0]["done"], "alpha marked done")
        d.key("ctrl+z")
        self.wait_state(start, "the mark undone")

        # Typing in the notes pane: Ctrl+Z there undoes the typing and stores nothing.
        d.click(app.main, 296, 308)
        d.type("xyz")
        d.key("ctrl+z")
        d.click(app.main, 200, 80)  # the second task: the pane would store a changed note now
        app.wait_idle()
        self.assertEqual(self.state(), start)
        # A note stored (the second task's, current since the click) is a step of its own,
        # undone from the list.
        d.click(app.main, 296, 308)
        d.type("!")
        d.click(app.main, 200, 63)
        d.wait(lambda: self.state()[1]["note"] == "note b!", "the note stored")
        d.key("ctrl+z")
        self.wait_state(start, "the note undone")
        self.check_index()

    def test_a_task_changed_elsewhere_is_not_overwritten(self):
        app = self.start(TASKS)
        d = self.desktop
        d.key("Return")
        editor = app.wait_window("^Task Editor$")
        d.type("alpha edited")
        d.key("ctrl+s")
        app.wait_gone(editor)
        app.wait_texts(["alpha edited", "bravo", "charlie", "done one", "done two"])
        # Another program deletes the task meanwhile.
        subprocess.run([JLISTDB_BIN, "delete", app.folder, "1"], check=True, capture_output=True)
        changed = self.state()
        self.assertTrue(changed[0]["deleted"])
        d.key("ctrl+z")
        self.answer("Information", "Return")
        self.assertEqual(self.state(), changed)
        self.check_index()

    def test_a_backup_restored_from_the_file_menu(self):
        app = self.start(TASKS)
        d = self.desktop
        # Two runs, each deleting a task: two backups, the older one without alpha only.
        def delete_and_close():
            d.key("Delete")
            self.answer("Jotlist", "y")
            d.key("alt+x")
            self.assertEqual(app.wait_exit(), 0)
        delete_and_close()
        older = self.state()
        app.start()
        delete_and_close()
        app.start()
        self.assertEqual([t["text"] for t in self.state() if not t["deleted"]][:2], ["charlie", "done one"])
        def restore_older():
            self.file_menu_item("b")
            form = app.wait_window("^Restore from Backup$")
            d.key("Down", "Return")
            app.wait_gone(form)
            self.answer("Jotlist", "y", then_main=False)

        # While another program has the task files open the restore is refused and nothing
        # changes, the undo history of this run included.
        before_delete = self.state()
        d.key("Delete")
        self.answer("Jotlist", "y")
        latest = self.state()
        held = os.open(os.path.join(app.folder, "JLIST.DBF"), os.O_RDONLY)
        try:
            fcntl.flock(held, fcntl.LOCK_SH)
            restore_older()
            self.answer("Information", "Return")
        finally:
            os.close(held)
        self.assertEqual(self.state(), latest)
        self.assertEqual(len(os.listdir(os.path.join(app.folder, "backups"))), 2)
        d.key("ctrl+z")
        self.wait_state(before_delete, "the deletion of this run undone after the refused restore")
        d.key("ctrl+shift+z")
        self.wait_state(latest, "and done again")

        restore_older()
        # The restored files are opened exclusively while their index is built: a reader
        # of ours polling them then would make that open fail. The files are read only once
        # the program is back at rest.
        app.wait_idle(quiet_polls=15)
        self.assertEqual(app.dialogs(), [])
        self.assertEqual(self.state(), older)
        self.assertEqual(len(os.listdir(os.path.join(app.folder, "backups"))), 3)
        self.check_index()


if __name__ == "__main__":
    unittest.main()
