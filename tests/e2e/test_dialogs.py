"""Dialogs on a real X server, from the keyboard: the report options dialog and its preview
window, its HTML page saving the list with its notes, and a message box that must be sized by
its text every time it opens."""
import os
import re
import unittest

from desktop import DesktopTest

HTML_TAB = (148, 347)
HTML_COPY_NOTES = (22, 58)
HTML_SAVE_AS = (60, 306)

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

    def test_report_options_save_the_list_as_an_html_page_with_its_notes(self):
        note = ("Premi\u00e8re ligne d'une note assez longue pour \u00eatre coup\u00e9e \u00e0 la "
                "largeur du document\\nseconde & <derni\u00e8re>")
        app = self.start([("20300105", "09:00", "Caf\u00e9 & <cr\u00e8me>", False, "", "A", note)])
        d = self.desktop
        d.key("alt+r")
        options = app.wait_window("^Print Report$")
        app.wait_idle()  # placed and centred: the clicks below are relative to the window
        # Points in the window as the tools measure it, read off a screenshot: the "HTML
        # Document" tab under the pages, then on its page Copy Notes and Save As.
        d.click(options, *HTML_TAB)
        d.click(options, *HTML_COPY_NOTES)
        d.click(options, *HTML_SAVE_AS)
        app.wait_window("^Save As$", "the save dialog")
        d.screenshot("save-as-html")
        path = os.path.join(d.home, "list.htm")
        d.key("ctrl+a")
        d.type(path)
        d.key("Return")
        self.answer("Information", "Return", then_main=False)
        app.wait_active(options)
        with open(path, "rb") as f:
            page = f.read()
        # The page names its code page, and the text reads back whole through it.
        charset = re.search(rb'charset=([-\w]+)', page).group(1).decode()
        self.assertEqual(charset, "windows-1252")
        text = page.decode(charset)
        self.assertIn("<TD WRAP>Caf\u00e9 &amp; &lt;cr\u00e8me&gt;</TD>", text)
        self.assertIn("<TD NOWRAP>05 Jan 2030</TD>", text)
        quote = re.search(r"<BLOCKQUOTE>(.*?)</I>", text, re.S).group(1)
        lines = [line.strip() for line in quote.replace("<BR>", "\n").splitlines() if line.strip()]
        # The long first line wraps at the page's note width; the words all stay.
        self.assertGreater(len(lines), 2)
        self.assertEqual(" ".join(lines), note.replace("\\n", " ").replace("&", "&amp;")
                         .replace("<", "&lt;").replace(">", "&gt;"))
        d.key("Return")
        app.wait_gone(options)

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
