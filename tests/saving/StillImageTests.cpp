// Still images written through the real imaging component and decoded back.
#include "SavedFiles.h"

#include "Common/ComPointer.h"
#include "app/Bgr24Image.h"
#include "app/StillImageWriter.h"
#include "support/TempFolder.h"

#include <wincodec.h>

#include <gtest/gtest.h>

#include <cstring>

using TavixCapture::StillImageWriter;
using TestSupport::ListFiles;

namespace
{
enum Format
{
    Bmp = 0,
    Jpeg = 1,
    Png = 2,
    Tiff = 3,
};

class StillImageTest : public testing::Test
{
protected:
    StillImageTest() { factory.CreateInstance(CLSID_WICImagingFactory, CLSCTX_INPROC_SERVER); }

    StillImageWriter Writer() { return StillImageWriter(*factory.Get()); }

    // The pixel format the platform's encoder asks for when offered 32-bit BGR.
    GUID NegotiatedFormat(const GUID& container)
    {
        Common::ComPointer<IWICStream> stream;
        Common::ThrowIfFailed(factory->CreateStream(stream.Put()));
        const std::wstring path = folder.File(L"probe");
        Common::ThrowIfFailed(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE));
        Common::ComPointer<IWICBitmapEncoder> encoder;
        Common::ThrowIfFailed(factory->CreateEncoder(container, nullptr, encoder.Put()));
        Common::ThrowIfFailed(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache));
        Common::ComPointer<IWICBitmapFrameEncode> frame;
        Common::ComPointer<IPropertyBag2> options;
        Common::ThrowIfFailed(encoder->CreateNewFrame(frame.Put(), options.Put()));
        Common::ThrowIfFailed(frame->Initialize(options.Get()));
        Common::ThrowIfFailed(frame->SetSize(4, 4));
        GUID format = GUID_WICPixelFormat32bppBGR;
        Common::ThrowIfFailed(frame->SetPixelFormat(&format));
        return format;
    }

    Common::ComPointer<IWICImagingFactory> factory;
    TestSupport::TempFolder folder;
};

// A smooth image, as cameras deliver (JPEG's loss stays small), whose
// neighbouring pixels still differ in every channel, with a varying alpha
// the savers must ignore.
Common::FrameBuffer SmoothFrame(int width, int height)
{
    Common::FrameBuffer frame;
    frame.Resize(width, height);
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            std::uint8_t* p = frame.pixels.data() + static_cast<std::size_t>(y) * frame.stride + x * 4;
            p[0] = static_cast<std::uint8_t>(x * 255 / (width - 1));
            p[1] = static_cast<std::uint8_t>(y * 255 / (height - 1));
            p[2] = static_cast<std::uint8_t>(128 + (x - y) / 8);
            p[3] = static_cast<std::uint8_t>(x);
        }
    }
    return frame;
}
} // namespace

TEST_F(StillImageTest, EveryFormatReadsBackAsTheFrameThroughBothPixelFormats)
{
    // 641 wide: the 24-bit rows end in one filler byte.
    const Common::FrameBuffer smooth = SmoothFrame(641, 240);
    const Common::FrameBuffer pattern = SavedFiles::PatternFrame(641, 37);
    const struct
    {
        int format;
        const wchar_t* name;
        const GUID* container;
        const GUID* negotiated; // what Wine's encoder takes; Windows may differ
        int maximum;
        double mean;
    } cases[] = {{Bmp, L"a.bmp", &GUID_ContainerFormatBmp, &GUID_WICPixelFormat32bppBGR, 0, 0.0},
                 {Png, L"a.png", &GUID_ContainerFormatPng, &GUID_WICPixelFormat32bppBGR, 0, 0.0},
                 {Tiff, L"a.tif", &GUID_ContainerFormatTiff, &GUID_WICPixelFormat24bppBGR, 0, 0.0},
                 {Jpeg, L"a.jpg", &GUID_ContainerFormatJpeg, &GUID_WICPixelFormat24bppBGR, 16, 2.0}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "format " << c.format);
        EXPECT_EQ(NegotiatedFormat(*c.container), *c.negotiated) << "the lab runs both branches";
        const Common::FrameBuffer& frame = c.maximum == 0 ? pattern : smooth;
        Writer().Save(frame, c.format, folder.File(c.name));
        const SavedFiles::DecodedImage image = SavedFiles::Decode(folder.File(c.name));
        EXPECT_EQ(image.container, *c.container);
        const SavedFiles::Difference difference = SavedFiles::Compare(image.frame, frame);
        EXPECT_LE(difference.maximum, c.maximum);
        EXPECT_LE(difference.mean, c.mean);
    }
}

TEST_F(StillImageTest, TwentyFourBitRowsArePaddedToFourBytesWhateverTheBufferHeld)
{
    EXPECT_EQ(TavixCapture::GetBgr24Stride(641), 1924);
    EXPECT_EQ(TavixCapture::GetBgr24Stride(1), 4);
    EXPECT_TRUE(TavixCapture::ConvertToBgr24(Common::FrameBuffer(), TavixCapture::RowOrder::TopDown).empty());

    // A reused buffer that held a larger, dirty image; both row orders.
    const Common::FrameBuffer frame = SavedFiles::PatternFrame(641, 3);
    std::vector<std::uint8_t> image(10000, 0xAB);
    for (const auto order : {TavixCapture::RowOrder::TopDown, TavixCapture::RowOrder::BottomUp})
    {
        TavixCapture::ConvertToBgr24(frame, order, image);
        ASSERT_EQ(image.size(), 1924u * 3);
        for (int y = 0; y < 3; ++y)
        {
            const std::uint8_t* target =
                image.data() + (order == TavixCapture::RowOrder::TopDown ? y : 2 - y) * 1924;
            const std::uint8_t* source = frame.pixels.data() + y * frame.stride;
            for (int x = 0; x < 641; ++x)
            {
                ASSERT_EQ(std::memcmp(target + x * 3, source + x * 4, 3), 0) << "x " << x << " y " << y;
            }
            EXPECT_EQ(target[1923], 0) << "the filler byte is zero";
        }
    }
}

TEST_F(StillImageTest, GeneratedNamesAreUtcTimeStampsAndNeverReplaceAFile)
{
    SYSTEMTIME time = {};
    time.wYear = 2016;
    time.wMonth = 3;
    time.wDay = 5;
    time.wHour = 7;
    time.wMinute = 8;
    time.wSecond = 9;
    time.wMilliseconds = 12;
    EXPECT_EQ(StillImageWriter::MakeTimeStampName(L"D:\\cap\\", time, L".png"),
              L"D:\\cap\\20160305070809012.png");

    // Three frames in the same millisecond: three files, each its own frame.
    std::vector<std::wstring> paths;
    for (std::uint32_t i = 0; i < 3; ++i)
    {
        paths.push_back(
            Writer().SaveUnderNewName(SavedFiles::PatternFrame(16, 8, i), Png, folder.Path(), time));
    }
    EXPECT_EQ(paths, (std::vector<std::wstring>{folder.File(L"20160305070809012.png"),
                                                folder.File(L"20160305070809012_1.png"),
                                                folder.File(L"20160305070809012_2.png")}));
    EXPECT_EQ(folder.Names().size(), 3u);
    for (std::uint32_t i = 0; i < 3; ++i)
    {
        EXPECT_EQ(SavedFiles::Compare(SavedFiles::Decode(paths[i]).frame, SavedFiles::PatternFrame(16, 8, i))
                      .maximum,
                  0)
            << "file " << i << " holds another frame";
    }
}

TEST_F(StillImageTest, AFailedEncodingOrAShortFrameLeavesTheFolderAsItWas)
{
    // JPEG cannot hold an image 70000 pixels wide: the encoder fails after
    // the file has been created.
    TestSupport::WriteFileBytes(folder.File(L"a.jpg"), "earlier");
    const Common::FrameBuffer wide = SavedFiles::PatternFrame(70000, 2);
    EXPECT_THROW(Writer().Save(wide, Jpeg, folder.File(L"a.jpg")), Common::Exception);
    EXPECT_EQ(TestSupport::ReadFileBytes(folder.File(L"a.jpg")), "earlier");
    EXPECT_THROW(static_cast<void>(Writer().SaveUnderNewName(wide, Jpeg, folder.Path(),
                                                             SYSTEMTIME{2020, 1, 0, 1, 0, 0, 0, 0})),
                 Common::Exception);

    Common::FrameBuffer shortFrame = SavedFiles::PatternFrame(8, 8);
    shortFrame.pixels.resize(shortFrame.pixels.size() - 1);
    EXPECT_THROW(Writer().Save(shortFrame, Bmp, folder.File(L"a.bmp")), Common::Exception);
    EXPECT_EQ(folder.Names(), std::vector<std::wstring>{L"a.jpg"}) << "no other file, no temporary one";
}
