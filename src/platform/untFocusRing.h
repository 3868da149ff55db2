#pragma once
// A ring in the highlight colour around the focused control of a window.

class QWidget;

// The window's focused control is ringed from now on, whatever the style, whether the focus came
// by key, by mouse or by the program (styles mark it faintly, and lists and buttons only after
// a key was pressed). The ring is the window's child and goes with it.
void ShowFocusRing(QWidget* window);
