// Enumeration of Media Foundation devices through the device-source seam:
// listing without activating, SkipErrorDevice, devices that cannot be used
// (access denied, no format the program streams), the duplicate rule by
// attribute count, the size cap, the types left out, display names. (The platform's own enumeration under
// Wine is the program suite's: it finds no camera.)
#include "TestDevices.h"

#include "Common/capture/CaptureFailure.h"
#include "Common/capture/mediafoundation/MediaFoundationFrameFormat.h"
#include "Common/capture/mediafoundation/MediaFoundationVideoCapture.h"

#include <gtest/gtest.h>
#include <mfapi.h>
#include <mferror.h>

#include <vector>

using namespace MediaFoundationTests;
using Common::MediaFoundationFrameFormat;
using Common::MediaFoundationVideoCapture;

namespace
{

// Hands out the given activation objects as MFEnumDeviceSources would.
MediaFoundationVideoCapture::DeviceSourceEnumerator
EnumeratorOf(std::vector<Common::ComPointer<TestActivate>> activates, GUID* askedSourceType = nullptr)
{
    return [activates, askedSourceType](IMFAttributes* attributes, IMFActivate*** sources, UINT32* count)
    {
        if (askedSourceType != nullptr)
        {
            attributes->GetGUID(MF_DEVSOURCE_ATTRIBUTE_SOURCE_TYPE, askedSourceType);
        }
        auto** array =
            static_cast<IMFActivate**>(CoTaskMemAlloc(sizeof(IMFActivate*) * (activates.size() + 1)));
        for (std::size_t i = 0; i < activates.size(); ++i)
        {
            array[i] = activates[i].Get();
            array[i]->AddRef();
        }
        *sources = array;
        *count = static_cast<UINT32>(activates.size());
        return S_OK;
    };
}

class MediaFoundationVideoCaptureTest : public testing::Test
{
protected:
    void TearDown() override { ExpectNothingAlive(); }
};

} // namespace

TEST_F(MediaFoundationVideoCaptureTest, ListsEveryCameraWithoutActivatingItAndOneThatCannotBeUsedSaysWhy)
{
    const auto yuy2 = CameraSetup::OneType(MFVideoFormat_YUY2, 8, 4, 1);
    auto denied = TestActivate::Create(L"Denied", L"link-d", yuy2);
    denied->activationResult = E_ACCESSDENIED;
    auto nameless = TestActivate::Create(L"", L"link-n", yuy2);
    // A source whose only stream is not video, and one that offers only
    // what the program cannot stream.
    auto audioOnly = CameraSetup::OneType(MFVideoFormat_YUY2, 8, 4, 1);
    audioOnly->types[0]->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Audio);
    auto empty = TestActivate::Create(L"Empty", L"link-e", audioOnly);
    auto h264 = TestActivate::Create(L"H264", L"link-h", CameraSetup::OneType(MFVideoFormat_H264, 8, 4, 1));
    auto good = TestActivate::Create(L"カメラ", L"\\\\?\\usb#good", yuy2);
    const std::vector<Common::ComPointer<TestActivate>> all = {denied, good, nameless, empty, h264};

    GUID asked = GUID_NULL;
    {
        MediaFoundationVideoCapture capture(true, false, EnumeratorOf(all, &asked));
        EXPECT_TRUE(IsEqualGUID(MF_DEVSOURCE_ATTRIBUTE_SOURCE_TYPE_VIDCAP_GUID, asked));
        for (const auto& activate : all)
        {
            EXPECT_EQ(0, activate->activations.load()) << "listing activates no camera";
        }
        ASSERT_EQ(4u, capture.devices.size()) << "all but the one without a name";
        EXPECT_EQ(L"Denied", capture.devices[0]->name);
        EXPECT_EQ(L"カメラ", capture.devices[1]->name);
        EXPECT_EQ(L"\\\\?\\usb#good", capture.devices[1]->path);

        // Chosen, each says why it cannot be used, and stays listed.
        const Common::Exception deniedError = ErrorOf([&] { capture.devices[0]->ReadFormats(); });
        EXPECT_EQ(E_ACCESSDENIED, deniedError.ErrorCode);
        EXPECT_EQ(Common::CaptureFailure::Describe(E_ACCESSDENIED), deniedError.Message);
        for (std::size_t i : {2u, 3u})
        {
            const Common::Exception error = ErrorOf([&] { capture.devices[i]->ReadFormats(); });
            EXPECT_EQ(MF_E_INVALIDMEDIATYPE, error.ErrorCode) << i;
            EXPECT_EQ(0u, capture.devices[i]->GetFormats().size());
            EXPECT_EQ(L"MediaFoundationDevice", error.File);
        }
        capture.devices[1]->ReadFormats();
        EXPECT_EQ(1u, capture.devices[1]->GetFormats().size());
        EXPECT_EQ(good->activations.load(), good->shutdowns.load()) << "the source is down after the listing";

        // Once access is given, the same device reads its formats.
        denied->activationResult = S_OK;
        capture.devices[0]->ReadFormats();
        EXPECT_EQ(L"YUY2 8x4 (30fps)", capture.devices[0]->GetFormats()[0]->GetName());
    }
    EXPECT_EQ(0, empty->activations - empty->shutdowns) << "the empty device's source is shut down";

    // Without SkipErrorDevice a device without a name ends the listing.
    EXPECT_EQ(MF_E_ATTRIBUTENOTFOUND,
              ErrorOf(
                  [&] {
                      MediaFoundationVideoCapture(false, false, EnumeratorOf({good, nameless}));
                  })
                  .ErrorCode);
    // A failed enumeration ends the construction, whatever SkipErrorDevice says.
    const Common::Exception failed = ErrorOf(
        []
        {
            MediaFoundationVideoCapture(true, false,
                                        [](IMFAttributes*, IMFActivate***, UINT32*)
                                        { return static_cast<HRESULT>(E_OUTOFMEMORY); });
        });
    EXPECT_EQ(E_OUTOFMEMORY, failed.ErrorCode);
    EXPECT_EQ(L"MediaFoundationVideoCapture", failed.File);
}

TEST_F(MediaFoundationVideoCaptureTest,
       DuplicatesKeepTheTypeWithMoreAttributesFirstOnATieOversizedAreLeftOutAndNamesShowTheRateRatio)
{
    const auto frame = MakeFrame(MFVideoFormat_YUY2, 8, 4, 2);
    auto setup = std::make_shared<CameraSetup>();
    setup->AddType(MFVideoFormat_YUY2, 8, 4, 30, 1, 16, frame, 1);       // 0: kept at first
    setup->AddType(MFVideoFormat_YUY2, 8, 4, 30000, 1001, 16, frame, 0); // 1: other rate, no duplicate
    setup->AddType(MFVideoFormat_YUY2, 8, 4, 30, 1, 16, frame, 3);       // 2: more attributes, replaces 0
    setup->AddType(MFVideoFormat_YUY2, 8, 4, 30, 1, 16, frame, 3);       // 3: tie with 2, dropped
    setup->AddType(MFVideoFormat_YUY2, 8, 4, 30, 1, 16, frame, 2);       // 4: fewer, dropped
    setup->AddType(MFVideoFormat_NV12, 8, 4, 30, 1, 8, frame, 0);        // 5: other subtype
    setup->AddType(MFVideoFormat_YUY2, 16, 4, 30, 1, 32, frame, 0);      // 6: other size
    // Sizes: the largest side listed, one beyond, and one that is negative as a signed number.
    setup->AddType(MFVideoFormat_YUY2, 32768, 1, 30, 1, 65536, frame, 0);   // 7
    setup->AddType(MFVideoFormat_YUY2, 2, 32769, 30, 1, 4, frame, 0);       // 8
    setup->AddType(MFVideoFormat_YUY2, 0x80000000u, 1, 30, 1, 4, frame, 0); // 9
    // A rate with denominator 0; types the program cannot stream or that
    // do not say their rate are left out.
    setup->AddType(MFVideoFormat_YUY2, 4, 4, 30, 0, 8, frame, 0);  // 10
    setup->AddType(MFVideoFormat_H264, 8, 4, 30, 1, 0, frame, 0);  // 11
    setup->AddType(MFVideoFormat_I420, 8, 4, 30, 1, 8, frame, 0);  // 12
    setup->AddType(MFVideoFormat_H265, 8, 4, 30, 1, 16, frame, 0); // 13: "Unknown"
    setup->AddType(MFVideoFormat_YUY2, 2, 2, 30, 1, 4, frame, 0)->DeleteItem(MF_MT_FRAME_RATE); // 14
    EXPECT_STREQ(L"Unknown", MediaFoundationFrameFormat::GetSubtypeName(MFVideoFormat_H265));

    auto activate = TestActivate::Create(L"Cam", L"link", setup);
    // The setup's indexes of the formats a capture kept.
    auto keptOf = [](const MediaFoundationVideoCapture& capture)
    {
        capture.devices[0]->ReadFormats();
        std::vector<int> kept;
        for (const auto& format : capture.devices[0]->GetFormats())
        {
            UINT32 index = 0;
            static_cast<const MediaFoundationFrameFormat&>(*format).mediaType->GetUINT32(TestTypeIndexKey,
                                                                                         &index);
            kept.push_back(static_cast<int>(index));
        }
        return kept;
    };
    {
        MediaFoundationVideoCapture capture(false, false, EnumeratorOf({activate}));
        const auto& formats = capture.devices[0]->GetFormats();
        EXPECT_EQ((std::vector<int>{2, 1, 5, 6, 7, 10}), keptOf(capture));
        // Major type, subtype, size, rate, stride, the test's index and 3 more.
        EXPECT_EQ(9u, static_cast<const MediaFoundationFrameFormat&>(*formats[0]).GetAttributeCount());
        EXPECT_EQ(L"YUY2 8x4 (29.97fps)", formats[1]->GetName());
        EXPECT_EQ(30000.0 / 1001.0, formats[1]->frameRate);
        EXPECT_EQ(L"NV12 8x4 (30fps)", formats[2]->GetName());
        EXPECT_EQ(L"YUY2 4x4 (0fps)", formats[5]->GetName());
    }
    {
        MediaFoundationVideoCapture capture(false, true, EnumeratorOf({activate}));
        EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 10}), keptOf(capture));
    }
}
