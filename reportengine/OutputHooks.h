// OutputHooks: the one list of TBaseReport's output hooks. TBaseReport declares each as a
// virtual doing nothing (returning false where it returns a value); every report that
// performs output (TCanvasReport on a canvas, TReportFiler into a report file) overrides the
// whole list with REPORT_OUTPUT_HOOK_OVERRIDES. A new hook is one line here and its body in
// each of those classes; the hooks of the report file's plain ops come from their list
// (ReportFileFormat.h), and the report file writer's bodies of those are made for it.
//
// The hooks are called only when OutputAllowed(); positions in page inches, sizes inches;
// `line_y` is the line's baseline (Y of the cursor plus origin). Rectangles and point lists
// are device pixels of the output device, as a canvas takes them.
#pragma once

#include "reportengine/ReportFileFormat.h"

// One line per hook: return type, name, parenthesised parameter types.
#define REPORT_OUTPUT_HOOKS(HOOK)                                                             \
  /* Text at x (left end, centre or right end per align) on the line at line_y. */           \
  HOOK(void, OutText, (TTextAlign, const QString&, double /*x*/, double /*line_y*/))          \
  /* Text from x spread over exactly `width` inches. */                                      \
  HOOK(void, OutBlock, (const QString&, double /*x*/, double /*line_y*/, double /*width*/))   \
  /* Arc, Chord and Pie: box then start and end points. */                                   \
  HOOK(void, OutArc, (TArcKind, double, double, double, double, double, double, double,       \
                      double))                                                                \
  HOOK(void, OutPolygon, (const QPolygon&))                                                   \
  HOOK(void, OutPolyline, (const QPolygon&))                                                  \
  HOOK(void, OutFillRect, (const QRect&))                                                     \
  HOOK(void, OutFrameRect, (const QRect&))                                                    \
  HOOK(void, OutDrawFocusRect, (const QRect&))                                                \
  HOOK(void, OutFloodFill, (double, double, TColor, int))                                     \
  HOOK(void, OutBrushCopy, (const QRect&, const QImage&, const QRect&, TColor))               \
  HOOK(void, OutCopyRect, (const QRect&, const QImage&, const QRect&))                        \
  HOOK(void, OutDraw, (double, double, const QImage&))                                        \
  HOOK(void, OutStretchDraw, (const QRect&, const QImage&))                                   \
  HOOK(void, OutTextRect, (const QRect&, double, double, const QString&))                     \
  /* BitmapMode() tells whether to combine (AND) or copy. */                                 \
  HOOK(void, OutPrintBitmap, (double, double, double, double, const QImage&))                 \
  HOOK(void, OutPrintBitmapRect, (double, double, double, double, const QImage&))             \
  HOOK(void, OutCreatePolygonRegion, (const QPolygon&))                                       \
  HOOK(void, OutPrintData, (const QByteArray&))                                               \
  /* Pass `count` bytes of the stream on (count already resolved, never 0 meaning "rest"). */ \
  HOOK(void, OutPrintDataStream, (QIODevice&, qint64 /*count*/))                              \
  /* Returns whether a bin matched. Called also while idle. */                               \
  HOOK(bool, OutSelectBin, (const QString&))                                                  \
  /* The plain ops of the report file: Out<Name> with the op's numbers. */                   \
  REPORT_FILE_PLAIN_OPS(REPORT_OUTPUT_PLAIN_HOOK, HOOK)

// The hook of a plain op: Out<Name> taking its count of numbers (page inches; sizes inches).
#define REPORT_OUTPUT_PLAIN_HOOK(HOOK, name, code, layout, count) \
  HOOK(void, Out##name, REPORT_VALUE_PARAMETERS_##count)

// The parameter lists of 0 to 6 numbers, and the same names as arguments.
#define REPORT_VALUE_PARAMETERS_0 ()
// (Named for the writer's bodies; the do-nothing defaults leave them unused.)
#define REPORT_VALUE_PARAMETER(n) [[maybe_unused]] double v##n
#define REPORT_VALUE_PARAMETERS_2 (REPORT_VALUE_PARAMETER(0), REPORT_VALUE_PARAMETER(1))
#define REPORT_VALUE_PARAMETERS_4 \
  (REPORT_VALUE_PARAMETER(0), REPORT_VALUE_PARAMETER(1), REPORT_VALUE_PARAMETER(2), REPORT_VALUE_PARAMETER(3))
#define REPORT_VALUE_PARAMETERS_6                                                             \
  (REPORT_VALUE_PARAMETER(0), REPORT_VALUE_PARAMETER(1), REPORT_VALUE_PARAMETER(2), REPORT_VALUE_PARAMETER(3), \
   REPORT_VALUE_PARAMETER(4), REPORT_VALUE_PARAMETER(5))
#define REPORT_VALUE_ARGUMENTS_0
#define REPORT_VALUE_ARGUMENTS_2 v0, v1
#define REPORT_VALUE_ARGUMENTS_4 v0, v1, v2, v3
#define REPORT_VALUE_ARGUMENTS_6 v0, v1, v2, v3, v4, v5

// In TBaseReport: the hook that does nothing. `return Type()` is false for bool and nothing
// for void.
#define REPORT_OUTPUT_HOOK_DEFAULT(Type, Name, Parameters) \
  virtual Type Name Parameters { return Type(); }

// In a report that performs output: the declaration of its override.
#define REPORT_OUTPUT_HOOK_OVERRIDE(Type, Name, Parameters) Type Name Parameters override;

// Every hook of the list overridden.
#define REPORT_OUTPUT_HOOK_OVERRIDES REPORT_OUTPUT_HOOKS(REPORT_OUTPUT_HOOK_OVERRIDE)
