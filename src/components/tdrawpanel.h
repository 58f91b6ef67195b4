#pragma once
// A panel that holds and edits a directed graph: icons placed on a large drawing
// surface, the back plane, and labelled links from one icon to another. Every
// change ends in Paint, which renders the whole picture into the back plane and
// shows the part the two scroll bars select.
//
// The scroll bars lie over the panel's bottom and right edges. Auto-scrolling
// while the left button is held (or free-line mode is on) runs as a timer on the
// GUI thread, started while the panel holds icons.

#include "components/drawpanel_geometry.h"
#include "components/tcolor.h"
#include "components/tdpiconobjectlist.h"
#include "components/tdplinkobjectlist.h"

#include <QImage>
#include <QMenu>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QScrollBar;
class TXMLNode;

// The buttons and keys held at a mouse event.
enum TShiftFlag : uint8_t {
    ssShift = 1,
    ssAlt = 2,
    ssCtrl = 4,
    ssLeft = 8,
    ssRight = 16,
    ssMiddle = 32,
    ssDouble = 64,
};
using TShiftState = uint8_t;
enum TMouseButton : uint8_t { mbLeft, mbRight, mbMiddle };

// Icon pictures by index; the panel refers to a list without owning it.
using TImageList = std::vector<QImage>;

struct TActiveIconInfo {
    TDPIconObject* pIcon = nullptr;
    QPoint Pos;
    std::string Name;
    std::string Label;
    int ImageIndex = 0;
};

struct TActiveLinkInfo {
    std::string SourceIconName;
    std::string TargetIconName;
    std::string Label;
};

class TDrawPanel : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int Color_Background READ Color_Background WRITE vSetColor_Background)
    Q_PROPERTY(int Color_Border READ Color_Border WRITE vSetColor_Border)
    Q_PROPERTY(int Color_HiLite READ Color_HiLite WRITE vSetColor_HiLite)
    Q_PROPERTY(int Color_Link READ Color_Link WRITE vSetColor_Link)
    Q_PROPERTY(int Color_Path READ Color_Path WRITE vSetColor_Path)
    Q_PROPERTY(int Color_IconLabel READ Color_IconLabel WRITE vSetColor_IconLabel)
    Q_PROPERTY(int Color_IconLabelBg READ Color_IconLabelBg WRITE vSetColor_IconLabelBg)
    Q_PROPERTY(int Color_LinkLabel READ Color_LinkLabel WRITE vSetColor_LinkLabel)
    Q_PROPERTY(int Color_LinkLabelBg READ Color_LinkLabelBg WRITE vSetColor_LinkLabelBg)
    Q_PROPERTY(int Color_MultiSelect READ Color_MultiSelect WRITE vSetColor_MultiSelect)
    Q_PROPERTY(int BackPlane_Width READ i32GetBackPlaneWidth WRITE vSetBackPlaneWidth)
    Q_PROPERTY(int BackPlane_Height READ i32GetBackPlaneHeight WRITE vSetBackPlaneHeight)
    Q_PROPERTY(int LineWidth_Link READ LineWidth_Link WRITE vSetLinkWidth)
    Q_PROPERTY(int LineWidth_Path READ LineWidth_Path WRITE vSetPathWidth)
    Q_PROPERTY(int LabelFontSize READ LabelFontSize WRITE vSetLabelFontSize)
    Q_PROPERTY(int PanelScrollSpeed READ PanelScrollSpeed WRITE vSetPanelScrollSpeed)
    Q_PROPERTY(int LineWidth_HiLite READ LineWidth_HiLite WRITE vSetLineWidth_HiLite)
    Q_PROPERTY(int LineWidth_Border READ LineWidth_Border WRITE vSetLineWidth_Border)
    Q_PROPERTY(int LineWidth_FreeLine READ LineWidth_FreeLine WRITE vSetLineWidth_FreeLine)
    Q_PROPERTY(int LineWidth_MultiSelect READ LineWidth_MultiSelect WRITE vSetLineWidth_MultiSelect)
    Q_PROPERTY(int HiLiteDistance READ HiLiteDistance WRITE vSetHiLiteDistance)
    Q_PROPERTY(int ArrowSize READ ArrowSize WRITE vSetArrowSize)
    Q_PROPERTY(int AutoScrollWidth READ AutoScrollWidth WRITE vSetAutoScrollWidth)
    Q_PROPERTY(bool ShowAutoScrollArea READ ShowAutoScrollArea WRITE vSetShowAutoScrollArea)
    Q_PROPERTY(bool IconLabelBgTransparent READ IconLabelBgTransparent WRITE vSetIconLabelBgTransparent)
    Q_PROPERTY(bool VirtualBackPlane READ VirtualBackPlane WRITE vSetVirtualBackPlane)
    Q_PROPERTY(bool AutoFixIconPosition MEMBER AutoFixIconPosition)
    Q_PROPERTY(bool UseBackgroundImage MEMBER UseBackgroundImage)
    Q_PROPERTY(QMenu* IconPopupMenu MEMBER IconPopupMenu)
    Q_PROPERTY(QMenu* LinkPopupMenu MEMBER LinkPopupMenu)
public:
    explicit TDrawPanel(QWidget* owner = nullptr);
    ~TDrawPanel() override;

    // Plain settings: setting one stores it and nothing more.
    bool AutoFixIconPosition = false;
    bool UseBackgroundImage = false;
    // No QObject, so no property a form designer could set.
    const TImageList* IconImageList = nullptr;
    QMenu* IconPopupMenu = nullptr;
    QMenu* LinkPopupMenu = nullptr;

    // Looks: a setter stores the value and repaints at once.
    TColor Color_Background() const { return colorBackground_; }
    void vSetColor_Background(TColor color) { setLook(colorBackground_, color); }
    TColor Color_Border() const { return colorBorder_; }
    void vSetColor_Border(TColor color) { setLook(colorBorder_, color); }
    TColor Color_HiLite() const { return colorHiLite_; }
    void vSetColor_HiLite(TColor color) { setLook(colorHiLite_, color); }
    TColor Color_Link() const { return colorLink_; }
    void vSetColor_Link(TColor color) { setLook(colorLink_, color); }
    TColor Color_Path() const { return colorPath_; }
    void vSetColor_Path(TColor color) { setLook(colorPath_, color); }
    TColor Color_IconLabel() const { return colorIconLabel_; }
    void vSetColor_IconLabel(TColor color) { setLook(colorIconLabel_, color); }
    TColor Color_IconLabelBg() const { return colorIconLabelBg_; }
    void vSetColor_IconLabelBg(TColor color) { setLook(colorIconLabelBg_, color); }
    TColor Color_LinkLabel() const { return colorLinkLabel_; }
    void vSetColor_LinkLabel(TColor color) { setLook(colorLinkLabel_, color); }
    TColor Color_LinkLabelBg() const { return colorLinkLabelBg_; }
    void vSetColor_LinkLabelBg(TColor color) { setLook(colorLinkLabelBg_, color); }
    TColor Color_MultiSelect() const { return colorMultiSelect_; }
    void vSetColor_MultiSelect(TColor color) { setLook(colorMultiSelect_, color); }
    uint16_t LineWidth_HiLite() const { return hiLiteWidth_; }
    void vSetLineWidth_HiLite(int value) { setLook(hiLiteWidth_, value); }
    uint16_t LineWidth_Border() const { return borderWidth_; }
    void vSetLineWidth_Border(int value) { setLook(borderWidth_, value); }
    uint16_t LineWidth_FreeLine() const { return freeLineWidth_; }
    void vSetLineWidth_FreeLine(int value) { setLook(freeLineWidth_, value); }
    uint16_t LineWidth_MultiSelect() const { return multiSelectWidth_; }
    void vSetLineWidth_MultiSelect(int value) { setLook(multiSelectWidth_, value); }
    uint16_t HiLiteDistance() const { return hiLiteDistance_; }
    void vSetHiLiteDistance(int value) { setLook(hiLiteDistance_, value); }
    uint16_t ArrowSize() const { return arrowSize_; }
    void vSetArrowSize(int value) { setLook(arrowSize_, value); }
    uint16_t AutoScrollWidth() const { return autoScrollWidth_; }
    void vSetAutoScrollWidth(int value) { setLook(autoScrollWidth_, value); }
    bool ShowAutoScrollArea() const { return showAutoScrollArea_; }
    void vSetShowAutoScrollArea(bool on) { setLook(showAutoScrollArea_, on); }
    bool IconLabelBgTransparent() const { return iconLabelBgTransparent_; }
    void vSetIconLabelBgTransparent(bool on) { setLook(iconLabelBgTransparent_, on); }

    // Properties with rules of their own.
    uint16_t LineWidth_Link() const { return linkWidth_; }
    uint16_t LineWidth_Path() const { return pathWidth_; }
    uint16_t LabelFontSize() const { return labelFontSize_; }
    uint16_t PanelScrollSpeed() const { return scrollSpeed_; }
    bool VirtualBackPlane() const { return virtualBackPlane_; }
    // At least 1; a wider link than the path widens the path to link + 2.
    void vSetLinkWidth(int width);
    // Ignored unless wider than the link width + 2.
    void vSetPathWidth(int width);
    // Kept within 9..30.
    void vSetLabelFontSize(int size);
    // The auto-scroll step and the scroll bars' small step.
    void vSetPanelScrollSpeed(int speed);
    // Off: the back plane takes the panel's size.
    void vSetVirtualBackPlane(bool on);

    std::function<void(TDPIconObject*)> OnIconCreated;
    std::function<void(const std::string& str_data)> AfterIconDelete;
    std::function<void(TDPLinkObject*)> OnLinkCreated;
    std::function<void(const std::string& SourceIconName, const std::string& TargetIconName)> AfterLinkDelete;
    std::function<void(TDrawPanel* sender)> OnIconActive;
    std::function<void(TDrawPanel* sender)> OnLinkActive;
    std::function<void(TDPIconObject*)> OnIconDoubleClicked;
    std::function<void(TDPLinkObject*)> OnLinkDoubleClicked;
    std::function<void(TDPIconObject*)> FixedIconPosition;
    std::function<void(TDrawPanel*, TMouseButton, TShiftState, int x, int y)> OnMouseDown;
    std::function<void(TDrawPanel*, TMouseButton, TShiftState, int x, int y)> OnMouseUp;

    // Graph editing. A position with both coordinates negative places the icon in
    // the middle of the view; any other is kept R inside the back plane.
    void CreateIcon(const std::string& name, const std::string& label, QPoint position, int imageIndex);
    void CreateIcon(const std::string& name, const std::string& label, int imageIndex, int x, int y);
    // True when both icons exist (also when the link existed already).
    bool CreateLink(const std::string& source, const std::string& target, const std::string& label);
    void DelIcon(const std::string& name);
    void DelActiveIcon();
    void DelLink(const std::string& source, const std::string& target);
    void DelActiveLink();
    // Empties the graph without delete events.
    void Clear();

    // Selection and hit tests, in back-plane coordinates.
    void vSetActiveIcon(int x, int y);
    void vSetActiveIcon(const std::string& name);
    void vGroupSelectIcons(QPoint a, QPoint b);
    uint32_t u32GetActiveIconCount() const { return static_cast<uint32_t>(activeIcons_.size()); }
    const std::vector<std::string>& ActiveIconsList() const { return activeIcons_; }
    void vSetActiveLink(int x, int y);
    void vSetActiveLink(const std::string& source, const std::string& target);
    bool bCheckIconPos(QPoint point, QPoint iconPosition) const;
    bool bCheckIconPos(int x, int y) const;
    bool bCheckLinkPos(int x, int y);
    // "0" when no icon is hit.
    std::string strGetIconName(int x, int y) const;
    TDPIconObject* pGetIconObject(int x, int y) const;
    TDPLinkObject* pGetLinkObject(int x, int y);
    bool bIconActive() const { return iconActive_; }
    bool bLinkActive() const { return linkActive_; }
    const TActiveIconInfo& ActiveIconInfo() const { return activeIcon_; }
    const TActiveLinkInfo& ActiveLinkInfo() const { return activeLink_; }

    TDPIconObject* GetIconObject(const std::string& name) const;
    TDPLinkObject* GetLinkObject(const std::string& source, const std::string& target) const;
    TDPIconObject* GetIconObjectByIndex(uint32_t index) const { return icons_.GetIconObjectByIndex(index); }
    TDPLinkObject* GetLinkObjectByIndex(uint32_t index) const { return links_.GetLinkObjectByIndex(index); }
    bool IconExists(const std::string& name) const { return icons_.IconExists(name); }
    bool LinkExists(const std::string& source, const std::string& target) const {
        return links_.LinkExists(source, target);
    }
    uint32_t u32GetIconCount() const { return icons_.u32GetIconCount(); }
    uint32_t u32GetLinkCount() const { return links_.u32GetLinkCount(); }
    const std::vector<std::string>& pGetIconNameList() { return icons_.pGetIconNameList(); }
    const std::vector<std::string>& pGetLinkNameList() { return links_.pGetLinkNameList(); }
    const std::vector<std::string>& pGetLinkSourceNameList() { return links_.pGetLinkSourceNameList(); }
    const std::vector<std::string>& pGetLinkTargetNameList() { return links_.pGetLinkTargetNameList(); }

    void ChangeActiveLinkColor(TColor color);
    void ChangeActiveLinkColor(uint8_t red, uint8_t green, uint8_t blue);
    void ChangeLinkColor(const std::string& source, const std::string& target, TColor color);
    void ChangeLinkColor(const std::string& source, const std::string& target, uint8_t red, uint8_t green,
                         uint8_t blue);

    // The back plane: at most 2000 pixels and never smaller than the panel.
    int i32GetBackPlaneWidth() const { return backPlane_.width(); }
    int i32GetBackPlaneHeight() const { return backPlane_.height(); }
    int GetBackPlaneWidth() const { return backPlane_.width(); }
    int GetBackPlaneHeight() const { return backPlane_.height(); }
    void vSetBackPlaneWidth(int width);
    void vSetBackPlaneHeight(int height);
    const QImage& BackPlane() const { return backPlane_; }
    QPoint ScrollOffset() const;
    QScrollBar* HorzScrollBar() const { return horzScrollBar_; }
    QScrollBar* VertScrollBar() const { return vertScrollBar_; }

    QPoint GetMousePosOnBackPlane() const { return mouseOnBackPlane_; }
    QPoint GetMousePosOnParentPlane() const { return mouseOnParentPlane_; }
    TShiftState GetShiftStateOnParentPlane() const { return lastShiftState_; }
    bool bFreeLineMode = false;

    // The background image is copied unscaled to the back plane's origin. Its
    // format follows the file extension: Windows bitmap (.bmp), icon (.ico) or
    // JPEG (.jpg, .jpeg). A file that cannot be read, or another extension,
    // throws std::runtime_error and leaves the image as it was.
    void LoadBackgroundImage(const std::string& fileName);
    void ClearBackgroundImage();
    // The whole back plane, and the part in view, as Windows bitmap files; a file
    // that cannot be written throws std::runtime_error.
    void SaveDrawPanelAs(const std::string& fileName) const;
    void SaveVisibleDrawPanelAs(const std::string& fileName) const;

    void GetSaveData(TXMLNode* node) const;
    // Adds the saved icons and links to what the panel holds; links whose icons
    // are missing are dropped. A saved value that is no number throws
    // std::invalid_argument to the caller; what was read before it stays.
    void SetSaveData(TXMLNode* node);

    // Shows a path through the named icons (null stops showing it).
    void DrawPath(const std::vector<std::string>* names);
    const std::vector<std::string>& PathList() const { return pathList_; }
    bool bShowPath() const { return showPath_; }

    int GetMaxRadius() const;
    // Renders the back plane and shows it.
    void Paint();
    void vDraw();
    // One auto-scroll step, as the timer runs it.
    void vAutoScroll();
    bool bAutoScrollRunning() const { return autoScrollTimer_.isActive(); }
    static constexpr int AutoScrollIntervalMs = 10;

    // The mouse as the panel's handlers see it; the widget's events call them.
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    void MouseMove(TShiftState shift, int x, int y);
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    void DblClick() { doubleClicked_ = true; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    friend struct DrawPanelSavedFields;

    template <typename T, typename V> void setLook(T& field, V value) {
        field = static_cast<T>(value);
        Paint();
    }
    void vActiveIconsListOnChange();
    void setActiveIcons(std::vector<std::string> names);
    bool bIsSelected(const std::string& name) const;
    void endSelection();
    void resetActiveLink();
    void deleteIconWithLinks(const std::string& name);
    void syncAutoScroll();
    void placeScrollBars();
    void vScrollBarOnChange();
    void vClearBackPlane();
    void vDefaultIconPicture();
    void loadIconPicture(int imageIndex);
    QSize labelSize(const std::string& text) const;
    TRect linkLabelRect(const TDPLinkObject& link) const;
    void drawPath(class QPainter& painter, int r);
    void drawLink(class QPainter& painter, const TDPLinkObject& link, int r);
    void drawIcon(class QPainter& painter, TDPIconObject& icon, const std::string& key, int r);
    void drawAutoScrollArea(class QPainter& painter);
    void resolveLinkPositions();
    void keepActiveIconInView();
    void dragSelection(QPoint p);
    void createFreeLineLinks(QPoint p);
    void reportActivation(TMouseButton button, QPoint p);
    QPoint backPlanePoint(int x, int y) const;
    QFont labelFont() const;
    QColor qcolor(TColor color) const { return ToQColor(color, palette()); }

    TDPIconObjectList icons_;
    TDPLinkObjectList links_;
    QImage backPlane_;
    QImage iconPicture_;
    QImage backgroundImage_;
    std::vector<std::string> activeIcons_;
    std::vector<std::string> pathList_;
    QScrollBar* horzScrollBar_ = nullptr;
    QScrollBar* vertScrollBar_ = nullptr;
    QTimer autoScrollTimer_;

    TColor colorBackground_ = clWhite;
    TColor colorBorder_ = clBlack;
    TColor colorHiLite_ = clBlue;
    TColor colorLink_ = clGreen;
    TColor colorPath_ = clRed;
    TColor colorIconLabel_ = clBlack;
    TColor colorIconLabelBg_ = clYellow;
    TColor colorLinkLabel_ = clRed;
    TColor colorLinkLabelBg_ = clYellow;
    TColor colorMultiSelect_ = clBlack;
    uint16_t hiLiteWidth_ = 2;
    uint16_t borderWidth_ = 2;
    uint16_t freeLineWidth_ = 1;
    uint16_t multiSelectWidth_ = 1;
    uint16_t hiLiteDistance_ = 1;
    uint16_t arrowSize_ = 20;
    uint16_t autoScrollWidth_ = 50;
    bool showAutoScrollArea_ = false;
    bool iconLabelBgTransparent_ = true;
    int backPlaneWidth_ = 2000;
    int backPlaneHeight_ = 2000;
    uint16_t linkWidth_ = 2;
    uint16_t pathWidth_ = 6;
    uint16_t labelFontSize_ = 10;
    uint16_t scrollSpeed_ = 10;
    bool virtualBackPlane_ = true;

    bool iconActive_ = false;
    bool linkActive_ = false;
    TActiveIconInfo activeIcon_;
    TActiveLinkInfo activeLink_;
    TDPLinkObject* activeLinkObject_ = nullptr;
    bool showPath_ = false;
    bool groupSelect_ = false;
    bool groupDrag_ = false;
    bool doubleClicked_ = false;
    QPoint groupSelectStart_, groupSelectEnd_, lastDragPos_;
    QPoint mouseOnBackPlane_, mouseOnParentPlane_;
    TShiftState lastShiftState_ = 0;
};
