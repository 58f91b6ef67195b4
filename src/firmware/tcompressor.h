#pragma once
// Compresses and decompresses memory streams and texts with zlib's deflate and
// inflate streams (zlib's own format, with header and checksum). Every failure is a
// result code, kept in the object: 0 for success, zlib's negative codes, and -7
// when a handler asked to stop.

#include <array>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>

struct z_stream_s;

class TCompressor {
public:
    static constexpr int kDefaultLevel = 8;
    static constexpr int kUserAbort = -7;

    // Called with the percentage of the input consumed.
    using ProgressHandler = std::function<void(float percent)>;
    // Called with the text and the code of each finished operation.
    using ErrorHandler = std::function<void(const std::string& text, int code)>;

    TCompressor();
    ~TCompressor();
    TCompressor(const TCompressor&) = delete;
    TCompressor& operator=(const TCompressor&) = delete;

    // Replace the stream's bytes by their inflated (deflated) form; on a failure
    // the stream is left empty. Return the result code.
    int Decompress(std::string& stream);
    int Compress(std::string& stream);
    // The deflated bytes of the text (empty on a failure).
    std::string CompressString(const std::string& text);

    // The stream loops: read the input to its end, write the output.
    int InflateStreams(std::istream& input, std::ostream& output);
    int DeflateStreams(std::istream& input, std::ostream& output, int level);

    // Asks the running operation to stop; it then ends with -7.
    void Abort() { abort_ = true; }

    int Result() const { return result_; }
    const std::string& ErrorText() const { return errorText_; }

    int Level = kDefaultLevel;
    ProgressHandler OnProgress;
    ErrorHandler OnError;

private:
    enum class Direction { Inflate, Deflate };
    static constexpr unsigned kBufferSize = 8191;

    int RunStreams(Direction direction, std::istream& input, std::ostream& output, int level);
    int Step(Direction direction, int flush);
    bool FillInput();
    unsigned FlushOutput();
    float GetProgress() const;
    void SetErrorText(int code);
    int ViaTemp(std::string& stream, Direction direction);

    std::unique_ptr<z_stream_s> stream_;
    std::istream* input_ = nullptr;
    std::ostream* output_ = nullptr;
    uint64_t inputSize_ = 0;
    uint64_t consumed_ = 0;
    int result_ = 0;
    std::string errorText_;
    bool abort_ = false;
    std::array<unsigned char, kBufferSize> inputBuffer_{};
    std::array<unsigned char, kBufferSize> outputBuffer_{};
};
