// Enumeration of Media Foundation devices through the device-source seam:
// SkipErrorDevice, devices without formats, the duplicate rule by attribute
// count, the size cap, display names. (The platform's own enumeration under Wine is the
// program suite's: it finds no camera.)
#include "TestDevices.h"

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

TEST_F(MediaFoundationVideoCaptureTest, ListsVideoSourcesInOrderAndSkipErrorDeviceDecidesAboutFailingOnes)
{
    const auto yuy2 = CameraSetup::OneType(MFVideoFormat_YUY2, 8, 4, 1);
    auto failing = TestActivate::Create(L"Broken", L"link-b", yuy2);
    failing->activationResult = E_ACCESSDENIED;
    auto nameless = TestActivate::Create(L"", L"link-n", yuy2);
    // A source whose only stream is not video: the device has no format.
    auto audioOnly = CameraSetup::OneType(MFVideoFormat_YUY2, 8, 4, 1);
    audioOnly->types[0]->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Audio);
    auto empty = TestActivate::Create(L"Empty", L"link-e", audioOnly);
    auto good = TestActivate::Create(L"カメラ", L"\\\\?\\usb#good", yuy2);
    auto other = TestActivate::Create(L"Other", L"link-o", yuy2);

    GUID asked = GUID_NULL;
    {
        MediaFoundationVideoCapture capture(true, false,
                                            EnumeratorOf({failing, good, nameless, empty, other}, &asked));
        ASSERT_EQ(2u, capture.devices.size());
        EXPECT_EQ(L"カメラ", capture.devices[0]->name);
        EXPECT_EQ(L"\\\\?\\usb#good", capture.devices[0]->path);
        EXPECT_EQ(L"Other", capture.devices[1]->name);
    }
    EXPECT_TRUE(IsEqualGUID(MF_DEVSOURCE_ATTRIBUTE_SOURCE_TYPE_VIDCAP_GUID, asked));
    EXPECT_EQ(0, empty->activations - empty->shutdowns) << "the empty device's source is shut down";

    const std::pair<std::vector<Common::ComPointer<TestActivate>>, HRESULT> cases[] = {
        {{good, failing}, E_ACCESSDENIED},
        {{nameless, good}, MF_E_ATTRIBUTENOTFOUND},
        {{empty}, E_UNEXPECTED},
    };
    for (const auto& testCase : cases)
    {
        EXPECT_EQ(testCase.second,
                  ErrorOf([&] { MediaFoundationVideoCapture(false, false, EnumeratorOf(testCase.first)); })
                      .ErrorCode);
    }
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
    // A subtype without a name, a rate with denominator 0.
    setup->AddType(MFVideoFormat_H265, 8, 4, 30, 0, 16, frame, 0); // 10

    auto activate = TestActivate::Create(L"Cam", L"link", setup);
    // The setup's indexes of the formats a capture kept.
    auto keptOf = [](const MediaFoundationVideoCapture& capture)
    {
        std::vector<int> kept;
        for (const auto& format : capture.devices[0]->formats)
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
        const auto& formats = capture.devices[0]->formats;
        EXPECT_EQ((std::vector<int>{2, 1, 5, 6, 7, 10}), keptOf(capture));
        // Major type, subtype, size, rate, stride, the test's index and 3 more.
        EXPECT_EQ(9u, static_cast<const MediaFoundationFrameFormat&>(*formats[0]).GetAttributeCount());
        EXPECT_EQ(L"YUY2 8x4 (29.97fps)", formats[1]->GetName());
        EXPECT_EQ(30000.0 / 1001.0, formats[1]->frameRate);
        EXPECT_EQ(L"NV12 8x4 (30fps)", formats[2]->GetName());
        EXPECT_EQ(L"Unknown 8x4 (0fps)", formats[5]->GetName());
    }
    {
        MediaFoundationVideoCapture capture(false, true, EnumeratorOf({activate}));
        EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 10}), keptOf(capture));
    }
}
