#include "designer/tkuvio.h"

#include "base/hex.h"
#include "base/text_lines.h"
#include "base/text_numbers.h"
#include "platform/ascii.h"

#include <algorithm>
#include <filesystem>

namespace {

// The value identifier of the receiver's squelch level in dBm, whose values the
// modems accept only between -118 and -80.
constexpr uint16_t kSquelchLevelId = 0x110C;

std::string SquelchLevelValue(const std::string& value) {
    if (SameText(value, "min"))
        return "-118";
    if (SameText(value, "max"))
        return "-80";
    const int level = ParseDecimal(value).value_or(-119);
    if (level < -118)
        return "-118";
    if (level >= -79)
        return " -80";
    return value;
}

// One source-route line: the first token is a hexadecimal terminal address, the
// following ones decimal modem identifiers.
std::string FormatSourceRouteLine(const std::string& line) {
    std::string result;
    size_t start = 0;
    bool first = true;
    while (start < line.size()) {
        const size_t blank = line.find(' ', start);
        const std::string token =
            line.substr(start, blank == std::string::npos ? std::string::npos : blank - start);
        start = blank == std::string::npos ? line.size() : blank + 1;
        if (token.empty())
            continue;
        if (!result.empty())
            result += ' ';
        if (first)
            result += IntToHex(ParseHex(token).value_or(0), 8);
        else
            result += IntToHex(static_cast<uint32_t>(ParseDecimal(token).value_or(0)), 4);
        first = false;
    }
    return result;
}

// Each line followed by CR LF.
std::string JoinedLines(const std::vector<std::string>& lines) {
    size_t size = 0;
    for (const std::string& line : lines)
        size += line.size() + 2;
    std::string text;
    text.reserve(size);
    for (const std::string& line : lines)
        text.append(line).append("\r\n");
    return text;
}

} // namespace

std::string SourceRouteDisplayText(const std::string& text) {
    std::string formatted;
    for (const std::string& line : SplitLines(text)) {
        if (!formatted.empty())
            formatted += "\r\n";
        formatted += FormatSourceRouteLine(line);
    }
    return formatted;
}

const std::vector<std::string>& RouteLineList::Lines() const {
    if (!pending_.empty()) {
        std::stable_sort(pending_.begin(), pending_.end(), LessText);
        const auto merged = static_cast<std::ptrdiff_t>(lines_.size());
        lines_.insert(lines_.end(), std::make_move_iterator(pending_.begin()),
                      std::make_move_iterator(pending_.end()));
        pending_.clear();
        std::inplace_merge(lines_.begin(), lines_.begin() + merged, lines_.end(), LessText);
    }
    return lines_;
}

std::string RouteLineList::Text() const {
    return JoinedLines(Lines());
}

std::vector<std::string> RouteLineList::TakeLines() {
    Lines();
    std::vector<std::string> taken = std::move(lines_);
    Clear();
    return taken;
}

void RouteLineList::MakeSorted() {
    if (sorted_)
        return;
    std::stable_sort(lines_.begin(), lines_.end(), LessText);
    sorted_ = true;
}

void RouteLineList::Add(std::string line) {
    if (sorted_ && (!pending_.empty() || (!lines_.empty() && LessText(line, lines_.back()))))
        pending_.push_back(std::move(line));
    else
        lines_.push_back(std::move(line));
}

void RouteLineList::Clear() {
    lines_.clear();
    pending_.clear();
}

TKuvio::TKuvio(int x, int y) : left_(x), top_(y), fullScaleLeft_(x), fullScaleTop_(y) {}

void TKuvio::SetLeft(int x) {
    left_ = x;
    fullScaleLeft_ = static_cast<int>(std::lround(x / static_cast<double>(scale_)));
}

void TKuvio::SetTop(int y) {
    top_ = y;
    fullScaleTop_ = static_cast<int>(std::lround(y / static_cast<double>(scale_)));
}

void TKuvio::ShowAt(int x, int y) {
    left_ = x;
    top_ = y;
}

void TKuvio::MoveTo(int x, int y) {
    SetTop(y - Scaled(25));
    SetLeft(x - Scaled(15));
}

std::string TKuvio::GetSmfFileName() const {
    return std::filesystem::path(typeName_).replace_extension(".smf").string();
}

void TKuvio::SetLook(const char* picture, bool mobile, bool multiport, bool masterLook) {
    picture_ = picture;
    if (nmsSupport_)
        picture_ += 'E';
    mobile_ = mobile;
    multiport_ = multiport;
    masterLook_ = masterLook;
}

void TKuvio::SetModemLook() {
    SetLook("MODEEMI", false, false, false);
}
void TKuvio::SetMasterLook() {
    SetLook("PMASTER", false, false, true);
}
void TKuvio::SetMobileLook() {
    SetLook("MOBILE", true, false, false);
}

void TKuvio::SetMultiLook() {
    SetLook("MULTI", false, true, false);
    std::erase(addresses_, std::string());
}

void TKuvio::SetNmsSupport(bool on) {
    nmsSupport_ = on;
    if (on)
        picture_ = "MODEEMIE";
}

std::string TKuvio::GetTerminalAddress() const {
    if (multiport_)
        return "multi port";
    return addresses_.empty() ? std::string() : addresses_.front();
}

void TKuvio::SetTerminalAddress(const std::string& address) {
    if (multiport_)
        return;
    if (addresses_.empty())
        addresses_.push_back(address);
    else
        addresses_.front() = address;
}

std::string TKuvio::GetTerminalAddressAt(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= addresses_.size())
        return "@@";
    return addresses_[static_cast<size_t>(index)];
}

void TKuvio::SetTerminalAddressAt(int index, const std::string& address) {
    if (index == -1)
        addresses_.clear();
    else if (index >= 0 && static_cast<size_t>(index) < addresses_.size())
        addresses_[static_cast<size_t>(index)] = address;
    else if (index >= 0)
        addresses_.push_back(address);
}

std::string TKuvio::GetModemAddress() const {
    return std::to_string(identifier) + " ";
}

void TKuvio::AddRouteText(const std::string& text) {
    if (text.empty())
        routeText_ = GetModemAddress();
    else
        routeText_ += text;
}

void TKuvio::RouteTextFromAddresses() {
    const std::string common = routeText_;
    routeText_.clear();
    for (const std::string& address : addresses_)
        routeText_ += address + " " + common + "\r\n";
}

void TKuvio::AddVirtualRoute(uint32_t a, uint32_t b) {
    if (!virtualRoutes_)
        virtualRoutes_.emplace();
    virtualRoutes_->Add(IntToHex(a, 8) + " <-> " + IntToHex(b, 4));
}

void TKuvio::AddVirtualRouteShort(uint32_t a, uint32_t b) {
    if (!virtualRoutes_)
        virtualRoutes_.emplace();
    virtualRoutes_->MakeSorted();
    virtualRoutes_->Add(IntToHex(a, 4) + " <-> " + IntToHex(b, 4));
}

std::string TKuvio::NextVirtualRoute(bool restart) {
    if (restart)
        routeLineCursor_ = 0;
    if (!virtualRoutes_ || routeLineCursor_ >= virtualRoutes_->Lines().size())
        return std::string();
    return virtualRoutes_->Lines()[routeLineCursor_++];
}

void TKuvio::ToggleVirtualRouteWindow() {
    if (virtualRoutes_)
        virtualRoutes_->shown = !virtualRoutes_->shown;
}

void TKuvio::TakeRouteSnapshot() {
    if (!virtualRoutes_) {
        routeSnapshot_.reset();
        return;
    }
    routeSnapshot_ = virtualRoutes_->TakeLines();
    if (!virtualRoutes_->shown)
        virtualRoutes_.reset();
}

bool TKuvio::RoutesChanged() const {
    // The tables are compared as texts; equal lines make equal texts.
    return !routeSnapshot_ || !virtualRoutes_ ||
           (virtualRoutes_->Lines() != *routeSnapshot_ &&
            virtualRoutes_->Text() != JoinedLines(*routeSnapshot_));
}

void TKuvio::AddSourceRoute(const std::string& text) {
    if (!sourceRoutes_) {
        sourceRoutes_.emplace();
        sourceRoutes_->MakeSorted();
    }
    sourceRoutes_->Add(SourceRouteDisplayText(text));
}

void TKuvio::ToggleSourceRouteWindow() {
    if (sourceRoutes_)
        sourceRoutes_->shown = !sourceRoutes_->shown;
}

void TKuvio::CloseSourceRouteWindow() {
    if (!sourceRoutes_)
        return;
    if (sourceRoutes_->shown)
        sourceRoutes_->Clear();
    else
        sourceRoutes_.reset();
}

void TKuvio::AddInfoLine(const std::string& text) {
    if (text.empty()) {
        infoText_.clear();
        return;
    }
    infoText_ += text;
    infoShown_ = true;
}

void TKuvio::ClearInfo() {
    infoText_.clear();
    infoShown_ = false;
}

void TKuvio::ResetPropertyList(bool clear) {
    if (!clear) {
        rewind_ = true;
        return;
    }
    entries_.clear();
    writeCursor_.reset();
}

void TKuvio::SetPropertyEntry(char tag, char second, const std::string& value, bool inUse, bool overwrite,
                              int8_t size, uint16_t id) {
    if (entries_.empty()) {
        entries_.emplace_back();
        writeCursor_ = 0;
        rewind_ = false;
    } else if (rewind_) {
        writeCursor_ = 0;
        rewind_ = false;
    } else {
        writeCursor_ = writeCursor_ ? *writeCursor_ + 1 : 0;
        if (*writeCursor_ >= entries_.size())
            entries_.emplace_back();
    }
    std::string stored = value;
    if (size > 0 && id != 0) {
        if (id == kSquelchLevelId)
            stored = SquelchLevelValue(value);
        highestAccessLevel_ = std::max(highestAccessLevel_, id >> 12);
    }
    PropertyEntry& entry = entries_[*writeCursor_];
    if (!overwrite && !entry.inUse)
        return;
    if (overwrite)
        entry.inUse = inUse ? 1 : 0;
    entry.tag = tag;
    entry.second = second;
    entry.value = stored;
    entry.nmsSize = size;
    entry.nmsId = id;
}

void TKuvio::TakePropertiesFrom(TKuvio& other) {
    entries_ = std::move(other.entries_);
    writeCursor_ = other.writeCursor_;
    rewind_ = false;
    highestAccessLevel_ = std::max(highestAccessLevel_, other.highestAccessLevel_);
    other.ResetPropertyList(true);
}
