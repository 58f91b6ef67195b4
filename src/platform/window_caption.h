#pragma once
// Room for a caption in a window manager's title bar. Qt sizes a window by its
// content alone, and a window manager cuts a caption that does not fit between the
// window icon and the window buttons.

#include <QString>

// The width a top-level window needs to show the whole caption: the caption in
// the title-bar font drawn bold, as title bars commonly draw it, and room for the
// window icon and the minimise, maximise and close buttons.
int CaptionWidth(const QString& caption);
