#include "components/tdrawpanel.h"

#include "platform/file_contents.h"

#include <QFileInfo>
#include <QScrollBar>

#include <algorithm>
#include <stdexcept>

namespace {
constexpr int MaxBackPlaneSize = 2000;
constexpr int DefaultPanelSize = 300;
constexpr int MinLabelFontSize = 9;
constexpr int MaxLabelFontSize = 30;
// The path stays this much wider than the links.
constexpr int PathOverLinkWidth = 2;

// The reader of a background picture by its file extension, as the forms'
// picture loader chose it; null for an extension it has no reader for.
const char* PictureFormatOf(const QString& suffix) {
    if (suffix == "bmp")
        return "BMP";
    if (suffix == "ico")
        return "ICO";
    if (suffix == "jpg" || suffix == "jpeg")
        return "JPEG";
    return nullptr;
}

// The picture in a file read whole; a null picture when the file cannot be read
// or holds no picture of the format.
QImage ReadPicture(const std::string& fileName, const char* format) {
    try {
        const std::string bytes = ReadFileContents(fileName);
        return QImage::fromData(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())), format);
    } catch (const EFileReadError&) {
        return QImage();
    }
}

void SaveBitmap(const QImage& image, const std::string& fileName) {
    if (!image.save(QString::fromStdString(fileName), "BMP"))
        throw std::runtime_error("Cannot create file \"" + fileName + "\"");
}
} // namespace

TDrawPanel::TDrawPanel(QWidget* owner) : QWidget(owner) {
    resize(DefaultPanelSize, DefaultPanelSize);
    setCursor(Qt::CrossCursor);
    setMouseTracking(true);
    backPlane_ = QImage(MaxBackPlaneSize, MaxBackPlaneSize, QImage::Format_RGB32);
    backPlane_.fill(qcolor(colorBackground_));
    vDefaultIconPicture();

    horzScrollBar_ = new QScrollBar(Qt::Horizontal, this);
    vertScrollBar_ = new QScrollBar(Qt::Vertical, this);
    for (QScrollBar* bar : {horzScrollBar_, vertScrollBar_})
        connect(bar, &QScrollBar::valueChanged, this, [this] { vScrollBarOnChange(); });

    icons_.OnIconAdded = [this](TDPIconObject* icon) {
        if (OnIconCreated)
            OnIconCreated(icon);
    };
    icons_.OnIconDeleted = [this](const std::string& name) {
        if (AfterIconDelete)
            AfterIconDelete(name);
    };
    links_.OnLinkAdded = [this](TDPLinkObject* link) {
        if (OnLinkCreated)
            OnLinkCreated(link);
    };
    links_.OnLinkDeleted = [this](const std::string& source, const std::string& target) {
        // The active link must never point at a freed link.
        if (linkActive_ && activeLink_.SourceIconName == source && activeLink_.TargetIconName == target)
            resetActiveLink();
        if (AfterLinkDelete)
            AfterLinkDelete(source, target);
    };

    autoScrollTimer_.setInterval(AutoScrollIntervalMs);
    connect(&autoScrollTimer_, &QTimer::timeout, this, [this] {
        if ((lastShiftState_ & ssLeft) || bFreeLineMode)
            vAutoScroll();
    });
    vSetPanelScrollSpeed(scrollSpeed_);
}

TDrawPanel::~TDrawPanel() {
    autoScrollTimer_.stop();
}

void TDrawPanel::vSetLinkWidth(int width) {
    linkWidth_ = static_cast<uint16_t>(std::max(width, 1));
    if (linkWidth_ > pathWidth_ - PathOverLinkWidth)
        pathWidth_ = linkWidth_ + PathOverLinkWidth;
    Paint();
}

void TDrawPanel::vSetPathWidth(int width) {
    if (width <= linkWidth_ + PathOverLinkWidth)
        return;
    pathWidth_ = static_cast<uint16_t>(width);
    Paint();
}

void TDrawPanel::vSetLabelFontSize(int size) {
    labelFontSize_ = static_cast<uint16_t>(std::clamp(size, MinLabelFontSize, MaxLabelFontSize));
    Paint();
}

void TDrawPanel::vSetPanelScrollSpeed(int speed) {
    scrollSpeed_ = static_cast<uint16_t>(speed);
    horzScrollBar_->setSingleStep(speed);
    vertScrollBar_->setSingleStep(speed);
}

void TDrawPanel::vSetVirtualBackPlane(bool on) {
    virtualBackPlane_ = on;
    if (!on) {
        vSetBackPlaneWidth(width());
        vSetBackPlaneHeight(height());
    }
    Paint();
}

void TDrawPanel::CreateIcon(const std::string& name, const std::string& label, int imageIndex, int x, int y) {
    CreateIcon(name, label, QPoint(x, y), imageIndex);
}

void TDrawPanel::CreateIcon(const std::string& name, const std::string& label, QPoint position,
                            int imageIndex) {
    if (IconImageList)
        loadIconPicture(imageIndex);
    int x = position.x(), y = position.y();
    if (x >= 0 || y >= 0) {
        const int r = GetMaxRadius();
        x = std::max(std::min(x, backPlaneWidth_ - r), r);
        y = std::max(std::min(y, backPlaneHeight_ - r), r);
    } else {
        const QPoint offset = ScrollOffset();
        x = offset.x() + width() / 2;
        y = offset.y() + height() / 2;
    }
    icons_.AddIcon(name, label, imageIndex, x, y);
    syncAutoScroll();
    Paint();
}

bool TDrawPanel::CreateLink(const std::string& source, const std::string& target, const std::string& label) {
    TDPIconObject* from = icons_.GetIconObject(source);
    TDPIconObject* to = icons_.GetIconObject(target);
    if (from && to)
        links_.AddLink(source, target, label, &from->Pos, &to->Pos, colorLink_);
    Paint();
    return from && to;
}

void TDrawPanel::deleteIconWithLinks(const std::string& name) {
    links_.DelIconLinks(name);
    icons_.DelIcon(name);
}

void TDrawPanel::DelIcon(const std::string& name) {
    if (IconExists(name) && bIsSelected(name)) {
        std::vector<std::string> rest = activeIcons_;
        rest.erase(std::find(rest.begin(), rest.end(), name));
        setActiveIcons(std::move(rest));
    }
    if (activeIcon_.Name == name) {
        iconActive_ = false;
        activeIcon_ = {};
    }
    deleteIconWithLinks(name);
    syncAutoScroll();
    Paint();
}

void TDrawPanel::DelActiveIcon() {
    if (!iconActive_)
        return;
    // A copy: each delete may change the selection it walks.
    const std::vector<std::string> selected = activeIcons_;
    for (const std::string& name : selected)
        deleteIconWithLinks(name);
    setActiveIcons({});
    syncAutoScroll();
    Paint();
}

void TDrawPanel::DelLink(const std::string& source, const std::string& target) {
    if (!links_.GetLinkObject(source, target))
        return;
    links_.DelLink(source, target);
    Paint();
}

void TDrawPanel::DelActiveLink() {
    if (!linkActive_)
        return;
    const TActiveLinkInfo link = activeLink_;
    links_.DelLink(link.SourceIconName, link.TargetIconName);
    resetActiveLink();
    Paint();
}

void TDrawPanel::Clear() {
    links_.Clear();
    activeIcons_.clear();
    icons_.Clear();
    iconActive_ = false;
    activeIcon_ = {};
    showPath_ = false;
    bFreeLineMode = false;
    pathList_.clear();
    resetActiveLink();
    syncAutoScroll();
    Paint();
}

void TDrawPanel::setActiveIcons(std::vector<std::string> names) {
    activeIcons_ = std::move(names);
    vActiveIconsListOnChange();
}

bool TDrawPanel::bIsSelected(const std::string& name) const {
    return std::find(activeIcons_.begin(), activeIcons_.end(), name) != activeIcons_.end();
}

void TDrawPanel::vActiveIconsListOnChange() {
    iconActive_ = !activeIcons_.empty();
    activeIcon_ = {};
    if (!iconActive_)
        return;
    activeIcon_.Name = activeIcons_.back();
    if (TDPIconObject* icon = icons_.GetIconObject(activeIcon_.Name)) {
        activeIcon_.pIcon = icon;
        activeIcon_.Pos = icon->Pos;
        activeIcon_.Label = icon->Label;
        activeIcon_.ImageIndex = icon->ImageIndex;
    }
}

void TDrawPanel::resetActiveLink() {
    linkActive_ = false;
    activeLink_ = {};
    activeLinkObject_ = nullptr;
}

void TDrawPanel::endSelection() {
    iconActive_ = false;
    activeIcon_ = {};
    activeIcons_.clear();
    resetActiveLink();
}

void TDrawPanel::vSetActiveIcon(int x, int y) {
    endSelection();
    for (uint32_t i = u32GetIconCount(); i-- > 0;)
        if (bCheckIconPos(QPoint(x, y), GetIconObjectByIndex(i)->Pos)) {
            setActiveIcons({icons_.KeyAt(i)});
            return;
        }
}

void TDrawPanel::vSetActiveIcon(const std::string& name) {
    endSelection();
    if (IconExists(name))
        setActiveIcons({name});
}

void TDrawPanel::vGroupSelectIcons(QPoint a, QPoint b) {
    const int left = std::min(a.x(), b.x()), right = std::max(a.x(), b.x());
    const int top = std::min(a.y(), b.y()), bottom = std::max(a.y(), b.y());
    std::vector<std::string> inside;
    for (uint32_t i = 0; i < u32GetIconCount(); ++i) {
        const QPoint pos = GetIconObjectByIndex(i)->Pos;
        if (bPointInRect({left, top, right, bottom}, pos.x(), pos.y()))
            inside.push_back(icons_.KeyAt(i));
    }
    setActiveIcons(std::move(inside));
}

void TDrawPanel::vSetActiveLink(int x, int y) {
    iconActive_ = false;
    activeIcon_ = {};
    resetActiveLink();
    if (TDPLinkObject* link = pGetLinkObject(x, y))
        vSetActiveLink(link->SourceIconName, link->TargetIconName);
}

void TDrawPanel::vSetActiveLink(const std::string& source, const std::string& target) {
    iconActive_ = false;
    activeIcon_ = {};
    resetActiveLink();
    if (TDPLinkObject* link = links_.GetLinkObject(source, target)) {
        linkActive_ = true;
        activeLink_ = {link->SourceIconName, link->TargetIconName, link->Label};
        activeLinkObject_ = link;
    }
}

bool TDrawPanel::bCheckIconPos(QPoint point, QPoint iconPosition) const {
    const int w = iconPicture_.width(), h = iconPicture_.height();
    return bPointInRect(
        {iconPosition.x() - w, iconPosition.y() - h, iconPosition.x() + w, iconPosition.y() + h}, point.x(),
        point.y());
}

bool TDrawPanel::bCheckIconPos(int x, int y) const {
    return strGetIconName(x, y) != "0";
}

bool TDrawPanel::bCheckLinkPos(int x, int y) {
    return pGetLinkObject(x, y) != nullptr;
}

std::string TDrawPanel::strGetIconName(int x, int y) const {
    for (uint32_t i = 0; i < u32GetIconCount(); ++i)
        if (bCheckIconPos(QPoint(x, y), GetIconObjectByIndex(i)->Pos))
            return icons_.KeyAt(i);
    return "0";
}

TDPIconObject* TDrawPanel::pGetIconObject(int x, int y) const {
    const std::string name = strGetIconName(x, y);
    return name == "0" ? nullptr : icons_.GetIconObject(name);
}

TDPLinkObject* TDrawPanel::pGetLinkObject(int x, int y) {
    for (uint32_t i = 0; i < u32GetLinkCount(); ++i) {
        TDPLinkObject* link = GetLinkObjectByIndex(i);
        if (bPointInRect(linkLabelRect(*link), x, y))
            return link;
    }
    return nullptr;
}

TDPIconObject* TDrawPanel::GetIconObject(const std::string& name) const {
    return name.empty() ? nullptr : icons_.GetIconObject(name);
}

TDPLinkObject* TDrawPanel::GetLinkObject(const std::string& source, const std::string& target) const {
    return source.empty() || target.empty() ? nullptr : links_.GetLinkObject(source, target);
}

void TDrawPanel::ChangeActiveLinkColor(TColor color) {
    if (!linkActive_ || !activeLinkObject_)
        return;
    activeLinkObject_->Color = color;
    Paint();
}

void TDrawPanel::ChangeActiveLinkColor(uint8_t red, uint8_t green, uint8_t blue) {
    ChangeActiveLinkColor(RgbColor(red, green, blue));
}

void TDrawPanel::ChangeLinkColor(const std::string& source, const std::string& target, TColor color) {
    links_.SetLinkColor(source, target, color);
    Paint();
}

void TDrawPanel::ChangeLinkColor(const std::string& source, const std::string& target, uint8_t red,
                                 uint8_t green, uint8_t blue) {
    ChangeLinkColor(source, target, RgbColor(red, green, blue));
}

void TDrawPanel::vSetBackPlaneWidth(int width) {
    if (!virtualBackPlane_)
        width = this->width();
    if (width < this->width() || width > MaxBackPlaneSize)
        return;
    backPlaneWidth_ = width;
    backPlane_ = backPlane_.copy(0, 0, width, backPlane_.height());
    const int limit = width - GetMaxRadius();
    for (uint32_t i = 0; i < u32GetIconCount(); ++i) {
        QPoint& pos = GetIconObjectByIndex(i)->Pos;
        pos.setX(std::min(pos.x(), limit));
    }
    Paint();
}

void TDrawPanel::vSetBackPlaneHeight(int height) {
    if (!virtualBackPlane_)
        height = this->height();
    if (height < this->height() || height > MaxBackPlaneSize)
        return;
    backPlaneHeight_ = height;
    backPlane_ = backPlane_.copy(0, 0, backPlane_.width(), height);
    const int limit = height - GetMaxRadius();
    for (uint32_t i = 0; i < u32GetIconCount(); ++i) {
        QPoint& pos = GetIconObjectByIndex(i)->Pos;
        pos.setY(std::min(pos.y(), limit));
    }
    Paint();
}

QPoint TDrawPanel::ScrollOffset() const {
    return {horzScrollBar_->value(), vertScrollBar_->value()};
}

void TDrawPanel::LoadBackgroundImage(const std::string& fileName) {
    const QString name = QString::fromStdString(fileName);
    const QString suffix = QFileInfo(name).suffix().toLower();
    const char* format = PictureFormatOf(suffix);
    if (!format)
        throw std::runtime_error("Unknown picture file extension (." + suffix.toStdString() + ")");
    const QImage image = ReadPicture(fileName, format);
    if (image.isNull())
        throw std::runtime_error("Cannot open file \"" + fileName + "\"");
    backgroundImage_ = image;
    UseBackgroundImage = true;
}

void TDrawPanel::ClearBackgroundImage() {
    backgroundImage_ = QImage();
    UseBackgroundImage = false;
}

void TDrawPanel::SaveDrawPanelAs(const std::string& fileName) const {
    SaveBitmap(backPlane_, fileName);
}

void TDrawPanel::SaveVisibleDrawPanelAs(const std::string& fileName) const {
    SaveBitmap(backPlane_.copy(QRect(ScrollOffset(), size())), fileName);
}

void TDrawPanel::DrawPath(const std::vector<std::string>* names) {
    showPath_ = true;
    pathList_.clear();
    if (!names)
        return;
    pathList_ = *names;
    Paint();
}
