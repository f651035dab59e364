// What the browser build asks of the page around its canvas.
#pragma once

// Full screen for the page's stage (the canvas and its black surround), or back.
// Browsers grant it only shortly after a user's input; a refused request waits for
// the next key or click.
void pageFullScreen(bool on);
