// The view's own pictures, drawn by the program at start-up: the four head
// orientation icons and the boxed cross-hair cursor.
#pragma once

#include <QCursor>
#include <QImage>

#include "view/ViewGeometry.h"

// 32 x 32: a ball (grey for a forward transducer, red for aft) with its stem
// on top (zero up/down set) or below.
QImage PaintHeadIcon(HeadIcon icon);

// A small boxed cross-hair with its hot spot at (8, 8).
QCursor BoxedCrossCursor();
