#pragma once
// The cursors of the drawing. The connect, delete and copy modes have cursors of
// their own, drawn here: the arrow pointer with a chain link, a cross or a copy
// sign beside it, the hot spot at the arrow's tip, where the click acts.

#include "designer/graph_editing.h"

#include <QCursor>

QCursor EditModeCursor(EditCursor cursor);
