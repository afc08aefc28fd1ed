#pragma once

class Surface;

// The skin's key highlight ("key_frame.png") drawn as a ring of `width` x
// `height` at the surface's origin: the image's corners (a third of it each
// way) as they are, its edges repeated between them, so that the ring keeps
// its width on a long row and on a small icon alike. Its middle is left
// alone: what the ring surrounds keeps its own colours. The image is drawn
// for 192-DPI screens and halved on coarser ones.
void DrawKeyFrame(Surface& surface, int width, int height, int transparency = 255);

// How far the ring reaches in from its outer edge (a corner's size): the
// highlight is drawn that far outside the object, clear of its text.
int KeyFrameWidth();
