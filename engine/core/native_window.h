// What the engine asks of the window system beneath SDL where SDL's own answer is
// not enough: the size the window really has, and putting the window inside
// another program's window.
#pragma once

struct SDL_Window;

// The window's drawable size in pixels. Under X11 it is asked of the X server: a
// full-screen request that no window manager granted leaves SDL believing the
// window has the screen's size while it kept its own.
void windowPixelSize(SDL_Window* window, int* width, int* height);
// The same in the window system's units, those of pointer positions.
void windowSize(SDL_Window* window, int* width, int* height);

// Whether the window system tells how old the OpenGL context's back buffer is after a
// swap (GLX_EXT_buffer_age); ask with the window's context current.
bool windowTellsBufferAge(SDL_Window* window);
// How many frames old the back buffer of the current context's window is: 1 means it
// still holds the picture just shown. 0 when unknown.
int backBufferAge();
// Whether the window system can show the back buffer without a swap, leaving it as it
// is (GLX_MESA_copy_sub_buffer), and the renderer is a software one; ask as above.
bool windowShowsBackBuffer(SDL_Window* window);
// Shows the current context's back buffer in its window of the given pixel size; false
// when that failed (a size the driver has not taken yet): then a swap must show it.
bool showBackBuffer(int width, int height);

enum class EmbedResult { Embedded, Unsupported, NoSuchParent };

// Makes the (still hidden) window a child of the given native window at its top-left
// corner. Only X11 windows can be embedded; the parent is an X window id (the
// engine's WindowHandle).
EmbedResult embedWindow(SDL_Window* window, void* parent);
