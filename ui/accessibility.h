#pragma once
// What screen readers are told about the window's own controls: the window
// is a window, the chart a chart, and a slider speaks the value under its
// thumb, also while the thumb is being dragged.

// Installs the accessible interfaces of Form1, PictureBox and HScrollBar;
// once is enough, later calls do nothing.
void installAccessibleInterfaces();
