#include "shell/window_placement.h"

#include "shell/main_window_services.h"

#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace {
constexpr int kFallbackPosition = 10;
constexpr int kFallbackSize = 200;
constexpr int kAllowedLeftOverhang = 50;
constexpr int kMinimumVisible = 10;
constexpr int kInstanceOffset = 16;

// The window manager's border and title bar around a window, as far as Qt knows
// them: none before the window is framed.
QMargins FrameMargins(const QWidget& window) {
    const QRect frame = window.frameGeometry();
    const QRect inside = window.geometry();
    return {inside.left() - frame.left(), inside.top() - frame.top(), frame.right() - inside.right(),
            frame.bottom() - inside.bottom()};
}

// The window's frame, or before the window is framed that of the owner's window.
QMargins FrameOrOwnersFrame(const QWidget& window, const QWidget& owner) {
    const QMargins own = FrameMargins(window);
    return own.isNull() ? FrameMargins(*owner.window()) : own;
}

WindowRect RectOf(const QRect& rect) {
    return {rect.left(), rect.top(), rect.width(), rect.height()};
}

// A child larger than the area shrinks to the area, but never below what its
// layout needs: such a child keeps its title bar in the area's top left corner,
// and the area scrolls to the rest.
void KeepInMdiArea(QMdiSubWindow& child) {
    const QMdiArea* area = child.mdiArea();
    const QSize room = area != nullptr ? area->viewport()->size() : QSize();
    if (room.isEmpty() || child.isMaximized() || child.isMinimized())
        return;
    const WindowRect standing = RectOf(child.geometry());
    const QSize needed = child.minimumSizeHint().boundedTo(child.size());
    const QSize fits = room.expandedTo(needed);
    const WindowRect placed = PlaceOnDesktop(standing, {0, 0, fits.width(), fits.height()});
    if (placed != standing)
        child.setGeometry(placed.left, placed.top, placed.width, placed.height);
}

void KeepOnScreen(QWidget& window) {
    const QScreen* screen = window.screen();
    if (screen == nullptr || window.isMaximized() || window.isMinimized() || window.isFullScreen())
        return;
    const QWidget& owner = window.parentWidget() != nullptr ? *window.parentWidget() : window;
    const QRect frame(window.pos(), window.size().grownBy(FrameOrOwnersFrame(window, owner)));
    if (!screen->availableGeometry().contains(frame))
        PlaceWindowOnScreen(window, window.pos(), owner);
}

// Windows and MDI children; not menus, tool tips and the like, nor the main window.
bool KeptWithinReach(const QWidget& window) {
    switch (window.windowType()) {
    case Qt::Window:
    case Qt::Dialog:
    case Qt::Tool:
    case Qt::SubWindow:
        return Pohjafrm == nullptr || &window != Pohjafrm->Window();
    default:
        return false;
    }
}

class WindowsWithinReach : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && !event->spontaneous() && watched->isWidgetType() &&
            KeptWithinReach(*static_cast<QWidget*>(watched)))
            KeepWithinReach(*static_cast<QWidget*>(watched));
        return QObject::eventFilter(watched, event);
    }
};
} // namespace

WindowRect ClampToDesktop(WindowRect saved, const WindowRect& desktop) {
    if (saved.left + kAllowedLeftOverhang < desktop.left ||
        saved.left > desktop.left + desktop.width - kMinimumVisible)
        saved.left = kFallbackPosition;
    if (saved.top < desktop.top || saved.top > desktop.top + desktop.height - kMinimumVisible)
        saved.top = kFallbackPosition;
    if (saved.width > desktop.width - saved.left)
        saved.width = kFallbackSize;
    if (saved.height > desktop.height - saved.top)
        saved.height = kFallbackSize;
    return saved;
}

WindowRect PlaceOnDesktop(const WindowRect& wanted, const WindowRect& desktop) {
    WindowRect place = wanted;
    place.width = std::min(place.width, desktop.width);
    place.height = std::min(place.height, desktop.height);
    place.left = std::max(desktop.left, std::min(place.left, desktop.left + desktop.width - place.width));
    place.top = std::max(desktop.top, std::min(place.top, desktop.top + desktop.height - place.height));
    return place;
}

WindowRect VirtualDesktop() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect desktop = screen ? screen->virtualGeometry() : QRect();
    return {desktop.left(), desktop.top(), desktop.width(), desktop.height()};
}

WindowRect WindowPlace(const QWidget& window) {
    return {window.x(), window.y(), window.width(), window.height()};
}

// Qt moves a top-level window by its frame while it has no native window yet, and
// its native window moves by its frame once shown. Moved any other way, or between
// the two, the window's inside goes where its frame should stand.
void SetWindowPlace(QWidget& window, const WindowRect& place, const QMargins& frameUntilShown) {
    const QPoint frame(place.left, place.top);
    const QSize size(place.width, place.height);
    QWindow* native = window.isWindow() ? window.windowHandle() : nullptr;
    if (native != nullptr && !native->isVisible()) {
        window.setGeometry(QRect(frame + QPoint(frameUntilShown.left(), frameUntilShown.top()), size));
        return;
    }
    window.resize(size);
    if (native != nullptr)
        native->setFramePosition(frame);
    else
        window.move(frame);
}

void PlaceWindowOnScreen(QWidget& window, const QPoint& framePosition, const QWidget& owner) {
    const QMargins frame = FrameOrOwnersFrame(window, owner);
    const QSize frameSize = window.size().grownBy(frame);
    const QScreen* screen = owner.window()->screen();
    const QRect available = screen != nullptr ? screen->availableGeometry() : QRect(framePosition, frameSize);
    const WindowRect placed =
        PlaceOnDesktop({framePosition.x(), framePosition.y(), frameSize.width(), frameSize.height()},
                       {available.left(), available.top(), available.width(), available.height()});
    const QSize inside = QSize(placed.width, placed.height).shrunkBy(frame);
    SetWindowPlace(window, {placed.left, placed.top, inside.width(), inside.height()}, frame);
}

void KeepWithinReach(QWidget& window) {
    if (auto* child = qobject_cast<QMdiSubWindow*>(&window))
        KeepInMdiArea(*child);
    else if (window.isWindow())
        KeepOnScreen(window);
}

void InstallWindowsWithinReach() {
    QCoreApplication* app = QCoreApplication::instance();
    if (app != nullptr &&
        app->findChild<WindowsWithinReach*>(QString(), Qt::FindDirectChildrenOnly) == nullptr)
        app->installEventFilter(new WindowsWithinReach(app));
}

WindowPoint CentredInMainWindow(int mainWidth, int mainHeight, int windowWidth, int windowHeight) {
    return {mainWidth / 2 - windowWidth / 2, mainHeight / 2 - windowHeight / 2};
}

WindowPoint CentredFirmwareWindow(int mainWidth, int mainHeight, int windowWidth, int windowHeight,
                                  int toolBarHeight, int instance) {
    const int offset = (instance - 1) * kInstanceOffset;
    WindowPoint point = CentredInMainWindow(mainWidth, mainHeight, windowWidth, windowHeight);
    point.left += offset;
    point.top += offset;
    if (point.top > toolBarHeight)
        point.top -= toolBarHeight;
    return point;
}

std::vector<WindowRect> TileRects(int count, int areaWidth, int areaHeight, TileOrientation orientation) {
    std::vector<WindowRect> rects;
    if (count <= 0)
        return rects;
    const bool columns = orientation == TileOrientation::Vertical;
    const int extent = columns ? areaWidth : areaHeight;
    for (int i = 0; i < count; ++i) {
        // Each tile ends where the next begins, so the tiles fill the area exactly.
        const int start = extent * i / count;
        const int size = extent * (i + 1) / count - start;
        rects.push_back(columns ? WindowRect{start, 0, size, areaHeight}
                                : WindowRect{0, start, areaWidth, size});
    }
    return rects;
}

std::vector<WindowRect> CascadeRects(int count, int areaWidth, int areaHeight, int step) {
    std::vector<WindowRect> rects;
    if (count <= 0)
        return rects;
    step = std::max(step, 1);
    const int spread = (count - 1) * step;
    const int width = std::max(areaWidth - spread, areaWidth * 2 / 3);
    const int height = std::max(areaHeight - spread, areaHeight * 2 / 3);
    // How many windows fit one after the other before one would reach past the area.
    const int run = std::min(areaWidth - width, areaHeight - height) / step + 1;
    for (int i = 0; i < count; ++i) {
        const int offset = i % run * step;
        rects.push_back({offset, offset, width, height});
    }
    return rects;
}

#include "window_placement.moc"
