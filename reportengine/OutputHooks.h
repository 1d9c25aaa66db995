// OutputHooks: the one list of TBaseReport's output hooks. TBaseReport declares each as a
// virtual doing nothing (returning false where it returns a value); every report that
// performs output (TCanvasReport on a canvas, TReportFiler into a report file) overrides the
// whole list with REPORT_OUTPUT_HOOK_OVERRIDES. A new hook is one line here and its body in
// each of those classes.
//
// The hooks are called only when OutputAllowed(); positions in page inches, sizes inches;
// `line_y` is the line's baseline (Y of the cursor plus origin). Rectangles and point lists
// are device pixels of the output device, as a canvas takes them.
#pragma once

// One line per hook: return type, name, parenthesised parameter types.
#define REPORT_OUTPUT_HOOKS(HOOK)                                                             \
  /* Text at x (left end, centre or right end per align) on the line at line_y. */           \
  HOOK(void, OutText, (TTextAlign, const QString&, double /*x*/, double /*line_y*/))          \
  /* Text from x spread over exactly `width` inches. */                                      \
  HOOK(void, OutBlock, (const QString&, double /*x*/, double /*line_y*/, double /*width*/))   \
  /* Arc, Chord and Pie: box then start and end points. */                                   \
  HOOK(void, OutArc, (TArcKind, double, double, double, double, double, double, double,       \
                      double))                                                                \
  HOOK(void, OutEllipse, (double, double, double, double))                                    \
  HOOK(void, OutRectangle, (double, double, double, double))                                  \
  HOOK(void, OutTabRectangle, (double, double, double, double))                               \
  /* Box, then corner ellipse width and height (inches, no origin). */                       \
  HOOK(void, OutRoundRect, (double, double, double, double, double, double))                  \
  HOOK(void, OutMoveTo, (double, double))                                                     \
  HOOK(void, OutLineTo, (double, double))                                                     \
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
  HOOK(void, OutCreateRectRegion, (double, double, double, double))                           \
  HOOK(void, OutCreateRoundRectRegion, (double, double, double, double, double, double))      \
  HOOK(void, OutCreateEllipticRegion, (double, double, double, double))                       \
  HOOK(void, OutCreatePolygonRegion, (const QPolygon&))                                       \
  HOOK(void, OutSelectClipRegion, ())                                                         \
  HOOK(void, OutClearClipRegion, ())                                                          \
  HOOK(void, OutDeleteRegion, ())                                                             \
  HOOK(void, OutBeginPath, ())                                                                \
  HOOK(void, OutEndPath, ())                                                                  \
  HOOK(void, OutSelectClipPath, ())                                                           \
  HOOK(void, OutStrokePath, ())                                                               \
  HOOK(void, OutStrokeAndFillPath, ())                                                        \
  HOOK(void, OutPrintData, (const QByteArray&))                                               \
  /* Pass `count` bytes of the stream on (count already resolved, never 0 meaning "rest"). */ \
  HOOK(void, OutPrintDataStream, (QIODevice&, qint64 /*count*/))                              \
  /* Returns whether a bin matched. Called also while idle. */                               \
  HOOK(bool, OutSelectBin, (const QString&))

// In TBaseReport: the hook that does nothing. `return Type()` is false for bool and nothing
// for void.
#define REPORT_OUTPUT_HOOK_DEFAULT(Type, Name, Parameters) \
  virtual Type Name Parameters { return Type(); }

// In a report that performs output: the declaration of its override.
#define REPORT_OUTPUT_HOOK_OVERRIDE(Type, Name, Parameters) Type Name Parameters override;

// Every hook of the list overridden.
#define REPORT_OUTPUT_HOOK_OVERRIDES REPORT_OUTPUT_HOOKS(REPORT_OUTPUT_HOOK_OVERRIDE)
