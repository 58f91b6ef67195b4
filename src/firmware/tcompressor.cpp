#include "firmware/tcompressor.h"

#include <istream>
#include <ostream>
#include <sstream>
#include <zlib.h>

TCompressor::TCompressor() : stream_(std::make_unique<z_stream_s>()) {}

TCompressor::~TCompressor() = default;

int TCompressor::Decompress(std::string& stream) {
    return ViaTemp(stream, Direction::Inflate);
}

int TCompressor::Compress(std::string& stream) {
    return ViaTemp(stream, Direction::Deflate);
}

std::string TCompressor::CompressString(const std::string& text) {
    std::string bytes = text;
    Compress(bytes);
    return bytes;
}

int TCompressor::InflateStreams(std::istream& input, std::ostream& output) {
    return RunStreams(Direction::Inflate, input, output, Level);
}

int TCompressor::DeflateStreams(std::istream& input, std::ostream& output, int level) {
    return RunStreams(Direction::Deflate, input, output, level);
}

int TCompressor::ViaTemp(std::string& stream, Direction direction) {
    std::istringstream input(stream);
    std::ostringstream output;
    stream.clear();
    if (RunStreams(direction, input, output, Level) == Z_OK)
        stream = std::move(output).str();
    return result_;
}

int TCompressor::RunStreams(Direction direction, std::istream& input, std::ostream& output, int level) {
    abort_ = false;
    *stream_ = z_stream_s{};
    stream_->next_out = outputBuffer_.data();
    stream_->avail_out = kBufferSize;
    input_ = &input;
    output_ = &output;
    const std::streampos start = input.tellg();
    input.seekg(0, std::ios::end);
    inputSize_ = start < 0 ? 0 : static_cast<uint64_t>(input.tellg() - start);
    input.seekg(start);
    consumed_ = 0;

    int code =
        direction == Direction::Inflate ? inflateInit(stream_.get()) : deflateInit(stream_.get(), level);
    if (code == Z_OK) {
        while (FillInput()) {
            code = Step(direction, Z_NO_FLUSH);
            FlushOutput();
            if (code != Z_OK || abort_)
                break;
            if (OnProgress)
                OnProgress(GetProgress());
        }
        while (code == Z_OK && !abort_) {
            code = Step(direction, Z_FINISH);
            if (FlushOutput() == 0)
                break;
        }
        if (OnProgress && !abort_)
            OnProgress(100.0f);
        if (direction == Direction::Inflate)
            inflateEnd(stream_.get());
        else
            deflateEnd(stream_.get());
    }
    if (abort_)
        code = kUserAbort;
    input_ = nullptr;
    output_ = nullptr;
    SetErrorText(code);
    return result_;
}

int TCompressor::Step(Direction direction, int flush) {
    return direction == Direction::Inflate ? inflate(stream_.get(), flush) : deflate(stream_.get(), flush);
}

bool TCompressor::FillInput() {
    if (stream_->avail_in == 0) {
        input_->read(reinterpret_cast<char*>(inputBuffer_.data()), kBufferSize);
        stream_->next_in = inputBuffer_.data();
        stream_->avail_in = static_cast<unsigned>(input_->gcount());
        consumed_ += stream_->avail_in;
    }
    return stream_->avail_in > 0;
}

unsigned TCompressor::FlushOutput() {
    const unsigned filled = kBufferSize - stream_->avail_out;
    output_->write(reinterpret_cast<const char*>(outputBuffer_.data()), filled);
    stream_->next_out = outputBuffer_.data();
    stream_->avail_out = kBufferSize;
    return filled;
}

float TCompressor::GetProgress() const {
    if (inputSize_ == 0)
        return 100.0f;
    const uint64_t used = consumed_ - stream_->avail_in;
    return static_cast<float>(static_cast<double>(used) * 100.0 / static_cast<double>(inputSize_));
}

void TCompressor::SetErrorText(int code) {
    switch (code) {
    case kUserAbort:
        errorText_ = "User abort!";
        break;
    case Z_VERSION_ERROR:
        errorText_ = "Version error!";
        break;
    case Z_BUF_ERROR:
        errorText_ = "Buffer error!";
        break;
    case Z_MEM_ERROR:
        errorText_ = "Memory error!";
        break;
    case Z_DATA_ERROR:
        errorText_ = "Data error!";
        break;
    case Z_STREAM_ERROR:
        errorText_ = "Stream error!";
        break;
    case Z_ERRNO:
        errorText_ = "Num error!";
        break;
    case Z_OK:
        errorText_ = "Ok!";
        break;
    case Z_STREAM_END:
        errorText_ = "Ok!";
        code = Z_OK;
        break;
    case Z_NEED_DICT:
        errorText_ = "Preset dictionary is needed!";
        break;
    default:
        errorText_ = "Unkown...";
        break;
    }
    result_ = code;
    if (OnError)
        OnError(errorText_, code);
}
