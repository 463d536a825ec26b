#pragma once
// Keeps a top-level window wholly on its screen: at large scale factors a window's natural
// size can exceed the screen, and the window manager then places its title bar out of reach.

class QWidget;

// Shrinks `window` to the available area of its screen when it is larger, never below its
// minimum size, and moves it so that its frame lies within that area. Call before the
// window is first shown, from its showEvent: by then Qt has given it its natural size and,
// for a dialog, its place over the parent.
void FitOnScreen(QWidget& window);
