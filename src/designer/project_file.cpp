#include "designer/project_file.h"

#include "base/crc16.h"
#include "designer/byte_reader.h"
#include "designer/modem_type_files.h"
#include "designer/network_design.h"
#include "platform/atomic_file.h"
#include "platform/file_contents.h"
#include "platform/message_box.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>
#include <unordered_map>
#include <vector>

namespace {

constexpr size_t kTrailerSize = 5;
// Link numbers and flags of the project files older than version 3.1.13.
constexpr uint32_t kOldNumberMask = 0x7FFF7FFF;
constexpr uint32_t kOldMobileBit = 0x8000;
constexpr const char* kOldestVersion = "vanha";
constexpr const char* kSingleModemVersion = "yksimo";
constexpr const char* kNoAddress = "No address";

void AppendShortRecord(std::string& out, char tag, const std::string& text) {
    const std::string stored = StoredText(text);
    out += tag;
    out += static_cast<char>(stored.size());
    out += stored;
}

void AppendTextRecord(std::string& out, const std::string& text) {
    const std::string stored = StoredText(text);
    out += 'S';
    out += static_cast<char>(stored.size());
    out += '0';
    out += stored;
}

void AppendLittleEndian32(std::string& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out += static_cast<char>(value >> shift);
}

void AppendBigEndian16(std::string& out, uint16_t value) {
    out += static_cast<char>(value >> 8);
    out += static_cast<char>(value);
}

// A record with a three-byte head: tag, length, second byte; then the text.
std::string ReadRecordText(ByteReader& in) {
    in.Byte();
    const uint8_t length = in.Byte();
    in.Byte();
    return in.Bytes(length);
}

uint16_t Crc16Of(const std::string& bytes, size_t count) {
    return Crc16Nibble(0xFFFF, reinterpret_cast<const uint8_t*>(bytes.data()), count);
}

void NumberFigures(NetworkDesign& design) {
    // A figure's number is its place in the list, from 1; a link to no figure of
    // the list is 0.
    std::unordered_map<const TKuvio*, uint32_t> numbers{{nullptr, 0}};
    for (const auto& figure : design.Figures())
        numbers.emplace(figure.get(), static_cast<uint32_t>(numbers.size()));
    const auto numberOf = [&numbers](const TKuvio* figure) {
        const auto found = numbers.find(figure);
        return found == numbers.end() ? 0u : found->second & TKuvio::kNumberMask;
    };
    for (const auto& figure : design.Figures()) {
        uint32_t word = numberOf(figure.get());
        if (figure.get() == design.master)
            word |= TKuvio::kMasterBit;
        if (figure->Mobile())
            word |= TKuvio::kMobileBit;
        if (figure->Multiport())
            word |= TKuvio::kMultiportBit;
        figure->numberAndFlags = word;
        figure->parentNumber = numberOf(figure->parent);
        figure->mobileParentNumber = numberOf(figure->mobileParent);
    }
}

// The figures of a file by their numbers. A damaged file can give several figures
// one number: a link then goes to the last of them that is not the linked figure
// itself, so the last two of each number are kept.
class FiguresByNumber {
public:
    FiguresByNumber(const NetworkDesign& design, uint32_t mask) : mask_(mask) {
        for (const auto& figure : design.Figures()) {
            Pair& pair = figures_[figure->numberAndFlags & mask];
            pair.beforeLast = pair.last;
            pair.last = figure.get();
        }
    }

    // The figure a link number of `figure` names; none when no other figure has it.
    TKuvio* Linked(uint32_t number, const TKuvio* figure) const {
        const auto found = figures_.find(number & mask_);
        if (found == figures_.end())
            return nullptr;
        return found->second.last != figure ? found->second.last : found->second.beforeLast;
    }

private:
    struct Pair {
        TKuvio* last = nullptr;
        TKuvio* beforeLast = nullptr;
    };
    uint32_t mask_;
    std::unordered_map<uint32_t, Pair> figures_;
};

void LinkFigures(NetworkDesign& design, bool oldRule) {
    const FiguresByNumber byNumber(design, oldRule ? kOldNumberMask : TKuvio::kNumberMask);
    for (const auto& figure : design.Figures()) {
        if (TKuvio* parent = byNumber.Linked(figure->parentNumber, figure.get()))
            figure->parent = parent;
        if (TKuvio* mobileParent = byNumber.Linked(figure->mobileParentNumber, figure.get()))
            figure->mobileParent = mobileParent;
        const uint32_t flags = figure->numberAndFlags;
        if (flags & TKuvio::kMasterBit) {
            design.master = figure.get();
            figure->SetMasterLook();
        }
        if (flags & (oldRule ? kOldMobileBit : TKuvio::kMobileBit))
            figure->SetMobileLook();
        if (!oldRule && (flags & TKuvio::kMultiportBit))
            figure->SetMultiLook();
    }
}

// A damaged file can link figures in a ring; the route code walks parent links up
// to the master, so of each ring the figure first in the list loses the link that
// closes it. Each figure is walked over once.
void BreakLinkCycles(NetworkDesign& design, TKuvio* TKuvio::*link) {
    const auto& figures = design.Figures();
    std::unordered_map<const TKuvio*, size_t> places;
    for (size_t i = 0; i < figures.size(); ++i)
        places.emplace(figures[i].get(), i);
    enum class Mark : uint8_t { Unseen, OnWalk, Done };
    std::vector<Mark> marks(figures.size(), Mark::Unseen);
    std::vector<size_t> walk;
    for (size_t start = 0; start < figures.size(); ++start) {
        walk.clear();
        std::optional<size_t> at = start;
        while (at && marks[*at] == Mark::Unseen) {
            marks[*at] = Mark::OnWalk;
            walk.push_back(*at);
            const auto next = places.find(figures[*at].get()->*link);
            at = next == places.end() ? std::nullopt : std::optional<size_t>(next->second);
        }
        if (at && marks[*at] == Mark::OnWalk) {
            const size_t first = *std::min_element(std::find(walk.begin(), walk.end(), *at), walk.end());
            figures[first].get()->*link = nullptr;
        }
        for (const size_t walked : walk)
            marks[walked] = Mark::Done;
    }
}

class LoadReporter {
public:
    LoadReporter(const std::string& fileName) : fileName_(fileName) {}

    void Corrupted() {
        if (!shown_)
            ShowMessage("Project file " + fileName_ + " is corrupted !!");
        shown_ = true;
    }
    // The data ended inside a record.
    void Cut(const RecordFormat& format) {
        if (format.hasTrailer)
            Corrupted();
        else
            ShowMessage("Input file has been corrupted check all properties and\r\nsave project again");
    }

private:
    const std::string& fileName_;
    bool shown_ = false;
};

bool TrailerMatches(const std::string& bytes) {
    if (bytes.size() < kTrailerSize)
        return false;
    const uint16_t stored = static_cast<uint16_t>(static_cast<uint8_t>(bytes[bytes.size() - 2]) << 8 |
                                                  static_cast<uint8_t>(bytes[bytes.size() - 1]));
    return Crc16Of(bytes, bytes.size() - kTrailerSize) == stored;
}

// The version of a project file, from its header records; the reader is left at
// the project-properties block.
std::string ReadProjectHeader(const std::string& bytes, ByteReader& in, LoadReporter& reporter) {
    const uint8_t first = in.Byte();
    const uint8_t length = in.Byte();
    if (first == ':') {
        if (!TrailerMatches(bytes))
            reporter.Corrupted();
        in.Seek(0);
        in.Byte();
        const std::string version = in.Bytes(in.Byte());
        in.Byte();
        in.Bytes(in.Byte());
        return version;
    }
    if (first == 'V') {
        // A version text starts with a digit. Otherwise a length of 128 or more is
        // no text length at all: the properties follow the two header bytes, and a
        // file shorter than that length is no cut file.
        const std::string text = in.Peek(length);
        const bool version =
            text.size() == length && !text.empty() && std::isdigit(static_cast<unsigned char>(text[0]));
        if (version || length < 128)
            in.Bytes(length);
        return version ? text : "4.0.9c";
    }
    in.Seek(0);
    return kOldestVersion;
}

} // namespace

RecordFormat RecordFormat::ForVersion(const std::string& version) {
    if (version == kOldestVersion)
        return {false, false, true};
    if (version == kSingleModemVersion)
        return {true, true, false};
    if (version.empty())
        return {false, true, false};
    int a = 0, b = 0, c = 0;
    char letter = 0;
    std::sscanf(version.c_str(), "%d.%d.%d%c", &a, &b, &c, &letter);
    const bool hasLetter = std::isalpha(static_cast<unsigned char>(letter));
    const bool beforeTrailers = a <= 4 && b <= 0 && c <= 9 && (!hasLetter || letter < 'd');
    return {!beforeTrailers, a > 4, version < "3.1.13"};
}

std::string EncodeModemRecord(const TKuvio& figure, bool singleForm) {
    std::string out;
    if (!singleForm) {
        // The picture's place at 100 per cent, which the figure keeps whatever the
        // zoom: saving at any zoom never moves a modem.
        AppendLittleEndian32(out, static_cast<uint32_t>(figure.FullScaleLeft()));
        AppendLittleEndian32(out, static_cast<uint32_t>(figure.FullScaleTop() + TKuvio::kPictureOffset));
        AppendLittleEndian32(out, figure.numberAndFlags);
        AppendLittleEndian32(out, figure.parentNumber);
        AppendLittleEndian32(out, figure.mobileParentNumber);
        AppendTextRecord(out, figure.GetModemName());
        if (figure.Multiport()) {
            // The count is one byte: a longer list is stored cut to match it.
            const size_t count = std::min<size_t>(figure.TerminalAddresses().size(), 255);
            out += "B\x01"
                   "0";
            out += static_cast<char>(count);
            for (size_t i = 0; i < count; ++i)
                AppendTextRecord(out, figure.TerminalAddresses()[i]);
        } else {
            AppendTextRecord(out, figure.NoTerminalAddress() ? kNoAddress : figure.GetTerminalAddressAt(0));
        }
        out += 'W';
        AppendBigEndian16(out, figure.identifier);
    }
    AppendTextRecord(out, figure.TypeName());
    for (const PropertyEntry& entry : figure.PropertyEntries()) {
        const std::string value = StoredText(entry.value);
        out += entry.tag;
        out += static_cast<char>(value.size());
        out += entry.second;
        out += value;
        out += static_cast<char>(entry.nmsSize);
        AppendBigEndian16(out, entry.nmsId);
    }
    out += std::string("Z\0\0", 3);
    return out;
}

RecordResult ReadModemRecord(TKuvio& figure, ByteReader& in, bool singleForm, const RecordFormat& format) {
    if (in.AtEnd())
        return RecordResult::End;
    if (!singleForm) {
        const auto x = static_cast<int32_t>(in.LittleEndian32());
        const auto y = static_cast<int32_t>(in.LittleEndian32());
        figure.numberAndFlags = in.LittleEndian32();
        figure.parentNumber = in.LittleEndian32();
        figure.mobileParentNumber = in.LittleEndian32();
        figure.SetLeft(std::max(0, x));
        figure.SetTop(std::max(0, y) - TKuvio::kPictureOffset);
        figure.SetModemName(ReadRecordText(in));
        if (!format.oldLinkRule && (figure.numberAndFlags & TKuvio::kMultiportBit)) {
            in.Bytes(3);
            const uint8_t count = in.Byte();
            figure.SetTerminalAddressAt(-1, "");
            for (int i = 0; i < count && !in.Cut(); ++i)
                figure.SetTerminalAddressAt(i, ReadRecordText(in));
            figure.SetNoTerminalAddress(false);
            figure.SetMultiLook();
        } else {
            const std::string address = ReadRecordText(in);
            figure.SetTerminalAddress(address);
            figure.SetNoTerminalAddress(address == kNoAddress);
        }
        in.Byte();
        const uint8_t high = in.Byte();
        const uint8_t low = in.Byte();
        figure.identifier = static_cast<uint16_t>(high << 8 | low);
    }
    const std::string typeName = ReadRecordText(in);
    if (in.Cut())
        return RecordResult::Cut;
    if (figure.TypeName().empty()) {
        figure.SetTypeName(typeName);
    } else if (typeName != figure.TypeName()) {
        ShowMessage("This modem doesn't match with requested file");
        return RecordResult::TypeMismatch;
    }
    for (;;) {
        const char tag = static_cast<char>(in.Byte());
        const uint8_t length = in.Byte();
        const char second = static_cast<char>(in.Byte());
        if (in.Cut())
            return RecordResult::CutInValues;
        if (tag == 'Z')
            return RecordResult::Complete;
        const std::string value = in.Bytes(length);
        int8_t size = 0;
        uint16_t id = 0;
        if (format.nmsBytes) {
            size = static_cast<int8_t>(in.Byte());
            const uint8_t high = in.Byte();
            id = static_cast<uint16_t>(high << 8 | in.Byte());
        }
        if (in.Cut())
            return RecordResult::CutInValues;
        figure.SetPropertyEntry(tag, second, value, true, true, size, id);
    }
}

std::string EncodeProjectFile(NetworkDesign& design, const std::string& version, const std::string& caption) {
    NumberFigures(design);
    std::string out;
    if (!design.SingleModem()) {
        AppendShortRecord(out, ':', version);
        AppendShortRecord(out, 'V', caption);
        design.properties.Write(out);
    }
    for (const auto& figure : design.Figures())
        out += EncodeModemRecord(*figure, design.SingleModem());
    const uint16_t crc = Crc16Of(out, out.size());
    out += ":\x01"
           "0";
    AppendBigEndian16(out, crc);
    return out;
}

void SaveProjectFile(NetworkDesign& design, const std::string& fileName, const std::string& version,
                     const std::string& caption) {
    WriteWholeFile(fileName, EncodeProjectFile(design, version, caption));
    design.modified = false;
}

void LoadProjectFile(NetworkDesign& design, const std::string& fileName, const LoadOptions& options) {
    design.DeleteAllFigures();
    LoadProjectBytes(design, fileName, ReadWholeFile(fileName), options);
}

void LoadProjectBytes(NetworkDesign& design, const std::string& fileName, const std::string& bytes,
                      const LoadOptions& options) {
    design.DeleteAllFigures();
    // The file holds positions at full scale.
    design.ResetZoom();
    ByteReader in(bytes);
    LoadReporter reporter(fileName);
    const std::string version =
        design.SingleModem() ? std::string(kSingleModemVersion) : ReadProjectHeader(bytes, in, reporter);
    RecordFormat format = RecordFormat::ForVersion(version);
    // Every file with the ':' header was written with a trailer and the current
    // link numbers, whatever version its text names.
    if (!design.SingleModem() && !bytes.empty() && bytes[0] == ':') {
        format.hasTrailer = true;
        format.oldLinkRule = false;
    }
    if (format.hasTrailer)
        in.SetEnd(bytes.size() >= kTrailerSize ? bytes.size() - kTrailerSize : 0);
    if (!design.SingleModem() && !design.properties.Read(in))
        reporter.Cut(format);
    for (bool more = !in.Cut(); more;) {
        auto figure = std::make_unique<TKuvio>(0, 0);
        figure->fileVersion = version;
        const RecordResult result = ReadModemRecord(*figure, in, design.SingleModem(), format);
        if (result == RecordResult::End)
            break;
        more = result == RecordResult::Complete;
        if (!more)
            reporter.Cut(format);
        if (result == RecordResult::Cut)
            break;
        TKuvio& added = design.Append(std::move(figure));
        added.newFigure = false;
        if (options.typeReader)
            options.typeReader->ReadSmfVersionInfo(added);
        design.figureCounter = std::max<int>(design.figureCounter, added.identifier);
        if (design.SingleModem()) {
            added.SetLeft(options.clientWidth / 2 - 15);
            added.SetTop(options.clientHeight / 2 - 25);
            added.SetModemName("");
        }
    }
    // Single-modem records carry no link numbers.
    if (!design.SingleModem()) {
        LinkFigures(design, format.oldLinkRule);
        BreakLinkCycles(design, &TKuvio::parent);
        BreakLinkCycles(design, &TKuvio::mobileParent);
    }
    design.active =
        design.master ? design.master : (design.Figures().empty() ? nullptr : design.Figures().front().get());
    design.modified = false;
    design.routesGenerated = false;
}

std::string ReadWholeFile(const std::string& fileName) {
    try {
        return ReadFileContents(fileName);
    } catch (const EFileReadError& failure) {
        throw EFileError(failure.what());
    }
}

void WriteWholeFile(const std::string& fileName, const std::string& bytes) {
    try {
        ReplaceFileContents(fileName, bytes);
    } catch (const EFileWriteError& failure) {
        throw EFileError("Cannot create file \"" + fileName + "\". " + failure.what());
    }
}
