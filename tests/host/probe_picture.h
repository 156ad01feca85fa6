// The picture the probe program draws on its mode 12 screen; the display
// tests draw the same into an image of their own to know what the window must show.
#pragma once

// Draws on the destination image (mode 12): colour bars, a grid, circles, text
// and two palette entries changed from their defaults.
void probe_picture();
