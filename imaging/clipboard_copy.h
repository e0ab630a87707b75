#pragma once
// The Copy command: the image as it was received, at full resolution, onto the system clipboard.

#include <QImage>

// Empties the clipboard and puts `image` on it; a null image leaves the clipboard empty.
// Returns false when there is no clipboard to open (no GUI application, no clipboard service).
bool CopyImageToClipboard(const QImage& image);
