"""The main window's keys on a real X server: Insert, keypad plus, Delete, Enter and Alt+X,
with the list focused, with the notes pane focused and after a dialog was closed with the
mouse; the task commands reached from the keyboard alone."""
import unittest

from desktop import DesktopTest

# Dated after today, so that start-up makes the first of them current.
TASKS = [
    ("20300105", "09:00", "alpha", False, "work", "A", "note a"),
    ("20300210", "10:00", "bravo", False, "home", "B", "note b"),
    ("20300315", "11:00", "charlie", False, "", "C", ""),
]

# Points inside windows whose layout is fixed (window-relative pixels).
EDITOR_CANCEL = (194, 334)
CONFIRM_NO = (135, 40)
NOTES_PANE = (300, 330)
SHOW_DONE_BUTTON = (557, 381)


class KeysTest(DesktopTest):
    answers_return_to_main = True

    def open_editor(self, *keys):
        """Presses `keys` and waits for the task editor, the only dialog."""
        app = self.app
        self.desktop.key(*keys)
        editor = app.wait_window("^Task Editor$")
        app.wait_idle()
        self.assertEqual(app.dialogs(), [editor], "one press, one editor")
        return editor

    def save_editor(self, editor, text, key):
        """Types over the selected task text and saves with `key` (ctrl+s or Return)."""
        self.desktop.type(text)
        self.desktop.key(key)
        self.app.wait_gone(editor)
        self.app.wait_active(self.app.main)


    def assert_no_dialog(self):
        self.app.wait_idle()
        self.assertEqual(self.app.dialogs(), [])

    def test_task_commands_from_the_keyboard_alone(self):
        app = self.start(TASKS)
        d = self.desktop
        # The list has the focus from the start, on the first task dated today or later.
        d.key("Down")
        self.save_editor(self.open_editor("Return"), "bravo edited", "ctrl+s")
        app.wait_texts(["alpha", "bravo edited", "charlie"])

        self.save_editor(self.open_editor("Insert"), "added by insert", "Return")
        app.wait_texts(["alpha", "bravo edited", "charlie", "added by insert"])

        self.save_editor(self.open_editor("KP_Add"), "added by keypad", "ctrl+s")
        app.wait_texts(["alpha", "bravo edited", "charlie", "added by insert", "added by keypad"])

        # The new task is current: Clone and Done act on it.
        d.key("alt+c")
        self.answer("Jotlist", "y")
        app.wait_texts(["alpha", "bravo edited", "charlie", "added by insert", "added by keypad", "added by keypad"])
        d.key("alt+o")
        d.wait(lambda: [t["done"] for t in app.tasks() if t["text"] == "added by keypad"] in ([True, False],
                                                                                             [False, True]),
               "one of the two copies marked done")

        # Delete answered No by key, then Yes.
        before = app.tasks()
        d.key("Delete")
        self.answer("Jotlist", "n")
        self.assert_no_dialog()
        self.assertEqual(app.tasks(), before)
        d.key("Delete")
        self.answer("Jotlist", "y")
        d.wait(lambda: len(app.tasks()) == len(before) - 1, "one task deleted")

        # Alt+X closes the window and writes the settings.
        d.key("alt+x")
        self.assertEqual(app.wait_exit(), 0)
        settings = app.settings()
        self.assertEqual(settings.get("Preferences", "Order"), "0")
        self.assertTrue(settings.has_section("TMainScreen_Placement"))
        self.assertGreater(int(settings.get("TMainScreen_Placement", "Right")), 0)

    def test_keys_with_the_notes_pane_focused(self):
        app = self.start(TASKS)
        d = self.desktop
        d.click(app.main, *NOTES_PANE)
        d.key("End")
        d.type(" more")
        # Insert opens the editor; the note typed is stored on the way.
        editor = self.open_editor("Insert")
        d.key("Escape")
        app.wait_gone(editor)
        d.wait(lambda: app.tasks()[0]["note"] == "note a more", "the typed note stored")

        editor = self.open_editor("KP_Add")
        d.key("Escape")
        app.wait_gone(editor)
        # Enter in the notes pane types a line break, it does not edit the task.
        d.key("ctrl+End", "Return")
        d.type("x")
        self.assert_no_dialog()
        # Delete asks for the current task; answered No, the key goes on to the pane.
        d.key("Delete")
        self.answer("Jotlist", "n")
        d.key("Delete")
        self.answer("Jotlist", "y")
        app.wait_texts(["bravo", "charlie"])
        deleted = [t for t in app.tasks(deleted=True) if t["deleted"]]
        self.assertEqual([(t["text"], t["note"]) for t in deleted], [("alpha", "note a more\\nx")])
        # Keypad plus was taken by New: no "+" reached a note.
        self.assertNotIn("+", "".join(t["note"] for t in app.tasks(deleted=True)))

    def test_keys_after_a_dialog_was_closed_with_the_mouse(self):
        app = self.start(TASKS)
        d = self.desktop
        editor = self.open_editor("Insert")
        d.click(editor, *EDITOR_CANCEL)
        app.wait_gone(editor)
        app.wait_active(app.main)
        self.save_editor(self.open_editor("Insert"), "after the mouse", "ctrl+s")
        app.wait_texts(["alpha", "bravo", "charlie", "after the mouse"])

        d.key("Delete")
        box = app.wait_window("^Jotlist$")
        d.click(box, *CONFIRM_NO)
        app.wait_gone(box)
        app.wait_active(app.main)
        self.assertEqual(len(app.tasks()), 4)
        d.key("Delete")
        self.answer("Jotlist", "y")
        app.wait_texts(["alpha", "bravo", "charlie"])

        editor = self.open_editor("Insert")
        d.click(editor, *EDITOR_CANCEL)
        app.wait_gone(editor)
        app.wait_active(app.main)
        d.key("Up")
        self.save_editor(self.open_editor("Return"), "edited after the mouse", "Return")
        d.wait(lambda: "edited after the mouse" in app.texts(), "the task edited from Enter")

        # A button clicked keeps the focus; the keys still reach the window first.
        d.click(app.main, *SHOW_DONE_BUTTON)
        editor = self.open_editor("Insert")
        d.key("Escape")
        app.wait_gone(editor)


if __name__ == "__main__":
    unittest.main()
