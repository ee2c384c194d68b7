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
} // namespace

TEST_F(StillImageTest, LosslessFormatsReadBackPixelExactWhateverTheAlpha)
{
    // 641 wide: the 24-bit rows of TIFF end in one filler byte.
    const Common::FrameBuffer frame = SavedFiles::PatternFrame(641, 37);
    const struct
    {
        int format;
        const wchar_t* name;
        const GUID* container;
    } cases[] = {{Bmp, L"a.bmp", &GUID_ContainerFormatBmp},
                 {Png, L"a.png", &GUID_ContainerFormatPng},
                 {Tiff, L"a.tif", &GUID_ContainerFormatTiff}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "format " << c.format);
        Writer().Save(frame, c.format, folder.File(c.name));
        const SavedFiles::DecodedImage image = SavedFiles::Decode(folder.File(c.name));
        EXPECT_EQ(image.container, *c.container);
        const SavedFiles::Difference difference = SavedFiles::Compare(image.frame, frame);
        EXPECT_EQ(difference.maximum, 0);
    }
}

TEST_F(StillImageTest, JpegStaysCloseToTheFrame)
{
    // A smooth image, as cameras deliver: JPEG's loss stays small.
    Common::FrameBuffer frame;
    frame.Resize(320, 240);
    for (int y = 0; y < frame.height; ++y)
    {
        for (int x = 0; x < frame.width; ++x)
        {
            std::uint8_t* p = frame.pixels.data() + static_cast<std::size_t>(y) * frame.stride + x * 4;
            p[0] = static_cast<std::uint8_t>(x * 255 / 319);
            p[1] = static_cast<std::uint8_t>(y * 255 / 239);
            p[2] = static_cast<std::uint8_t>(128 + (x - y) / 4);
            p[3] = static_cast<std::uint8_t>(x);
        }
    }
    Writer().Save(frame, Jpeg, folder.File(L"a.jpg"));
    const SavedFiles::DecodedImage image = SavedFiles::Decode(folder.File(L"a.jpg"));
    EXPECT_EQ(image.container, GUID_ContainerFormatJpeg);
    const SavedFiles::Difference difference = SavedFiles::Compare(image.frame, frame);
    EXPECT_LE(difference.mean, 2.0);
    EXPECT_LE(difference.maximum, 16);
}

TEST_F(StillImageTest, TheLabOffersBothBranchesOfThePixelFormatNegotiation)
{
    // BMP and PNG take the frame's 32-bit rows; JPEG and TIFF ask for 24 bits,
    // so the exactness tests above run through both branches.
    EXPECT_EQ(NegotiatedFormat(GUID_ContainerFormatBmp), GUID_WICPixelFormat32bppBGR);
    EXPECT_EQ(NegotiatedFormat(GUID_ContainerFormatPng), GUID_WICPixelFormat32bppBGR);
    EXPECT_EQ(NegotiatedFormat(GUID_ContainerFormatJpeg), GUID_WICPixelFormat24bppBGR);
    EXPECT_EQ(NegotiatedFormat(GUID_ContainerFormatTiff), GUID_WICPixelFormat24bppBGR);
}

TEST_F(StillImageTest, TheSelectedFormatDecidesNotTheExtension)
{
    const Common::FrameBuffer frame = SavedFiles::PatternFrame(64, 48);
    Writer().Save(frame, Jpeg, folder.File(L"x.png"));
    const std::vector<std::uint8_t> bytes = SavedFiles::ReadFileBytes(folder.File(L"x.png"));
    ASSERT_GE(bytes.size(), 3u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xD8); // JPEG start of image
    EXPECT_EQ(SavedFiles::Decode(folder.File(L"x.png")).container, GUID_ContainerFormatJpeg);
}

TEST_F(StillImageTest, TwentyFourBitRowsArePaddedToFourBytes)
{
    EXPECT_EQ(TavixCapture::GetBgr24Stride(641), 1924);
    EXPECT_EQ(TavixCapture::GetBgr24Stride(640), 1920);
    EXPECT_EQ(TavixCapture::GetBgr24Stride(1), 4);

    const Common::FrameBuffer frame = SavedFiles::PatternFrame(641, 3);
    for (const auto order : {TavixCapture::RowOrder::TopDown, TavixCapture::RowOrder::BottomUp})
    {
        const std::vector<std::uint8_t> image = TavixCapture::ConvertToBgr24(frame, order);
        ASSERT_EQ(image.size(), 1924u * 3);
        for (int y = 0; y < 3; ++y)
        {
            const int row = order == TavixCapture::RowOrder::TopDown ? y : 2 - y;
            const std::uint8_t* target = image.data() + row * 1924;
            const std::uint8_t* source = frame.pixels.data() + y * frame.stride;
            for (int x = 0; x < 641; ++x)
            {
                ASSERT_EQ(std::memcmp(target + x * 3, source + x * 4, 3), 0) << "x " << x << " y " << y;
            }
            EXPECT_EQ(target[1923], 0) << "the filler byte stays zero";
        }
    }
    EXPECT_TRUE(TavixCapture::ConvertToBgr24(Common::FrameBuffer(), TavixCapture::RowOrder::TopDown).empty());

    // A reused buffer that held a larger, dirty image: same rows, filler zero again.
    std::vector<std::uint8_t> reused(10000, 0xAB);
    TavixCapture::ConvertToBgr24(frame, TavixCapture::RowOrder::BottomUp, reused);
    EXPECT_EQ(reused, TavixCapture::ConvertToBgr24(frame, TavixCapture::RowOrder::BottomUp));
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
    EXPECT_EQ(paths[0], folder.File(L"20160305070809012.png"));
    EXPECT_EQ(paths[1], folder.File(L"20160305070809012_1.png"));
    EXPECT_EQ(paths[2], folder.File(L"20160305070809012_2.png"));
    EXPECT_EQ(SavedFiles::ListFiles(folder.Path()).size(), 3u);
    for (std::uint32_t i = 0; i < 3; ++i)
    {
        EXPECT_EQ(SavedFiles::Compare(SavedFiles::Decode(paths[i]).frame, SavedFiles::PatternFrame(16, 8, i))
                      .maximum,
                  0)
            << "file " << i << " holds another frame";
    }
}

TEST_F(StillImageTest, AnUnsupportedFormatCreatesNoFile)
{
    const Common::FrameBuffer frame = SavedFiles::PatternFrame(8, 8);
    for (const int format : {-1, 4, 7})
    {
        try
        {
            Writer().Save(frame, format, folder.File(L"a.bmp"));
            ADD_FAILURE() << "format " << format << " was accepted";
        }
        catch (const Common::Exception& error)
        {
            EXPECT_EQ(error.Message, L"サポートされていないフォーマットが指定されました。");
        }
    }
    EXPECT_TRUE(SavedFiles::ListFiles(folder.Path()).empty());
}

TEST_F(StillImageTest, AFailedEncodingLeavesTheFileUnderTheNameAsItWas)
{
    // JPEG cannot hold an image 70000 pixels wide: the encoder fails after
    // the file has been created.
    const std::vector<std::uint8_t> earlier = {'e', 'a', 'r', 'l', 'i', 'e', 'r'};
    SavedFiles::WriteFileBytes(folder.File(L"a.jpg"), earlier);
    const Common::FrameBuffer wide = SavedFiles::PatternFrame(70000, 2);
    EXPECT_THROW(Writer().Save(wide, Jpeg, folder.File(L"a.jpg")), Common::Exception);
    EXPECT_EQ(SavedFiles::ReadFileBytes(folder.File(L"a.jpg")), earlier);

    SYSTEMTIME time = {};
    time.wYear = 2020;
    time.wMonth = 1;
    time.wDay = 1;
    EXPECT_THROW(static_cast<void>(Writer().SaveUnderNewName(wide, Jpeg, folder.Path(), time)),
                 Common::Exception);
    EXPECT_EQ(SavedFiles::ListFiles(folder.Path()), std::vector<std::wstring>{L"a.jpg"})
        << "nothing else, no temporary file, stays in the folder";
}

TEST_F(StillImageTest, AFrameWhoseBufferIsShortIsRefusedBeforeAnythingIsWritten)
{
    Common::FrameBuffer frame = SavedFiles::PatternFrame(8, 8);
    frame.pixels.resize(frame.pixels.size() - 1);
    EXPECT_THROW(Writer().Save(frame, Bmp, folder.File(L"a.bmp")), Common::Exception);
    EXPECT_TRUE(SavedFiles::ListFiles(folder.Path()).empty());
}
