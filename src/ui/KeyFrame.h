#pragma once

class Surface;

// The skin's key highlight ("key_frame.png") drawn over an object of
// `width` x `height` at the surface's origin: the image's corners (a third
// of it each way) as they are, its edges and middle repeated between them,
// so that the ring keeps its width on a long row and on a small icon alike.
// The image is drawn for 192-DPI screens and halved on coarser ones.
void DrawKeyFrame(Surface& surface, int width, int height, int transparency = 255);
