#!/usr/bin/env python3
"""Checks every #include of the tree against the direction of the layers.

Usage: check_layers.py ROOT QT_INCLUDE_DIR
Prints one line per include against the arrows ("file:line: why") and exits 1 when
there is any; exits 0 when every include goes down or sideways within its layer.
The arrows (see the root CMakeLists.txt):
  base <- xbase, reportengine (base: byte order and code pages, below both)
  xbase <- store <- core <- dialogs, reports, app
  widgets <- dialogs, reports_ui, app
  reportengine <- reports <- app
  reportengine <- reportengine_ui (reportengine/ui: dialogs, preview scroll box) <- reports_ui, app
  reports <- reports_ui (reports/ui: the report windows) <- app; widgets <- reports_ui
base and store/xbase include no Qt; store/ and core/ include Qt Core only; reportengine never
includes store/, core/, widgets/, dialogs/ or app/ and includes Qt Core and Gui only (its
window part reportengine/ui any); reports/ includes Qt Core and Gui only (reports/ui any);
nothing but app/ includes app/.
"""
import os
import re
import sys

# What each layer may include (its own folder included).
ALLOWED = {
    "base": {"base"},
    "xbase": {"base", "xbase"},
    "store": {"base", "xbase", "store"},
    "core": {"base", "xbase", "store", "core"},
    "widgets": {"widgets"},
    "dialogs": {"base", "xbase", "store", "core", "widgets", "dialogs"},
    "reportengine": {"base", "reportengine"},
    "reportengine_ui": {"base", "reportengine", "reportengine_ui"},
    "reports": {"base", "xbase", "store", "core", "reportengine", "reports"},
    "reports_ui": {"base", "xbase", "store", "core", "widgets", "reportengine", "reportengine_ui", "reports",
                   "reports_ui"},
    "app": {"base", "xbase", "store", "core", "widgets", "dialogs", "reportengine", "reportengine_ui", "reports",
            "reports_ui", "app"},
}
# Qt modules a layer may include; None means any.
QT_ALLOWED = {
    "base": set(),
    "xbase": set(),
    "store": {"QtCore"},
    "core": {"QtCore"},
    # The report engine draws and prints without a window; its dialogs and the preview's
    # scroll box are reportengine_ui.
    "reportengine": {"QtCore", "QtGui"},
    # The exports and the task report without a window (jlistreport); the report windows
    # are reports_ui.
    "reports": {"QtCore", "QtGui"},
}
# store/TaskSchema.h is header-only and Qt-free: the one definition of the task table,
# which the engine-level programs (jlistdb, benchmarks, fuzz targets) share.
ENGINE_LEVEL_EXTRAS = {"store/TaskSchema.h"}

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc")
SKIPPED_DIRS = {".git", "build", "node_modules"}


def layer_of_path(rel):
    """The layer a project path (relative to the root) belongs to, or None."""
    parts = rel.split("/")
    if parts[0] == "store":
        return "xbase" if len(parts) > 1 and parts[1] == "xbase" else "store"
    if len(parts) > 2 and parts[1] == "ui" and parts[0] + "_ui" in ALLOWED:
        return parts[0] + "_ui"  # a folder's window part
    if parts[0] in ALLOWED:
        return parts[0]
    return None


def program_layer(rel):
    """The layer whose rules a source file follows, and its extra allowed headers."""
    parts = rel.split("/")
    top = parts[0]
    if top == "tests":
        inner = "/".join(parts[1:])
        layer = layer_of_path(inner)
        if layer == "reports":
            return "reports_ui", set()  # one test program for the report code and its windows
        if layer is not None:
            return layer, set()
        return None, set()  # test mains and helpers at the top of tests/
    if top == "tools":
        tool = parts[1] if len(parts) > 1 else ""
        if tool == "jlistdb":
            # The iCalendar and CSV imports are linked only in the full build, with core.
            if parts[-1].startswith("ExchangeImportCommand"):
                return "core", set()
            return "xbase", ENGINE_LEVEL_EXTRAS
        return "reports", set()  # jlistreport writes the report without a window
    if top in ("bench", "fuzz"):
        name = parts[-1]
        if name.startswith("bench_ui_") or name == "BenchUiHosts.h":
            return "app", set()
        if name == "BenchTaskFolder.h":
            return "store", set()  # the task folders of the benchmarks above the engine
        if name.startswith(("bench_export", "bench_taskreport", "bench_exchange")) or name == "BenchTaskWalk.h":
            return "reports", set()
        if name.startswith(("bench_report", "fuzz_report")):
            return "reportengine", set()
        if name.startswith("fuzz_taskimport"):
            return "core", set()  # the import readers need Qt Core and libical only
        return "xbase", ENGINE_LEVEL_EXTRAS
    return layer_of_path(rel), set()


def qt_module(header, qt_dir):
    """The Qt module that provides a <QFoo> or <QtModule/QFoo> header, or None."""
    if "/" in header:
        first = header.split("/")[0]
        return first if first.startswith("Qt") else None
    if not re.match(r"^Q[A-Za-z0-9]+$", header) and not header.startswith("qt"):
        return None
    for module in sorted(os.listdir(qt_dir)) if os.path.isdir(qt_dir) else []:
        if os.path.exists(os.path.join(qt_dir, module, header)):
            return module
    return "Qt?" if header.startswith("Q") else None


def check(root, qt_dir):
    problems = []
    for folder, dirs, files in os.walk(root):
        dirs[:] = sorted(d for d in dirs if d not in SKIPPED_DIRS and not d.startswith("build"))
        for name in sorted(files):
            if not name.endswith(SOURCE_SUFFIXES):
                continue
            path = os.path.join(folder, name)
            rel = os.path.relpath(path, root).replace(os.sep, "/")
            layer, extras = program_layer(rel)
            if layer is None:
                continue
            with open(path, encoding="utf-8", errors="replace") as f:
                for number, line in enumerate(f, 1):
                    m = INCLUDE.match(line)
                    if not m:
                        continue
                    kind, header = m.groups()
                    where = f"{rel}:{number}"
                    if kind == "<":
                        module = qt_module(header, qt_dir)
                        allowed_qt = QT_ALLOWED.get(layer)
                        if module and allowed_qt is not None and module not in allowed_qt:
                            problems.append(f"{where}: {layer} may not include <{header}> ({module})")
                        continue
                    if header in extras:
                        continue
                    target = layer_of_path(header)
                    if target is None:
                        continue  # a header beside the file (test support, generated moc)
                    if target not in ALLOWED[layer]:
                        problems.append(f"{where}: {layer} may not include \"{header}\" ({target})")
    return problems


def main():
    if len(sys.argv) != 3:
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    problems = check(sys.argv[1], sys.argv[2])
    for p in problems:
        print(p)
    if problems:
        print(f"{len(problems)} include(s) against the layers")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
