// The objects on both sides of the boundary: reference counts, the answers
// of QueryInterface, ProcessorBase's defaults and the program's host services.
#include "FakeHost.h"
#include "PluginFixture.h"

#include "Common/ComPointer.h"
#include "Common/TextHelpers.h"
#include "Common/UniqueHandle.h"
#include "app/HostServices.h"
#include "framework/ProcessorBase.h"

namespace
{
class PlainProcessor final : public Tavix::Framework::ProcessorBase
{
};

// Checks the three QueryInterface answers of `object`, whose own interface is `own`.
void ExpectQueryInterfaceAnswers(IUnknown* object, REFIID own)
{
    EXPECT_EQ(object->QueryInterface(IID_IUnknown, nullptr), E_POINTER);

    void* other = reinterpret_cast<void*>(1);
    EXPECT_EQ(object->QueryInterface(IID_IClassFactory, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);

    const ULONG before = object->AddRef() - 1;
    object->Release();
    void* unknown = nullptr;
    ASSERT_EQ(object->QueryInterface(IID_IUnknown, &unknown), S_OK);
    EXPECT_EQ(object->AddRef(), before + 2) << "QueryInterface adds one reference";
    object->Release();
    static_cast<IUnknown*>(unknown)->Release();

    void* self = nullptr;
    ASSERT_EQ(object->QueryInterface(own, &self), S_OK);
    EXPECT_EQ(self, unknown) << "one object behind both interfaces";
    static_cast<IUnknown*>(self)->Release();
}
} // namespace

TEST(ProcessorBase, AnswersItsInterfacesAndCountsReferences)
{
    auto* processor = new PlainProcessor;
    ExpectQueryInterfaceAnswers(processor, Tavix::Framework::IID_IProcessor);
    EXPECT_EQ(processor->AddRef(), 2u);
    EXPECT_EQ(processor->Release(), 1u);
    EXPECT_EQ(processor->Release(), 0u);
}

TEST(ProcessorBase, KeepsOneReferenceToItsHostUntilTerminate)
{
    FakeHost host;
    FakeHost other;
    {
        Common::ComPointer<Tavix::Framework::IProcessor> processor;
        processor.Attach(new PlainProcessor);
        EXPECT_EQ(processor->Initialize(nullptr), E_POINTER);
        EXPECT_EQ(processor->Initialize(&host), S_OK);
        EXPECT_EQ(host.references, 1u);
        EXPECT_EQ(processor->Initialize(&host), S_OK);
        EXPECT_EQ(host.references, 1u) << "the same host again changes nothing";
        EXPECT_EQ(processor->Initialize(&other), S_OK);
        EXPECT_EQ(host.references, 0u);
        EXPECT_EQ(other.references, 1u);
        EXPECT_EQ(processor->Terminate(), S_OK);
        EXPECT_EQ(other.references, 0u);
        EXPECT_EQ(processor->Initialize(&host), S_OK);
    }
    EXPECT_EQ(host.references, 0u) << "a processor released without Terminate lets its host go";
}

TEST(ProcessorBase, DefaultsShowTheHostsFrameOfferNoPageAndClaimNoMouse)
{
    FakeHost host;
    Common::ComPointer<Tavix::Framework::IProcessor> processor;
    processor.Attach(new PlainProcessor);
    ASSERT_EQ(processor->Initialize(&host), S_OK);
    EXPECT_EQ(processor->GetOutputImage(), &host.frame);

    Common::Mfc::Window* page = reinterpret_cast<Common::Mfc::Window*>(1);
    EXPECT_EQ(processor->CreatePage(nullptr, nullptr), E_POINTER);
    EXPECT_EQ(processor->CreatePage(nullptr, &page), S_OK);
    EXPECT_EQ(page, nullptr);

    bool capture = true;
    const D2D1_POINT_2F point = {-1.5f, 2.25f};
    EXPECT_EQ(processor->OnLButtonDown(MK_LBUTTON, &point, &capture), S_OK);
    EXPECT_FALSE(capture);
    EXPECT_EQ(processor->Process(), S_OK);
    EXPECT_EQ(processor->Terminate(), S_OK);
    EXPECT_EQ(processor->GetOutputImage(), nullptr) << "no host, no image";
}

TEST_F(PluginTest, HostServicesAnswerTheirInterfacesAndGiveTheProgramFolder)
{
    const auto model = MakeModel();
    Common::ComPointer<Tavix::Framework::IHostServices> host;
    host.Attach(new TavixCapture::HostServices(Common::GetDirectoryPart(L"C:\\Tools\\TavixCapture.exe"),
                                               *model, profile));
    ExpectQueryInterfaceAnswers(host.Get(), Tavix::Framework::IID_IHostServices);
    EXPECT_EQ(host->GetDirectory(), L"C:\\Tools\\");
    EXPECT_EQ(host->GetFrame(), &camera->frame);
}

TEST_F(PluginTest, HostServicesReadAndWriteTheConfigurationFile)
{
    const auto model = MakeModel();
    Common::ComPointer<Tavix::Framework::IHostServices> host;
    host.Attach(new TavixCapture::HostServices(folder.Path(), *model, profile));

    EXPECT_EQ(host->GetProfileInt(L"二値化", L"Threshold", 128), 128);
    EXPECT_EQ(host->GetProfileString(L"二値化", L"Mode", L"既定"), L"既定");
    EXPECT_EQ(host->WriteProfileInt(L"二値化", L"Threshold", -77), S_OK);
    EXPECT_EQ(host->WriteProfileString(L"二値化", L"Mode", L"反転"), S_OK);
    EXPECT_EQ(host->GetProfileInt(L"二値化", L"Threshold", 128), -77);
    EXPECT_EQ(host->GetProfileString(L"二値化", L"Mode", L""), L"反転");
    EXPECT_EQ(profile.ReadInt(L"二値化", L"Threshold", 0), -77) << "the program's own file";

    // A file the program may not write. (A read-only attribute alone does
    // not stop Wine when it runs as root; a file held open without write
    // sharing stops every process.)
    {
        const Common::UniqueHandle held(CreateFileW(profile.GetPath().c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held.IsValid());
        EXPECT_EQ(host->WriteProfileInt(L"二値化", L"Threshold", 5), static_cast<HRESULT>(0x80004005));
        EXPECT_EQ(host->WriteProfileString(L"二値化", L"Mode", L"x"), E_FAIL);
    }
    EXPECT_EQ(host->GetProfileInt(L"二値化", L"Threshold", 128), -77) << "nothing else changed";
    EXPECT_EQ(host->GetProfileString(L"二値化", L"Mode", L""), L"反転");
}

TEST_F(PluginTest, HostServicesAskThePreviewToRefetchOrRepaint)
{
    const auto model = MakeModel();
    Listen(*model);
    Common::ComPointer<Tavix::Framework::IHostServices> host;
    host.Attach(new TavixCapture::HostServices(folder.Path(), *model, profile));

    EXPECT_EQ(host->UpdateFrame(), S_OK);
    EXPECT_EQ(window.Drain(), std::vector<int>{3});

    EXPECT_EQ(host->Redraw(), S_OK) << "no preview yet";
    const HWND preview = CreateWindowExW(0, L"STATIC", L"preview", WS_POPUP | WS_VISIBLE, 0, 0, 50, 40,
                                         nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(preview, nullptr);
    ASSERT_TRUE(ValidateRect(preview, nullptr));
    model->SetPreviewWindow(preview);
    EXPECT_EQ(host->Redraw(), S_OK);
    RECT dirty = {};
    EXPECT_TRUE(GetUpdateRect(preview, &dirty, FALSE));
    EXPECT_EQ(dirty.right - dirty.left, 50);
    model->SetPreviewWindow(nullptr);
    EXPECT_TRUE(DestroyWindow(preview));
    EXPECT_EQ(host->Redraw(), S_OK);
}
