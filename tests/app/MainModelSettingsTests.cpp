// Section "Settings": what a model restores when built and saves when destroyed.
#include "ModelFixture.h"

#include <functional>
#include <string>

namespace
{
constexpr wchar_t S[] = L"Settings";
}

TEST_F(ModelTest, WithoutSettingsTheModelStartsOnTheFirstFormatAndTheSettingsRoundTrip)
{
    {
        auto model = MakeModel();
        EXPECT_EQ(model->GetCurrentDeviceIndex(), 0);
        EXPECT_EQ(model->GetCurrentDevice().GetSelectedFormatIndex(), 0);
        EXPECT_EQ(model->GetMarkerPosition().x, 320) << "in the middle";
        EXPECT_FALSE(model->GetCurrentDevice().IsOpened()) << "capture never starts by itself";
        std::vector<std::uint32_t> row, column;
        model->CopyProfiles(row, column);
        EXPECT_EQ(row.size(), 640u);
        EXPECT_EQ(column.size(), 480u);
        EXPECT_EQ(row.front(), 0xFF000000u);

        model->SelectDevice(1);
        model->SetViewRatio(250);
        model->SetIsMarkerVisible(true);
        model->SetMarkerPosition(10, 20);
        model->SetMarkerColor(0x00123456);
        model->SetIsProfileVisible(true);
        model->SetIsSidePaneVisible(true);
        model->SetControlPanelPage(1);
        model->SetIsStatusBarVisible(false);
        model->SetSaveTarget(1);
        model->SetFileFormat(4);
        model->SetMovieBitRate(-12);
    }
    EXPECT_EQ(profile.ReadString(S, L"CaptureDeviceName", L""), L"\\\\?\\cam1");
    EXPECT_EQ(profile.ReadString(S, L"FrameFormatName", L""), L"NV12 160x120 (15fps)");
    EXPECT_EQ(profile.ReadInt(S, L"MarkerPositionX", 0), 10);

    auto model = MakeModel();
    EXPECT_EQ(model->GetCurrentDeviceIndex(), 1);
    EXPECT_EQ(model->GetViewRatio(), 250);
    EXPECT_TRUE(model->GetIsMarkerVisible());
    EXPECT_EQ(model->GetMarkerPosition().x, 10);
    EXPECT_EQ(model->GetMarkerPosition().y, 20);
    EXPECT_EQ(model->GetMarkerColor(), 0x00123456u);
    EXPECT_TRUE(model->GetIsProfileVisible());
    EXPECT_TRUE(model->GetIsSidePaneVisible());
    EXPECT_EQ(model->GetControlPanelPage(), 0) << "the page is saved only when plug-in processors exist";
    EXPECT_FALSE(model->GetIsStatusBarVisible());
    EXPECT_EQ(model->GetSaveTarget(), 1);
    EXPECT_EQ(model->GetFileFormat(), 4);
    EXPECT_EQ(model->GetMovieBitRate(), 100) << "the least bit rate the panel offers";
}

// A value the program cannot use is read as the one it then uses (the
// nearest on a scale, the default for a choice), and saved so.
TEST_F(ModelTest, ValuesOutOfRangeAreReadAsTheProgramUsesThemAndSavedSo)
{
    const struct
    {
        const wchar_t* key;
        const wchar_t* stored;
        int used;
        std::function<int(const TavixCapture::MainModel&)> value;
    } cases[] = {
        {L"SaveTarget", L"5", 0, [](const auto& m) { return m.GetSaveTarget(); }},
        {L"SaveTarget", L"1", 1, [](const auto& m) { return m.GetSaveTarget(); }},
        {L"FileFormat", L"99", 0, [](const auto& m) { return m.GetFileFormat(); }},
        {L"FileFormat", L"-1", 0, [](const auto& m) { return m.GetFileFormat(); }},
        {L"FileFormat", L"6", 6, [](const auto& m) { return m.GetFileFormat(); }},
        {L"MarkerColor", L"-1", 0x00FF00, [](const auto& m) { return static_cast<int>(m.GetMarkerColor()); }},
        {L"MarkerColor", L"16777215", 0xFFFFFF,
         [](const auto& m) { return static_cast<int>(m.GetMarkerColor()); }},
        {L"MovieBitRate", L"50", 100, [](const auto& m) { return m.GetMovieBitRate(); }},
        {L"MovieBitRate", L"30000", 20000, [](const auto& m) { return m.GetMovieBitRate(); }},
        {L"ControlPanelPage", L"7", 0, [](const auto& m) { return m.GetControlPanelPage(); }},
        {L"ViewRatio", L"5", 10, [](const auto& m) { return m.GetViewRatio(); }},
        {L"ViewRatio", L"-3", 10, [](const auto& m) { return m.GetViewRatio(); }},
        {L"ViewRatio", L"5000", 1000, [](const auto& m) { return m.GetViewRatio(); }},
        {L"ViewRatio", L"11", 11, [](const auto& m) { return m.GetViewRatio(); }},
    };
    for (const auto& entry : cases)
    {
        SCOPED_TRACE(testing::PrintToString(std::wstring(entry.key) + L"=" + entry.stored));
        ASSERT_TRUE(profile.WriteString(S, entry.key, entry.stored));
        {
            auto model = MakeModel();
            EXPECT_EQ(entry.value(*model), entry.used);
        }
        if (std::wstring(entry.key) != L"ControlPanelPage") // kept as stored without plug-ins
        {
            EXPECT_EQ(profile.ReadInt(S, entry.key, -2), entry.used) << "saved as used";
        }
    }
    const auto model = MakeModel();
    model->SetViewRatio(0);
    EXPECT_EQ(model->GetViewRatio(), 10) << "set, the ratio is bounded too";
}

TEST_F(ModelTest, WithOnlyTheBuiltInProcessorItsNameAndPageAreLeftAsStored)
{
    ASSERT_TRUE(profile.WriteString(S, L"ProcessorName", L"二値化"));
    ASSERT_TRUE(profile.WriteInt(S, L"ControlPanelPage", 1));
    {
        auto model = MakeModel();
        EXPECT_EQ(model->GetCurrentProcessorIndex(), 0) << "an unknown processor name selects なし";
        EXPECT_EQ(model->GetControlPanelPage(), 1);
        model->SetControlPanelPage(0);
    }
    EXPECT_EQ(profile.ReadString(S, L"ProcessorName", L""), L"二値化");
    EXPECT_EQ(profile.ReadInt(S, L"ControlPanelPage", -1), 1);
    EXPECT_EQ(profile.ReadInt(S, L"ViewRatio", -1), 100) << "the other keys are written";
}

TEST_F(ModelTest, AFailedWriteOnCloseKeepsTheWholeEarlierFileWithoutEndingTheProgram)
{
    ASSERT_TRUE(profile.WriteInt(S, L"ViewRatio", 200));
    const std::string before = TestSupport::ReadFileBytes(profile.GetPath());
    const FailingProfile failing(profile.GetPath(), L"MarkerPositionY");
    {
        TavixCapture::MainModel model(failing, Factory(), 0, true, false, folder.Path());
        model.SetViewRatio(300);
        // Destruction saves every key; a failure escaping it would end the test process.
    }
    EXPECT_EQ(TestSupport::ReadFileBytes(profile.GetPath()), before)
        << "no key of the failed save is written";
}

TEST_F(ModelTest, NoDeviceOrNoFormatEndsConstruction)
{
    const auto expectNoDevice = [this](TavixCapture::CaptureBackendFactory factory)
    {
        try
        {
            TavixCapture::MainModel model(profile, factory, 0, true, false, folder.Path());
            ADD_FAILURE() << "a model without a usable device was built";
        }
        catch (const Common::Exception& error)
        {
            EXPECT_EQ(error.Message, L"キャプチャーデバイスがありません。");
            EXPECT_EQ(error.ErrorCode, E_UNEXPECTED);
        }
    };
    expectNoDevice([](std::int32_t, bool, bool) { return std::make_unique<Common::VideoCapture>(); });
    auto empty = std::make_shared<TestSupport::FakeDevice>(L"none", L"p",
                                                           std::initializer_list<TestSupport::FormatInfo>{});
    expectNoDevice([empty](std::int32_t, bool, bool) { return TestSupport::MakeCapture({empty}); });
}
