"""The File menu on a real X server, opened with Alt+F and walked with the arrow keys: each
sort order, the filter, each group deletion and the index rebuild, checked in the task and
settings files afterwards."""
import datetime
import unittest

from desktop import DesktopTest

# File menu rows as the arrow keys reach them (separators are skipped).
REBUILD, FILTER, SORT, DELETE = 0, 1, 2, 3
SORT_DATE_TIME, SORT_DESCRIPTION, SORT_PRIORITY, SORT_KEY_WORDS = 0, 1, 2, 3
ALL_MARKED_DONE, ALL_BEFORE_TODAY, ALL_MATCHING, ALL_NOT_MATCHING, ALL_TASKS = 0, 1, 2, 3, 4


class FileMenuTest(DesktopTest):
    def menu(self, row, sub_row=None):
        """Alt+F, Down to `row`, and either Return or Right and Down to `sub_row`, Return."""
        app, d = self.app, self.desktop
        d.key("alt+f")
        popup = app.wait_window("^Jotlist$", "the File menu", active=False)
        d.key(*["Down"] * row)
        if sub_row is not None:
            d.key("Right")
            d.wait(lambda: len(app.dialogs()) == 2, "the submenu")
            d.key(*["Down"] * sub_row)
        d.key("Return")
        app.wait_gone(popup)

    def filter_by_task_text(self, text):
        """The filter dialog from the keyboard: Alt+T goes to the task text (its old text
        selected), Return is Ok."""
        self.menu(FILTER)
        form = self.app.wait_window("^Task Filter$")
        self.desktop.key("alt+t", "ctrl+a")
        self.desktop.type(text)
        self.desktop.key("Return")
        self.app.wait_gone(form)

    def test_each_sort_order_then_delete_its_first_task(self):
        app = self.start([
            ("20300101", "09:00", "delta", False, "kiwi", "B", ""),
            ("20300202", "09:00", "charlie", False, "lime", "C", ""),
            ("20300303", "09:00", "echo", False, "apple", "B", ""),
            ("20300404", "09:00", "bravo", False, "melon", "A", ""),
            ("20300505", "09:00", "foxtrot", False, "banana", "C", ""),
        ])
        # Each order makes its first task current; Delete then removes that one.
        for sub_row, first in ((SORT_DESCRIPTION, "bravo"), (SORT_PRIORITY, "delta"), (SORT_KEY_WORDS, "echo"),
                               (SORT_DATE_TIME, "charlie")):
            self.menu(SORT, sub_row)
            app.wait_active(app.main)
            self.desktop.key("Delete")
            self.answer("Jotlist", "y")
            self.desktop.wait(lambda: first not in app.texts(), "%s deleted as the first of its order" % first)
        self.assertEqual(app.texts(), ["foxtrot"])
        self.menu(SORT, SORT_KEY_WORDS)
        self.desktop.key("alt+x")
        self.assertEqual(app.wait_exit(), 0)
        self.assertEqual(app.settings().get("Preferences", "Order"), "4")

    def test_filter_and_group_deletions(self):
        past = (datetime.date.today() - datetime.timedelta(days=3)).strftime("%Y%m%d")
        app = self.start([
            ("20300101", "09:00", "call the bank", False, "money", "A", ""),
            ("20300202", "09:00", "water plants", True, "home", "B", ""),
            (past, "09:00", "old errand", False, "", "C", ""),
            ("20300303", "09:00", "call mother", False, "family", "B", ""),
            ("20300404", "09:00", "paint fence", False, "home", "C", ""),
            ("20300505", "09:00", "call plumber", False, "home", "A", ""),
        ])
        d = self.desktop
        self.menu(DELETE, ALL_MARKED_DONE)
        self.answer("Jotlist", "y")
        self.answer("Information")
        app.wait_texts(["call the bank", "old errand", "call mother", "paint fence", "call plumber"])

        self.menu(DELETE, ALL_BEFORE_TODAY)
        self.answer("Jotlist", "y")
        self.answer("Information")
        app.wait_texts(["call the bank", "call mother", "paint fence", "call plumber"])

        self.filter_by_task_text("call")
        self.menu(DELETE, ALL_NOT_MATCHING)
        self.answer("Jotlist", "y")
        self.answer("Information")
        app.wait_texts(["call the bank", "call mother", "call plumber"])

        self.filter_by_task_text("mother")
        self.menu(DELETE, ALL_MATCHING)
        self.answer("Jotlist", "y")
        self.answer("Information")
        app.wait_texts(["call the bank", "call plumber"])

        # Escape leaves the filter dialog without a change.
        self.menu(FILTER)
        form = app.wait_window("^Task Filter$")
        d.key("Escape")
        app.wait_gone(form)

        # With deletions to undo, the first question says the history ends here.
        self.menu(DELETE, ALL_TASKS)
        self.answer("Jotlist", "y")
        self.answer("Jotlist", "y")
        self.answer("Information")
        app.wait_texts([])

    def test_rebuild_indexes_packs_and_clears_the_reminder(self):
        app = self.start([
            ("20300101", "09:00", "keep", False, "", "A", ""),
            ("20300202", "09:00", "drop", False, "", "B", ""),
        ], settings={"Reindex": {"Needed": "1"}})
        # The reminder closes the start-up.
        self.answer("Information")
        app.wait_active(app.main)
        self.desktop.key("Down", "Delete")
        self.answer("Jotlist", "y")
        app.wait_texts(["keep"])
        self.assertEqual(len(app.tasks(deleted=True)), 2)
        self.menu(REBUILD)
        self.answer("Jotlist", "y")
        self.answer("Information")
        self.assertEqual([t["text"] for t in app.tasks(deleted=True)], ["keep"])
        app.wait_active(app.main)
        self.desktop.key("alt+x")
        self.assertEqual(app.wait_exit(), 0)
        self.assertEqual(app.settings().get("Reindex", "Needed"), "0")


if __name__ == "__main__":
    unittest.main()
