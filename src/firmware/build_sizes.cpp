#include "firmware/build_sizes.h"

#include "platform/file_contents.h"
#include "platform/program_files.h"

#include <charconv>
#include <optional>

namespace {

constexpr const char* kResultFolder = "build_results";
constexpr int kResultFiles = 10;

// Reads the sizes in order, each label searched behind the one before.
class ResultReader {
public:
    explicit ResultReader(std::string_view text) : text_(text) {}

    // The number `skip` characters behind the label's end (0 when there are no
    // digits); nothing when the label is missing.
    std::optional<uint64_t> numberAfter(std::string_view label, size_t skip) {
        const size_t found = text_.find(label, position_);
        if (found == std::string_view::npos)
            return std::nullopt;
        position_ = found + label.size();
        return number(position_ + skip);
    }

private:
    uint64_t number(size_t at) {
        if (at > text_.size())
            return 0;
        uint64_t value = 0;
        const auto [end, error] = std::from_chars(text_.data() + at, text_.data() + text_.size(), value);
        if (error != std::errc())
            return 0;
        position_ = static_cast<size_t>(end - text_.data());
        return value;
    }

    std::string_view text_;
    size_t position_ = 0;
};

// A result file that is missing or cannot be read adds nothing.
std::string ReadResultFile(int number) {
    try {
        return ReadFileContents(
            ProgramFile(std::string(kResultFolder) + "/result" + std::to_string(number) + ".txt"));
    } catch (const EFileReadError&) {
        return std::string();
    }
}

} // namespace

BuildSizes& BuildSizes::operator+=(const BuildSizes& other) {
    code += other.code;
    constant += other.constant;
    data += other.data;
    internalRam += other.internalRam;
    return *this;
}

BuildSizes ReadBuildSizes(std::string_view result) {
    ResultReader reader(result);
    BuildSizes sizes;
    // The number stands one blank behind the colon.
    sizes.code = reader.numberAfter("Code size:", 1).value_or(0);
    sizes.constant = reader.numberAfter("Constant size:", 1).value_or(0);
    // The internal RAM follows the data, in the next parentheses.
    if (const auto data = reader.numberAfter("Static variable size: Data(", 0)) {
        sizes.data = *data;
        sizes.internalRam = reader.numberAfter("(", 0).value_or(0);
    }
    return sizes;
}

std::string BuildSizeReport(const BuildSizes& totals) {
    return "Code size: " + std::to_string(totals.code) +
           " Constant size: " + std::to_string(totals.constant) + " " + " Static variable size: Data(" +
           std::to_string(totals.data) + ")" + " Iram(" + std::to_string(totals.internalRam) + ")";
}

std::string SumBuildSizes() {
    BuildSizes totals;
    for (int number = 1; number <= kResultFiles; ++number)
        totals += ReadBuildSizes(ReadResultFile(number));
    return BuildSizeReport(totals);
}
