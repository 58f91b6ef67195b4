#pragma once
// Where windows of the main window are placed: the main window itself at start,
// inside the virtual desktop, the firmware windows centred in the main window, and
// every window whose place the settings file keeps, as it is saved and restored.

#include <QMargins>
#include <vector>

class QPoint;
class QWidget;

struct WindowRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    bool operator==(const WindowRect&) const = default;
};

// Corrects a saved main-window position against the virtual desktop (all
// monitors): a window left of the desktop by more than 50 pixels or with less than
// 10 pixels on it goes to 10; a size larger than the room from its position on is
// reset to 200. The room is the desktop's width (height) minus the position.
WindowRect ClampToDesktop(WindowRect saved, const WindowRect& desktop);

// A tool window placed beside its owner: moved up and left as far as needed to lie
// wholly on the desktop, so that its buttons can be reached; it keeps its size
// unless the desktop is smaller.
WindowRect PlaceOnDesktop(const WindowRect& wanted, const WindowRect& desktop);

// The virtual desktop: all monitors together.
WindowRect VirtualDesktop();

// A window's place as the settings file keeps it: where the top-left corner of
// its frame stands (a top-level window's frame being the window manager's border
// and title bar, an MDI child's the one it has in the MDI area) and its size
// inside that frame. Every window whose place is saved is saved from here and
// restored by SetWindowPlace, so that it comes back where it stood.
WindowRect WindowPlace(const QWidget& window);

// Puts a window at a place WindowPlace gave. A top-level window's frame goes to
// the place whether or not the window manager has framed the window yet, except
// for a window whose native window exists but is not shown (being shown, or
// hidden again): Qt has no frame for it and puts its inside where it is told, so
// its inside goes to the place moved in by frameUntilShown, the frame expected.
void SetWindowPlace(QWidget& window, const WindowRect& place, const QMargins& frameUntilShown = {});

// Places a top-level window that opens beside its owner: the top-left corner of
// its frame at framePosition, its size as it is, then moved up and left as far as
// needed for the whole frame to lie on the owner's screen (without its panels),
// so that its buttons can be reached. Before the window is framed, its frame is
// taken to be as thick as that of the owner's window.
void PlaceWindowOnScreen(QWidget& window, const QPoint& framePosition, const QWidget& owner);

// Keeps a window that is being shown within the user's reach: an MDI child inside
// the main window's client area, any other window with its whole frame on its
// screen (without the panels). A window out of reach moves as far as needed, and
// is made smaller only when it is larger than the room; one within reach stays
// where it stands. Where a window opens depends on how the others stand (the MDI
// area puts a new child where it overlaps least, and a child may grow after), so
// the rule is kept as each window is shown rather than by each placement.
void KeepWithinReach(QWidget& window);

// Puts every window of the program except the main window, which keeps its saved
// place by its own rule, through KeepWithinReach as it is shown. One filter on
// the application, installed once, right after the application object is made.
void InstallWindowsWithinReach();

struct WindowPoint {
    int left = 0;
    int top = 0;

    bool operator==(const WindowPoint&) const = default;
};

// Top-left corner of a window of the given size centred in the main window: half
// the main window's size less half the window's.
WindowPoint CentredInMainWindow(int mainWidth, int mainHeight, int windowWidth, int windowHeight);

// Top-left corner of firmware window `instance` (1 for the single window and for
// multi window 1, 2 to 4 for the others) centred in the main window, each further
// multi window 16 pixels right and down; a window below the tool bar moves up by
// the tool bar's height.
WindowPoint CentredFirmwareWindow(int mainWidth, int mainHeight, int windowWidth, int windowHeight,
                                  int toolBarHeight, int instance);

// Tiling of the MDI children in an area of the given size: side by side in equal
// columns (vertical tiling) or one above the other in equal rows (horizontal).
enum class TileOrientation { Vertical, Horizontal };
std::vector<WindowRect> TileRects(int count, int areaWidth, int areaHeight, TileOrientation orientation);

// Cascading of the MDI children in an area: every window of the same size, each one
// step right of and below the one before; the size is the area less the last
// window's offset, but at least two thirds of the area, and a window that would
// reach past the area starts the next run at the top-left corner again.
std::vector<WindowRect> CascadeRects(int count, int areaWidth, int areaHeight, int step);
