#pragma once
// Editing of a network design with the mouse, the menus and the keys: placing,
// selecting, dragging, linking, making master, deleting and copying modems. The
// window only translates its events into the calls below and paints the state
// (the rubber band while connecting, the active figure's frame, the cursor).

#include "designer/network_design.h"

#include <QPoint>
#include <functional>
#include <string>

class ModemTypeVersionReader;

// The cursor that the drawing shows.
enum class EditCursor { Default, Connect, Delete, Copy, SizeAll };

enum class MouseButton { Left, Right, Other };

// What the editor asks of its window.
struct GraphEditorHooks {
    // Opens the modem properties window for the context figure (which the window
    // then forgets).
    std::function<void()> showContextProperties;
    // The active figure changed by a click.
    std::function<void()> activeChanged;
    // The user deletes a figure: called before it is destroyed.
    std::function<void(TKuvio&)> figureRemoved;
    // While true, presses on figures do nothing (the properties window is changing
    // a modem's type).
    std::function<bool()> figuresLocked;
};

// Links `from` down to `to`, as a parent link or, in the mobile view, as a mobile
// parent link. A link onto the master or one that would close a ring is refused
// with a box; an existing link is replaced only when the user agrees. True when a
// link was made; the design is then modified and its routes out of date.
bool LinkFigures(NetworkDesign& design, TKuvio& from, TKuvio& to, bool mobileView);

class GraphEditor {
public:
    // Pixels the pointer must move with a figure pressed before the figure follows.
    static constexpr int kDragThreshold = 6;
    // How far a new modem steps from one it would stand exactly over: still under
    // the mouse held at the covered modem's centre, with both names in sight.
    static constexpr QPoint kStackStep{10, 20};

    // Figures removed from the design by any path end the placing, dragging and
    // connecting that held them.
    explicit GraphEditor(NetworkDesign& design) : design_(design) {
        design_.ListenForRemovals(this, [this](const TKuvio*) { FiguresRemoved(); });
    }
    ~GraphEditor() { design_.StopListening(this); }
    GraphEditor(const GraphEditor&) = delete;
    GraphEditor& operator=(const GraphEditor&) = delete;
    void SetHooks(GraphEditorHooks hooks) { hooks_ = std::move(hooks); }

    // Mouse events, at points of the drawing. A release goes to what was pressed.
    void FigureMouseDown(TKuvio& figure, MouseButton button, QPoint point);
    void FigureMouseUp(TKuvio& figure);
    void LabelMouseUp(MouseButton button);
    void FigureDoubleClick(TKuvio& figure);
    void AreaMouseDown(MouseButton button, QPoint point);
    void AreaMouseUp(MouseButton button);
    // A move; pressed is the figure the held button was pressed on, if any.
    void MouseMove(QPoint point, TKuvio* pressed);

    // A modem of a type from a modem-type menu, centred at the pointer; it follows
    // the mouse until a click places it, and then its properties open. None when
    // the design takes no further modem.
    TKuvio* NewModemFigure(const std::string& typeName, NewModemKind kind, const std::string& itemKey,
                           ModemTypeVersionReader& typeReader);
    // Commands on the context figure (the one a pop-up menu was opened on).
    void StartConnecting();
    void DeleteModem();
    void MakeMaster();
    // Makes no copy where the design takes no further modem.
    void CopyModem();
    void DeleteConnection();
    void ShowProperties();
    // Modes of the Modem menu: the next click on a figure connects, deletes or copies.
    void EnterConnectMode();
    void EnterDeleteMode();
    void EnterCopyMode();
    // The view of mobile links: leaving it drops a mobile active figure.
    void SetMobileView(bool on);
    // Enter places a modem being placed, or opens the active modem's properties;
    // Escape leaves every mode and hides the active modem's route lists.
    void EnterKey();
    void EscapeKey();

    NetworkDesign& Design() { return design_; }
    bool MobileView() const { return mobileView_; }
    QPoint Pointer() const { return pointer_; }
    void SetPointer(QPoint point) { pointer_ = point; }
    bool Connecting() const { return connecting_; }
    bool Dragging() const { return dragging_; }
    bool Panning() const { return panning_; }
    bool ConnectMode() const { return connectMode_; }
    bool DeleteMode() const { return deleteMode_; }
    bool CopyMode() const { return copyMode_; }
    bool NewFigurePending() const { return newFigurePending_; }
    EditCursor Cursor() const { return cursor_; }

private:
    // Figures were removed from the design: a modem being placed or dragged and a
    // connection being drawn end with them.
    void FiguresRemoved();
    void Drop(TKuvio& figure);
    // A figure still following the mouse stays where it is when another one comes.
    void LeavePlacedFigure();
    void StartDrag(TKuvio& figure, QPoint origin);
    void GrabAtCentre(TKuvio& figure);
    void StepOffStackedFigures(TKuvio& figure) const;
    // Moves the dragged figure with the pointer, never left of or above the drawing.
    void Follow(TKuvio& figure, QPoint point) const;
    void EndConnecting();
    void Select(TKuvio* figure);
    void MarkEdited();

    NetworkDesign& design_;
    GraphEditorHooks hooks_;
    QPoint pointer_;
    // Where the grabbed figure is held, from its name label's corner.
    QPoint dragOrigin_;
    QPoint pressPoint_;
    bool mobileView_ = false;
    bool connecting_ = false;
    bool dragging_ = false;
    bool dragPending_ = false;
    bool newFigurePending_ = false;
    bool panning_ = false;
    bool connectMode_ = false;
    bool deleteMode_ = false;
    bool copyMode_ = false;
    EditCursor cursor_ = EditCursor::Default;
};
