"""Dialogs on a real X server, from the keyboard: the report options dialog and its preview
window, and a message box that must be sized by its text every time it opens."""
import unittest

from desktop import DesktopTest

TASKS = [("20300105", "09:00", "task %02d" % n, False, "", "B", "") for n in range(1, 4)]


class DialogsTest(DesktopTest):
    def test_report_options_and_preview_from_the_keyboard(self):
        app = self.start(TASKS)
        d = self.desktop
        d.key("alt+r")
        options = app.wait_window("^Print Report$")
        # The first box after the title is Print Notes; Space ticks it. Then on to Preview.
        d.key("Tab", "space", "Tab", "Tab", "Tab", "Tab", "Tab", "space")
        # The status window says when the pages are recorded; its OK opens the preview.
        status = app.wait_window("^Preview Status$")
        d.key("Return")
        app.wait_gone(status)
        preview = app.wait_window(r"^Preview Page 1 of 1 \( \d+% \)$", "the preview window with its page caption")
        # The caption follows the zoom: the window opens at the whole page, not at 100 %.
        self.assertNotRegex(d.title(preview), r"\( 100% \)")
        d.key("Escape")
        app.wait_gone(preview)
        app.wait_active(options)
        d.key("Return")
        app.wait_gone(options)
        app.wait_active(app.main)
        d.key("alt+x")
        self.assertEqual(app.wait_exit(), 0)
        self.assertEqual(app.settings().get("Report", "PrintMemo"), "1")

    def test_message_box_is_sized_by_its_text_every_time(self):
        app = self.start(TASKS)
        d = self.desktop
        d.key("Insert")
        editor = app.wait_window("^Task Editor$")
        # Task text, Done?, key words, then the date.
        d.key("Tab", "Tab", "Tab")
        sizes = set()
        for _ in range(20):
            d.type("99/99/99")
            d.key("Tab")
            box = app.wait_window("^Information$", "the bad-date message")
            app.wait_idle()
            _, _, width, height = d.geometry(box)
            sizes.add((width, height))
            d.key("Return")
            app.wait_gone(box)
            app.wait_active(editor)
        self.assertEqual(len(sizes), 1, "one size for twenty openings: %r" % sorted(sizes))
        width, height = sizes.pop()
        # Two lines of text above an OK button, beside the icon: never a strip.
        self.assertGreaterEqual(height, 80)
        self.assertGreaterEqual(width, 250)
        d.key("Escape")
        app.wait_gone(editor)
        self.assertEqual(len(app.tasks()), 3)


if __name__ == "__main__":
    unittest.main()
