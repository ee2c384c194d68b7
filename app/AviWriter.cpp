#include "app/AviWriter.h"

#include "Common/Exception.h"
#include "app/Bgr24Image.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace TavixCapture
{

namespace
{
constexpr std::uint32_t HasIndex = 0x10;         // AVIF_HASINDEX
constexpr std::uint32_t IsInterleaved = 0x100;   // AVIF_ISINTERLEAVED
constexpr std::uint32_t KeyFrame = 0x10;         // AVIIF_KEYFRAME
constexpr std::uint8_t IndexOfIndexes = 0x00;    // AVI_INDEX_OF_INDEXES
constexpr std::uint8_t IndexOfChunks = 0x01;     // AVI_INDEX_OF_CHUNKS
constexpr std::size_t SuperIndexHeader = 8 + 24; // "indx", size, then the fields before the entries
constexpr std::size_t SuperIndexEntry = 16;
constexpr std::size_t OdmlHeaderBytes = 248;

// Little-endian bytes of a header or an index, with lists and chunks whose
// sizes are filled in when they end.
class Bytes
{
public:
    void U8(std::uint8_t value) { bytes_.push_back(value); }
    void U16(std::uint16_t value)
    {
        U8(static_cast<std::uint8_t>(value));
        U8(static_cast<std::uint8_t>(value >> 8));
    }
    void U32(std::uint32_t value)
    {
        U16(static_cast<std::uint16_t>(value));
        U16(static_cast<std::uint16_t>(value >> 16));
    }
    void U64(std::uint64_t value)
    {
        U32(static_cast<std::uint32_t>(value));
        U32(static_cast<std::uint32_t>(value >> 32));
    }
    void Code(const char (&code)[5]) { bytes_.insert(bytes_.end(), code, code + 4); }
    void Zeros(std::size_t count) { bytes_.insert(bytes_.end(), count, 0); }

    // "LIST" or "RIFF", its size, its type; returns where the size goes.
    std::size_t BeginList(const char (&kind)[5], const char (&type)[5])
    {
        const std::size_t size = BeginChunk(kind);
        Code(type);
        return size;
    }
    std::size_t BeginChunk(const char (&code)[5])
    {
        Code(code);
        U32(0);
        return bytes_.size() - 4;
    }
    // Fills in the size of what began at `size` and pads it to an even length.
    void End(std::size_t size)
    {
        const std::uint32_t length = static_cast<std::uint32_t>(bytes_.size() - size - 4);
        std::memcpy(bytes_.data() + size, &length, 4);
        if (length % 2 != 0)
        {
            U8(0);
        }
    }

    std::size_t Size() const { return bytes_.size(); }
    const std::vector<std::uint8_t>& Get() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

std::uint16_t Short(std::int32_t value)
{
    return static_cast<std::uint16_t>(std::min(value, 0x7FFF));
}
} // namespace

AviWriter::AviWriter(std::unique_ptr<MovieFile> file, std::int32_t width, std::int32_t height,
                     std::int32_t rateNumerator, const Layout& layout)
    : file_(std::move(file)), width_(width), height_(height), rateNumerator_(rateNumerator), layout_(layout),
      imageSize_(static_cast<std::uint32_t>(GetBgr24Stride(width)) * static_cast<std::uint32_t>(height))
{
    if (!file_ || width <= 0 || height <= 0 || rateNumerator <= 0 || layout.segmentCapacity == 0 ||
        layout.segmentBytes > std::numeric_limits<std::uint32_t>::max())
    {
        throw Common::Exception(static_cast<HRESULT>(E_INVALIDARG));
    }
    checkpointFrames_ =
        layout.checkpointFrames != 0
            ? layout.checkpointFrames
            : std::max<std::uint32_t>(1, static_cast<std::uint32_t>((rateNumerator + 999) / 1000));
    chunk_.resize(8 + static_cast<std::size_t>(imageSize_));
    const char code[] = {'0', '0', 'd', 'b'};
    std::memcpy(chunk_.data(), code, 4);
    std::memcpy(chunk_.data() + 4, &imageSize_, 4);
    WriteHeaders();
}

AviWriter::~AviWriter() = default;

void AviWriter::WriteHeaders()
{
    const std::uint32_t rate = static_cast<std::uint32_t>(rateNumerator_);
    Bytes h;
    const std::size_t riff = h.BeginList("RIFF", "AVI ");
    const std::size_t hdrl = h.BeginList("LIST", "hdrl");

    const std::size_t avih = h.BeginChunk("avih");
    h.U32(static_cast<std::uint32_t>(std::llround(1.0e9 / rate))); // microseconds per frame
    h.U32(static_cast<std::uint32_t>(std::min<std::uint64_t>(
        static_cast<std::uint64_t>(imageSize_) * rate / 1000, std::numeric_limits<std::uint32_t>::max())));
    h.U32(0); // padding granularity
    h.U32(HasIndex | IsInterleaved);
    totalFramesField_ = h.Size();
    h.U32(0); // frames in the first segment
    h.U32(0); // initial frames
    h.U32(1); // streams
    h.U32(imageSize_);
    h.U32(static_cast<std::uint32_t>(width_));
    h.U32(static_cast<std::uint32_t>(height_));
    h.Zeros(16);
    h.End(avih);

    const std::size_t strl = h.BeginList("LIST", "strl");
    const std::size_t strh = h.BeginChunk("strh");
    h.Code("vids");
    h.Code("DIB ");
    h.U32(0); // flags
    h.U16(0); // priority
    h.U16(0); // language
    h.U32(0); // initial frames
    h.U32(1000);
    h.U32(rate);
    h.U32(0); // start
    lengthField_ = h.Size();
    // Length: the frames of the first segment, all that an AVI 1.0 reader can
    // reach (one that trusts it past its index fails); the movie's own
    // length is in "dmlh" and the OpenDML indexes.
    h.U32(0);
    h.U32(imageSize_);
    h.U32(0xFFFFFFFFu); // default quality
    h.U32(imageSize_);  // sample size
    h.U16(0);
    h.U16(0);
    h.U16(Short(width_));
    h.U16(Short(height_));
    h.End(strh);

    const std::size_t strf = h.BeginChunk("strf");
    h.U32(40);
    h.U32(static_cast<std::uint32_t>(width_));
    h.U32(static_cast<std::uint32_t>(height_)); // positive: rows stored bottom-up
    h.U16(1);
    h.U16(24);
    h.U32(0); // BI_RGB
    h.U32(imageSize_);
    h.U32(1); // pixels per metre
    h.U32(1);
    h.U32(0);
    h.U32(0);
    h.End(strf);

    superIndex_ = h.Size();
    const std::size_t indx = h.BeginChunk("indx");
    h.U16(4);
    h.U8(0);
    h.U8(IndexOfIndexes);
    h.U32(0); // entries in use
    h.Code("00db");
    h.Zeros(12);
    h.Zeros(SuperIndexEntry * layout_.segmentCapacity);
    h.End(indx);

    const std::size_t strn = h.BeginChunk("strn");
    const char name[] = "Video stream";
    for (const char c : name)
    {
        h.U8(static_cast<std::uint8_t>(c));
    }
    h.End(strn);
    h.End(strl);

    const std::size_t odml = h.BeginList("LIST", "odml");
    const std::size_t dmlh = h.BeginChunk("dmlh");
    odmlFramesField_ = h.Size();
    h.Zeros(OdmlHeaderBytes);
    h.End(dmlh);
    h.End(odml);
    h.End(hdrl);

    const std::size_t movi = h.BeginList("LIST", "movi");
    h.End(movi);
    h.End(riff);

    Write(0, h.Get());
    segment_.riff = 0;
    segment_.movi = movi - 4;
    end_ = h.Size();
    segment_.frameOffsets.reserve(layout_.segmentBytes / chunk_.size() + 1);
}

std::uint64_t AviWriter::ClosingBytes(std::size_t frames) const
{
    const std::uint64_t standardIndex = 32 + 8 * static_cast<std::uint64_t>(frames);
    const std::uint64_t oldIndex = segment_.riff == 0 ? 8 + 16 * static_cast<std::uint64_t>(frames) : 0;
    return standardIndex + oldIndex;
}

void AviWriter::WriteFrame(const Common::FrameBuffer& frame)
{
    if (failed_ || finished_)
    {
        throw Common::Exception(static_cast<HRESULT>(E_UNEXPECTED));
    }
    if (frame.width != width_ || frame.height != height_)
    {
        throw Common::Exception(static_cast<HRESULT>(E_INVALIDARG));
    }
    try
    {
        const std::size_t frames = segment_.frameOffsets.size();
        if (segment_.closed ||
            (frames > 0 &&
             end_ + chunk_.size() + ClosingBytes(frames + 1) - segment_.riff > layout_.segmentBytes))
        {
            if (!segment_.closed)
            {
                EndSegment();
            }
            StartSegment();
        }
        ConvertToBgr24(frame, RowOrder::BottomUp, chunk_.data() + 8);
        file_->WriteAt(end_, chunk_.data(), chunk_.size());
    }
    catch (...)
    {
        failed_ = true;
        throw;
    }
    segment_.frameOffsets.push_back(static_cast<std::uint32_t>(end_ - (segment_.movi + 8)));
    end_ += chunk_.size();
    ++totalFrames_;
    if (segment_.riff == 0)
    {
        ++firstSegmentFrames_;
    }
    if (++framesSinceCheckpoint_ >= checkpointFrames_)
    {
        try
        {
            UpdateHeaders();
        }
        catch (...)
        {
            failed_ = true;
            throw;
        }
    }
}

void AviWriter::StartSegment()
{
    Bytes h;
    const std::size_t riff = h.BeginList("RIFF", "AVIX");
    const std::size_t movi = h.BeginList("LIST", "movi");
    h.End(movi);
    h.End(riff);
    Write(end_, h.Get());
    segment_ = Segment{};
    segment_.riff = end_;
    segment_.movi = end_ + 12;
    segment_.frameOffsets.reserve(layout_.segmentBytes / chunk_.size() + 1);
    end_ += h.Size();
}

void AviWriter::EndSegment()
{
    const std::vector<std::uint32_t>& offsets = segment_.frameOffsets;
    const std::uint32_t frames = static_cast<std::uint32_t>(offsets.size());
    if (frames > 0 && segmentIndex_.size() >= layout_.segmentCapacity)
    {
        throw Common::Exception(L"動画ファイルが長すぎて、これ以上記録できません。");
    }
    std::uint64_t standardIndex = 0;
    std::uint32_t standardIndexSize = 0;
    if (frames > 0)
    {
        // The frames of this segment, each by its data's offset from "movi".
        Bytes ix;
        const std::size_t size = ix.BeginChunk("ix00");
        ix.U16(2);
        ix.U8(0);
        ix.U8(IndexOfChunks);
        ix.U32(frames);
        ix.Code("00db");
        ix.U64(segment_.movi + 8);
        ix.U32(0);
        for (const std::uint32_t offset : offsets)
        {
            ix.U32(offset + 8);
            ix.U32(imageSize_); // top bit clear: a key frame
        }
        ix.End(size);
        Write(end_, ix.Get());
        standardIndex = end_;
        standardIndexSize = static_cast<std::uint32_t>(ix.Size());
        end_ += ix.Size();
    }
    WriteUInt32(segment_.movi + 4, static_cast<std::uint32_t>(end_ - segment_.movi - 8));
    if (segment_.riff == 0)
    {
        // The AVI 1.0 index of the first segment, after its "movi" list.
        Bytes idx1;
        const std::size_t size = idx1.BeginChunk("idx1");
        for (const std::uint32_t offset : offsets)
        {
            idx1.Code("00db");
            idx1.U32(KeyFrame);
            idx1.U32(offset);
            idx1.U32(imageSize_);
        }
        idx1.End(size);
        Write(end_, idx1.Get());
        end_ += idx1.Size();
    }
    WriteUInt32(segment_.riff + 4, static_cast<std::uint32_t>(end_ - segment_.riff - 8));
    if (frames > 0)
    {
        Bytes entry;
        entry.U64(standardIndex);
        entry.U32(standardIndexSize);
        entry.U32(frames);
        Write(superIndex_ + SuperIndexHeader + SuperIndexEntry * segmentIndex_.size(), entry.Get());
        segmentIndex_.push_back({standardIndex, standardIndexSize, frames});
        WriteUInt32(superIndex_ + 12, static_cast<std::uint32_t>(segmentIndex_.size()));
    }
    segment_.closed = true;
}

void AviWriter::UpdateHeaders()
{
    framesSinceCheckpoint_ = 0;
    if (!segment_.closed)
    {
        WriteUInt32(segment_.movi + 4, static_cast<std::uint32_t>(end_ - segment_.movi - 8));
        WriteUInt32(segment_.riff + 4, static_cast<std::uint32_t>(end_ - segment_.riff - 8));
    }
    WriteUInt32(totalFramesField_, firstSegmentFrames_);
    WriteUInt32(lengthField_, firstSegmentFrames_);
    WriteUInt32(odmlFramesField_, totalFrames_);
}

void AviWriter::Checkpoint() noexcept
{
    if (failed_ || finished_)
    {
        return;
    }
    try
    {
        UpdateHeaders();
        file_->Flush();
    }
    catch (...)
    {
        // The next frame's write meets the same trouble and reports it.
    }
}

void AviWriter::Finish()
{
    if (finished_)
    {
        return;
    }
    finished_ = true;
    const std::uint64_t framesEnd = end_;
    try
    {
        if (failed_)
        {
            // A frame the disk took only in part is cut off.
            file_->Truncate(end_);
        }
        if (!segment_.closed)
        {
            EndSegment();
        }
        UpdateHeaders();
        file_->Flush();
    }
    catch (...)
    {
        // Back to the last whole frame, with headers that say so: the
        // file stays readable by walking it, whatever could not be added.
        try
        {
            if (!segment_.closed)
            {
                end_ = framesEnd;
                file_->Truncate(end_);
            }
            UpdateHeaders();
        }
        catch (...)
        {
            // The headers of the last checkpoint stay.
        }
        throw;
    }
}

void AviWriter::Write(std::uint64_t offset, const std::vector<std::uint8_t>& bytes)
{
    file_->WriteAt(offset, bytes.data(), bytes.size());
}

void AviWriter::WriteUInt32(std::uint64_t offset, std::uint32_t value)
{
    file_->WriteAt(offset, &value, sizeof(value));
}

} // namespace TavixCapture
