// Several sizes of one picture from one decode: the decoder's rows go through a resampler per
// size (or on from an earlier size), the turn is applied to each small output, and each is
// encoded as it is made.

#include "picture/picture_stream.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "base/file_system.h"
#include "picture/picture_codec.h"
#include "picture/picture_formats.h"
#include "picture/picture_jpeg_markers.h"
#include "picture/resample.h"
#include "picture/rotate.h"

namespace {

// Enough of a file's head for its signature and a JPEG's segments before the first scan (EXIF,
// colour profile).
constexpr size_t kHeadBytes = size_t{4} << 20;

// Passes the thread's gate on and notes whether it said no, so that a refused allocation inside a
// decoder is told apart from a broken file.
class NotingGate final : public PictureMemoryGate {
public:
    explicit NotingGate(PictureMemoryGate* outer) : outer_(outer) {}
    bool allowPixels(uint64_t bytes) override { return note(!outer_ || outer_->allowPixels(bytes)); }
    bool allowWorkingSet(uint64_t bytes) override { return note(!outer_ || outer_->allowWorkingSet(bytes)); }
    bool refused = false;

private:
    bool note(bool allowed)
    {
        refused = refused || !allowed;
        return allowed;
    }
    PictureMemoryGate* outer_;
};

// One size being made.
struct Stage {
    uint32_t inWidth = 0;  // what it is made from, in the source's orientation
    uint32_t inHeight = 0;
    uint32_t width = 0;  // itself, in the source's orientation
    uint32_t height = 0;
    bool resampled = false;
    RowResampler resampler;
    std::vector<size_t> feeds;  // later sizes made from this one
    bool held = false;          // kept whole (turned as its rows come) until the end
    std::vector<uint8_t> rows;
    uint32_t rowsIn = 0;
    PictureByteSink* sink = nullptr;
    JpegRowEncoder encoder;
};

class StreamReceiver final : public RowReceiver {
public:
    // `turn`: what is known before the decode (EXIF, the caller's); the decoder's own
    // orientation comes first.
    StreamReceiver(const PictureStreamRequest& request, Orientation turn, const std::vector<uint8_t>* icc,
                   NotingGate& gate)
        : request_(request), turn_(turn), icc_(icc), gate_(gate)
    {
    }

    bool header(const RowStreamHeader& header) override
    {
        started_ = true;
        sourceRows_ = header.height;
        try {
            return setUp(header);
        } catch (const std::bad_alloc&) {
            noMemory = true;
            return false;
        }
    }

    bool rows(const uint8_t* bgra, uint32_t count) override
    {
        for (size_t i = 0; i < stages_.size(); ++i)
            if (roots_[i] && !feed(i, bgra, count)) return false;
        rowsIn_ += count;
        return true;
    }

    // A header came: the content was taken for this format.
    bool started() const { return started_; }
    uint32_t rowsIn() const { return rowsIn_; }
    uint32_t sourceRows() const { return sourceRows_; }

    // After the last row: the turned sizes are turned and every size is encoded.
    bool finish(std::vector<std::vector<uint8_t>>& outputs)
    {
        outputs.assign(stages_.size(), {});
        for (size_t i = 0; i < stages_.size(); ++i) {
            Stage& s = *stages_[i];
            if (s.rowsIn != s.height) return false;
            if (request_.pixels) {
                outputs[i] = std::move(s.rows);
                continue;
            }
            if (s.held) {
                const uint32_t turnedHeight = swapsSides(turn_) ? s.width : s.height;
                if (!s.encoder.rows(s.rows.data(), turnedHeight)) return false;
                std::vector<uint8_t>().swap(s.rows);
            }
            if (!s.encoder.finish(outputs[i])) return false;
        }
        return true;
    }

    bool noMemory = false;

private:
    bool setUp(const RowStreamHeader& header)
    {
        if (header.width == 0 || header.height == 0 || !request_.plan) return false;
        turn_ = combineOrientations(header.orientation, turn_);
        const bool sideways = swapsSides(turn_);
        const uint32_t seenWidth = sideways ? header.fullHeight : header.fullWidth;
        const uint32_t seenHeight = sideways ? header.fullWidth : header.fullHeight;
        const std::vector<PictureStreamOutput> plan = request_.plan(seenWidth, seenHeight);
        if (plan.empty()) return false;

        uint64_t working = header.decoderBytes;
        for (size_t i = 0; i < plan.size(); ++i) {
            const PictureStreamOutput& o = plan[i];
            if (!pictureSizeAllowed(o.width, o.height) || o.from >= static_cast<int>(i)) return false;
            auto s = std::make_unique<Stage>();
            s->width = sideways ? o.height : o.width;
            s->height = sideways ? o.width : o.height;
            if (o.from < 0) {
                s->inWidth = header.width;
                s->inHeight = header.height;
            } else {
                const Stage& parent = *stages_[static_cast<size_t>(o.from)];
                s->inWidth = parent.width;
                s->inHeight = parent.height;
                stages_[static_cast<size_t>(o.from)]->feeds.push_back(i);
            }
            s->resampled = s->width != s->inWidth || s->height != s->inHeight;
            s->held = turn_ != Orientation::Normal || request_.pixels;
            s->sink = o.sink;
            const uint64_t pixels = uint64_t{s->width} * s->height * 4;
            if (s->resampled) working += RowResampler::workingBytes(s->inWidth, s->inHeight, s->width, s->height, true);
            if (s->held) working += pixels;
            if (!request_.pixels) working += JpegRowEncoder::workingBytes(o.width, o.height);
            stages_.push_back(std::move(s));
            roots_.push_back(o.from < 0);
        }
        if (!gate_.allowWorkingSet(working)) {
            noMemory = true;
            return false;
        }

        for (size_t i = 0; i < stages_.size(); ++i) {
            Stage& s = *stages_[i];
            // A size made from an opaque source is opaque, and so is every size made from it.
            if (s.resampled &&
                !s.resampler.start(s.inWidth, s.inHeight, s.width, s.height, true, header.mayHaveAlpha,
                                   [this, i](const uint8_t* row, uint32_t) { return deliver(i, row, 1); })) {
                noMemory = true;
                return false;
            }
            if (s.held) s.rows.resize(static_cast<size_t>(s.width) * s.height * 4);
            const uint32_t outWidth = sideways ? s.height : s.width;
            const uint32_t outHeight = sideways ? s.width : s.height;
            if (!request_.pixels &&
                !s.encoder.begin(outWidth, outHeight, request_.jpegQuality, icc_ ? icc_ : &header.icc, s.sink)) {
                noMemory = true;
                return false;
            }
        }
        return true;
    }

    bool feed(size_t i, const uint8_t* bgra, uint32_t count)
    {
        Stage& s = *stages_[i];
        return s.resampled ? s.resampler.push(bgra, count) : deliver(i, bgra, count);
    }

    // Rows of stage i, as made: to its encoder, or kept to be turned; and on to the sizes made
    // from it.
    bool deliver(size_t i, const uint8_t* bgra, uint32_t count)
    {
        Stage& s = *stages_[i];
        if (count > s.height - s.rowsIn) return false;
        const size_t stride = static_cast<size_t>(s.width) * 4;
        if (s.held) {
            for (uint32_t k = 0; k < count; ++k)
                orientRowInto(bgra + k * stride, s.rowsIn + k, s.width, s.height, turn_, s.rows.data());
        } else if (!s.encoder.rows(bgra, count)) {
            return false;
        }
        s.rowsIn += count;
        for (size_t next : s.feeds)
            if (!feed(next, bgra, count)) return false;
        return true;
    }

    const PictureStreamRequest& request_;
    Orientation turn_;
    const std::vector<uint8_t>* icc_;
    NotingGate& gate_;
    std::vector<std::unique_ptr<Stage>> stages_;
    std::vector<bool> roots_;
    bool started_ = false;
    uint32_t rowsIn_ = 0;
    uint32_t sourceRows_ = 0;
};

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

bool readHead(std::FILE* f, uint64_t fileSize, std::vector<uint8_t>& head)
{
    head.resize(static_cast<size_t>(std::min<uint64_t>(fileSize, kHeadBytes)));
    return std::fread(head.data(), 1, head.size(), f) == head.size();
}

PictureStreamResult unreadable(PictureFailure& why, PictureProblem problem, std::string detail = {})
{
    why.problem = problem;
    why.detail = std::move(detail);
    return PictureStreamResult::Unreadable;
}

PictureStreamResult streamOpenFile(std::FILE* f, uint64_t fileSize, const PictureStreamRequest& request,
                                   NotingGate& gate, std::vector<std::vector<uint8_t>>& outputs, PictureFailure& why)
{
    int candidates[3];
    Orientation exif = Orientation::Normal;
    std::vector<uint8_t> icc;
    {
        std::vector<uint8_t> head;
        if (fileSize == 0) return unreadable(why, PictureProblem::Empty);
        if (!readHead(f, fileSize, head)) return unreadable(why, PictureProblem::CannotOpen, "it could not be read");
        if (candidateFormats(head.data(), head.size(), kFormatUnknown, candidates) == 0) {
            bool pictureKind = false;
            std::string looks = describeContent(head.data(), head.size(), pictureKind);
            return unreadable(why, pictureKind ? PictureProblem::Unsupported : PictureProblem::NotAPicture,
                              std::move(looks));
        }
        if (candidates[0] == kFormatJpeg) {
            JpegMarkerInfo markers = readJpegMarkers(head.data(), head.size());
            exif = static_cast<Orientation>(markers.orientation);
            icc = std::move(markers.icc);
        }
    }
    const Orientation turn = combineOrientations(exif, orientationOfQuarterTurns(request.quarterTurns));
    const PictureSizeHint hint = swapsSides(exif) ? request.hint.swapped() : request.hint;
    ByteSource source;
    source.file = f;
    source.fileSize = fileSize;
    // A format known only by a header that holds together (TGA, WBMP) may be one of two: the
    // first whose reader takes the header decides.
    for (size_t i = 0; i < 3 && candidates[i] != kFormatUnknown; ++i) {
        const int format = candidates[i];
        StreamReceiver receiver(request, turn, format == kFormatJpeg ? &icc : nullptr, gate);
        if (std::fseek(f, 0, SEEK_SET) != 0) return unreadable(why, PictureProblem::CannotOpen, "it could not be read");
        const RowDecode decoded = decodeFormatRows(source, format, hint, receiver);
        if (decoded == RowDecode::Done && receiver.finish(outputs)) return PictureStreamResult::Made;
        outputs.clear();
        if (decoded == RowDecode::NoMemory || receiver.noMemory || gate.refused) {
            why.problem = PictureProblem::NoMemory;
            return PictureStreamResult::NoMemory;
        }
        if (!receiver.started() && i + 1 < 3 && candidates[i + 1] != kFormatUnknown) continue;
        why = failureOf(decoded == RowDecode::Done ? RowDecode::Failed : decoded, receiver.rowsIn(),
                        receiver.sourceRows(), receiver.explanation());
        return PictureStreamResult::Unreadable;
    }
    return unreadable(why, PictureProblem::NotAPicture);
}

}  // namespace

PictureStreamResult streamPictureFile(const std::string& path, const PictureStreamRequest& request,
                                      std::vector<std::vector<uint8_t>>& outputs, PictureFailure* why)
{
    PictureFailure ignored;
    PictureFailure& failure = why ? *why : ignored;
    failure = {};
    outputs.clear();
    errno = 0;
    std::unique_ptr<std::FILE, FileCloser> file(openRegularFile(path));
    if (!file) {
        const int error = errno;
        switch (inspectFile(path).kind) {
        case FileKind::Missing: return unreadable(failure, PictureProblem::Missing);
        case FileKind::Regular:
            return unreadable(failure, PictureProblem::CannotOpen, error ? std::strerror(error) : std::string());
        case FileKind::Directory: return unreadable(failure, PictureProblem::NotAPicture, "a folder");
        case FileKind::Link:
        case FileKind::Other: return unreadable(failure, PictureProblem::NotAPicture, "a device or a pipe");
        }
    }
    if (std::fseek(file.get(), 0, SEEK_END) != 0)
        return unreadable(failure, PictureProblem::CannotOpen, "its size cannot be told");
    const long end = std::ftell(file.get());
    if (end < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0)
        return unreadable(failure, PictureProblem::CannotOpen, "its size cannot be told");

    NotingGate gate(currentPictureMemoryGate());
    ScopedPictureMemoryGate scope(gate);
    try {
        return streamOpenFile(file.get(), static_cast<uint64_t>(end), request, gate, outputs, failure);
    } catch (const std::bad_alloc&) {
        outputs.clear();
        failure.problem = PictureProblem::NoMemory;
        return PictureStreamResult::NoMemory;
    }
}
