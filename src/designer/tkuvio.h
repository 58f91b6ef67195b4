#pragma once
// One modem of a network design: its place on the drawing, its identity, its links
// in the route tree, its terminal addresses, its route texts and the values of its
// properties. The figures of a designer are the whole network model; the drawing
// is a view over them (designer/designer_canvas.h).

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One value of a modem: the parameter's type letter and "$" group byte, the value
// as the properties window shows it, and its NMS size code and value identifier.
struct PropertyEntry {
    char tag = 0;
    char second = 0;
    uint8_t inUse = 0;
    std::string value;
    int8_t nmsSize = 0;
    uint16_t nmsId = 0;

    bool operator==(const PropertyEntry&) const = default;
};

// A list of route lines shown beside a figure on request; sorted lists keep their
// lines in the order of a case-insensitive comparison, each new line after the
// ones equal to it. Lines added to a sorted list out of order are merged in at the
// next read, so that the many lines of a route generation cost N log N.
class RouteLineList {
public:
    bool shown = false;

    // Keeps the lines in order from now on, those already in the list included, as
    // a list box does when it is made sorted.
    void MakeSorted();
    const std::vector<std::string>& Lines() const;
    std::string Text() const;
    void Add(std::string line);
    void Clear();
    // The lines, leaving the list empty.
    std::vector<std::string> TakeLines();

private:
    bool sorted_ = false;
    mutable std::vector<std::string> lines_;
    // Lines of a sorted list not yet merged into lines_, in the order they came.
    mutable std::vector<std::string> pending_;
};

// Source-route lines as they are shown: the terminal address as 8 hexadecimal
// digits and each modem identifier as 4, lines joined by CR LF.
std::string SourceRouteDisplayText(const std::string& text);

class TKuvio {
public:
    // Bits of the number word of the project files.
    static constexpr uint32_t kNumberMask = 0x1FFFFFFF;
    static constexpr uint32_t kMasterBit = 0x80000000;
    static constexpr uint32_t kMobileBit = 0x40000000;
    static constexpr uint32_t kMultiportBit = 0x20000000;
    // Size of the picture, and where it sits below the name label.
    static constexpr int kPictureWidth = 30;
    static constexpr int kPictureHeight = 50;
    static constexpr int kPictureOffset = 19;

    // A figure whose name label is at (x, y).
    TKuvio(int x, int y);
    TKuvio(const TKuvio&) = delete;
    TKuvio& operator=(const TKuvio&) = delete;

    // Geometry at the drawing's scale (1.0 at 100 per cent): the name label at
    // (Left, Top), the picture below it, the info label under the picture. Positions
    // are pixels of the drawing; the sizes and offsets follow the scale. The figure
    // also keeps its place at 100 per cent, which only a placement changes, so that
    // zooming never moves it in the file.
    float Scale() const { return scale_; }
    void SetScale(float scale) { scale_ = scale; }
    int Scaled(int length) const { return static_cast<int>(std::lround(length * scale_)); }
    int Left() const { return left_; }
    int Top() const { return top_; }
    int PictureTop() const { return top_ + Scaled(kPictureOffset); }
    int PictureWidth() const { return Scaled(kPictureWidth); }
    int PictureHeight() const { return Scaled(kPictureHeight); }
    int InfoTop() const { return PictureTop() + PictureHeight() + Scaled(8); }
    // A placement (by the user or from a file) at the current scale.
    void SetLeft(int x);
    void SetTop(int y);
    // The drawing was zoomed under the figure: it is shown elsewhere, its place at
    // 100 per cent stays.
    void ShowAt(int x, int y);
    int FullScaleLeft() const { return fullScaleLeft_; }
    int FullScaleTop() const { return fullScaleTop_; }
    // Makes (x, y) the figure's centre.
    void MoveTo(int x, int y);
    int CentreX() const { return left_ + Scaled(15); }
    int CentreY() const { return top_ + Scaled(44); }
    // Point size of the name and info labels and of the route lists.
    int FontSize() const { return fontSize_; }
    void SetFontSize(int size) { fontSize_ = size; }

    const std::string& GetModemName() const { return modemName_; }
    void SetModemName(const std::string& name) { modemName_ = name; }
    bool NameHighlight() const { return nameHighlight_; }
    void SetNameHighlight(bool on) { nameHighlight_ = on; }

    const std::string& TypeName() const { return typeName_; }
    void SetTypeName(const std::string& name) { typeName_ = name; }
    // The type name with its extension changed to ".smf".
    std::string GetSmfFileName() const;

    // Kind and picture. The picture name tells the view which of the eight
    // pictures to show ("MODEEMI", "PMASTERE", ...).
    void SetModemLook();
    void SetMasterLook();
    void SetMobileLook();
    void SetMultiLook();
    void SetNmsSupport(bool on);
    bool NmsSupport() const { return nmsSupport_; }
    const std::string& PictureName() const { return picture_; }
    bool Mobile() const { return mobile_; }
    bool Multiport() const { return multiport_; }
    bool MasterLook() const { return masterLook_; }

    // Terminal addresses: one for a normal modem, several for a multiport modem.
    std::string GetTerminalAddress() const;
    void SetTerminalAddress(const std::string& address);
    std::string GetTerminalAddressAt(int index) const;
    // index below the count replaces, at or past it appends, -1 clears the list.
    void SetTerminalAddressAt(int index, const std::string& address);
    const std::vector<std::string>& TerminalAddresses() const { return addresses_; }
    bool NoTerminalAddress() const { return noTerminalAddress_; }
    void SetNoTerminalAddress(bool on) { noTerminalAddress_ = on; }
    // The identifier as decimal text followed by a blank.
    std::string GetModemAddress() const;

    // Route text, built by route generation.
    const std::string& RouteText() const { return routeText_; }
    void AddRouteText(const std::string& text);
    void ClearRouteText() { routeText_.clear(); }
    void RouteTextFromAddresses();

    // Virtual and source route lists.
    void AddVirtualRoute(uint32_t a, uint32_t b);
    void AddVirtualRouteShort(uint32_t a, uint32_t b);
    std::string NextVirtualRoute(bool restart);
    void ToggleVirtualRouteWindow();
    bool VirtualRouteWindowShown() const { return virtualRoutes_ && virtualRoutes_->shown; }
    bool HasVirtualRouteWindow() const { return virtualRoutes_.has_value(); }
    const std::optional<RouteLineList>& VirtualRoutes() const { return virtualRoutes_; }
    void TakeRouteSnapshot();
    bool RoutesChanged() const;
    void AddSourceRoute(const std::string& text);
    void ToggleSourceRouteWindow();
    bool SourceRouteWindowShown() const { return sourceRoutes_ && sourceRoutes_->shown; }
    void CloseSourceRouteWindow();
    const std::optional<RouteLineList>& SourceRoutes() const { return sourceRoutes_; }

    // Info label under the picture: ping results and signal strengths.
    void AddInfoLine(const std::string& text);
    void ClearInfo();
    const std::string& InfoText() const { return infoText_; }
    bool InfoShown() const { return infoShown_; }

    // Property list.
    void ResetPropertyList(bool clear);
    void SetPropertyEntry(char tag, char second, const std::string& value, bool inUse, bool overwrite,
                          int8_t size, uint16_t id);
    const std::vector<PropertyEntry>& PropertyEntries() const { return entries_; }
    int HighestAccessLevel() const { return highestAccessLevel_; }
    // Takes over the other figure's property values (a modem data file read into a
    // scratch figure).
    void TakePropertiesFrom(TKuvio& other);

    // Links in the route tree.
    TKuvio* parent = nullptr;
    TKuvio* mobileParent = nullptr;

    // Number words, used only while a project file is written or read.
    uint32_t numberAndFlags = 0;
    uint32_t parentNumber = 0;
    uint32_t mobileParentNumber = 0;

    // Values of the modem-type file's "Version" section.
    std::string modemNameFromType;
    std::string settingsFromType;
    int versionFromType = 0;

    uint16_t identifier = 0;
    bool dragging = false;
    bool newFigure = false;
    // Version text of the file the figure was read from.
    std::string fileVersion;

private:
    void SetLook(const char* picture, bool mobile, bool multiport, bool masterLook);

    int left_;
    int top_;
    int fullScaleLeft_;
    int fullScaleTop_;
    float scale_ = 1.0f;
    int fontSize_ = 10;
    std::string modemName_ = "Noname";
    std::string infoText_;
    bool infoShown_ = false;
    std::string routeText_;
    std::string typeName_;
    std::optional<RouteLineList> virtualRoutes_;
    std::optional<RouteLineList> sourceRoutes_;
    std::vector<std::string> addresses_{std::string()};
    size_t routeLineCursor_ = 0;
    std::optional<std::vector<std::string>> routeSnapshot_;
    bool nameHighlight_ = false;
    bool nmsSupport_ = false;
    int highestAccessLevel_ = 0;
    bool mobile_ = false;
    bool multiport_ = false;
    bool masterLook_ = false;
    bool noTerminalAddress_ = false;
    std::string picture_ = "MODEEMI";

    std::vector<PropertyEntry> entries_;
    // Index of the entry written last; none before the first write.
    std::optional<size_t> writeCursor_;
    bool rewind_ = false;
};
