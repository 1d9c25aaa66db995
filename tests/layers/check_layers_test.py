#!/usr/bin/env python3
"""Tests of check_layers.py on small trees made for the purpose: each kind of upward
include is reported with its file and line, and includes down the arrows pass."""
import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
CHECKER = os.path.join(HERE, "check_layers.py")
QT_DIR = sys.argv.pop(1) if len(sys.argv) > 1 else "/usr/include/x86_64-linux-gnu/qt6"


def run(files):
    with tempfile.TemporaryDirectory() as root:
        for rel, text in files.items():
            path = os.path.join(root, rel)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w") as f:
                f.write(text)
        done = subprocess.run([sys.executable, CHECKER, root, QT_DIR], capture_output=True, text=True)
        return done.returncode, done.stdout


class CheckLayersTest(unittest.TestCase):
    def test_includes_down_the_arrows_pass(self):
        code, out = run({
            "store/xbase/Table.cpp": '#include "store/xbase/Table.h"\n#include <vector>\n',
            "store/TodoTable.cpp": '#include "store/xbase/Table.h"\n#include <QString>\n',
            "core/Words.cpp": '#include "store/TodoTable.h"\n',
            "dialogs/Editor.cpp": '#include "widgets/MessageBox.h"\n#include "core/Words.h"\n#include <QDialog>\n',
            "reports/Export.cpp": '#include "reportengine/BaseReport.h"\n#include "core/Words.h"\n',
            "app/Main.cpp": '#include "reports/Export.h"\n#include "dialogs/Editor.h"\n',
            "reportengine/ui/Dialogs.cpp": '#include "reportengine/REDevice.h"\n#include <QPrintDialog>\n',
            "reports/ui/Setup.cpp": '#include "reports/Export.h"\n#include "widgets/MessageBox.h"\n#include <QDialog>\n',
            "tests/core/WordsTest.cpp": '#include "core/Words.h"\n#include "WordsSupport.h"\n',
            "tools/jlistdb/main.cpp": '#include "store/TaskSchema.h"\n',
        })
        self.assertEqual(code, 0, out)

    def test_each_upward_include_is_named_with_its_line(self):
        code, out = run({
            "dialogs/Editor.cpp": '// editor\n#include "app/MainScreen.h"\n',
            "core/Words.cpp": '#include "widgets/MessageBox.h"\n',
            "reportengine/Device.cpp": '#include <QPrinter>\n#include "core/DateTimeFormat.h"\n',
            "store/xbase/Table.cpp": '#include <QString>\n',
            "store/Settings.cpp": '#include <QWidget>\n',
            "widgets/Panel.cpp": '#include "dialogs/Editor.h"\n',
            "tests/reports/ExportTest.cpp": '#include "app/MainScreen.h"\n',
            "tools/jlistdb/main.cpp": '#include "store/TodoTable.h"\n',
            "bench/bench_append.cpp": '#include "core/Words.h"\n',
            "reportengine/Preview.cpp": '#include "reportengine/ui/Dialogs.h"\n',
            "reports/Writer.cpp": '#include <QDialog>\n',
            "tools/jlistreport/main.cpp": '#include "reports/ui/Setup.h"\n',
        })
        self.assertEqual(code, 1)
        for expected in ("dialogs/Editor.cpp:2", "core/Words.cpp:1", "reportengine/Device.cpp:2",
                         "store/xbase/Table.cpp:1", "store/Settings.cpp:1", "widgets/Panel.cpp:1",
                         "tests/reports/ExportTest.cpp:1", "tools/jlistdb/main.cpp:1",
                         "bench/bench_append.cpp:1", "reportengine/Preview.cpp:1", "reports/Writer.cpp:1",
                         "tools/jlistreport/main.cpp:1"):
            self.assertIn(expected + ":", out)
        # The engine prints without a window: PrintSupport is its window part's.
        self.assertIn("reportengine/Device.cpp:1:", out)
        self.assertIn("13 include(s) against the layers", out)


if __name__ == "__main__":
    unittest.main()
