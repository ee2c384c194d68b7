// The objects on both sides of the boundary: reference counts, the answers
// of QueryInterface, and the program's host services.
#include "PluginFixture.h"

#include "Common/ComPointer.h"
#include "Common/UniqueHandle.h"
#include "app/HostServices.h"
#include "framework/ProcessorBase.h"

#include <atomic>
#include <thread>

namespace
{
class PlainProcessor final : public Tavix::Framework::ProcessorBase
{
};

ULONG CountOf(IUnknown* object)
{
    object->AddRef();
    return object->Release();
}

// Checks the three QueryInterface answers of `object`, whose own interface is `own`.
void ExpectQueryInterfaceAnswers(IUnknown* object, REFIID own)
{
    EXPECT_EQ(object->QueryInterface(IID_IUnknown, nullptr), E_POINTER);

    void* other = reinterpret_cast<void*>(1);
    EXPECT_EQ(object->QueryInterface(IID_IClassFactory, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);

    const ULONG before = CountOf(object);
    void* unknown = nullptr;
    ASSERT_EQ(object->QueryInterface(IID_IUnknown, &unknown), S_OK);
    EXPECT_EQ(CountOf(object), before + 1) << "QueryInterface adds one reference";
    static_cast<IUnknown*>(unknown)->Release();

    void* self = nullptr;
    ASSERT_EQ(object->QueryInterface(own, &self), S_OK);
    EXPECT_EQ(self, unknown) << "one object behind both interfaces";
    static_cast<IUnknown*>(self)->Release();
}

// Host services of a model over the fake cameras, made the way the model makes its own.
class HostTest : public PluginTest
{
protected:
    Common::ComPointer<Tavix::Framework::IHostServices> MakeHost()
    {
        Common::ComPointer<Tavix::Framework::IHostServices> host;
        host.Attach(new TavixCapture::HostServices(folder.Path(), *model, profile));
        return host;
    }

    static TavixCapture::HostServices&
    Services(const Common::ComPointer<Tavix::Framework::IHostServices>& host)
    {
        return *static_cast<TavixCapture::HostServices*>(host.Get());
    }

    std::unique_ptr<TavixCapture::MainModel> model = MakeModel();
};
} // namespace

TEST_F(HostTest, AProcessorAnswersItsInterfacesAndKeepsOneReferenceToItsHostUntilTerminate)
{
    const auto host = MakeHost();
    const auto other = MakeHost();
    {
        Common::ComPointer<Tavix::Framework::IProcessor> processor;
        processor.Attach(new PlainProcessor);
        ExpectQueryInterfaceAnswers(processor.Get(), Tavix::Framework::IID_IProcessor);
        EXPECT_EQ(CountOf(processor.Get()), 1u);
        EXPECT_EQ(processor->Initialize(nullptr), E_POINTER);
        EXPECT_EQ(processor->Initialize(host.Get()), S_OK);
        EXPECT_EQ(CountOf(host.Get()), 2u);
        EXPECT_EQ(processor->Initialize(host.Get()), S_OK);
        EXPECT_EQ(CountOf(host.Get()), 2u) << "the same host again changes nothing";
        EXPECT_EQ(processor->Initialize(other.Get()), S_OK);
        EXPECT_EQ(CountOf(host.Get()), 1u);
        EXPECT_EQ(CountOf(other.Get()), 2u);
        EXPECT_EQ(processor->Terminate(), S_OK);
        EXPECT_EQ(CountOf(other.Get()), 1u);
        EXPECT_EQ(processor->GetOutputImage(), nullptr) << "no host, no image";
        EXPECT_EQ(processor->Initialize(host.Get()), S_OK);
    }
    EXPECT_EQ(CountOf(host.Get()), 1u) << "a processor released without Terminate lets its host go";
}

TEST_F(HostTest, HostServicesAnswerTheirInterfacesGiveTheFrameAndReadAndWriteTheConfigurationFile)
{
    const auto host = MakeHost();
    ExpectQueryInterfaceAnswers(host.Get(), Tavix::Framework::IID_IHostServices);
    EXPECT_EQ(host->GetFrame(), &cam0->GetProcessingFrame());
    EXPECT_EQ(host->GetProfileInt(L"二値化", L"Threshold", 128), 128);
    EXPECT_EQ(host->GetProfileString(L"二値化", L"Mode", L"既定"), L"既定");
    EXPECT_EQ(host->WriteProfileInt(L"二値化", L"Threshold", -77), S_OK);
    EXPECT_EQ(host->WriteProfileString(L"二値化", L"Mode", L"反転"), S_OK);
    EXPECT_EQ(host->GetProfileInt(L"二値化", L"Threshold", 128), -77);
    EXPECT_EQ(host->GetProfileString(L"二値化", L"Mode", L""), L"反転");
    EXPECT_EQ(profile.ReadInt(L"二値化", L"Threshold", 0), 0) << "in the batch until it is flushed";
    EXPECT_TRUE(Services(host).Flush());
    EXPECT_EQ(profile.ReadInt(L"二値化", L"Threshold", 0), -77) << "the program's own file";

    // A file the program may not write. (A read-only attribute alone does
    // not stop Wine when it runs as root; a file held open without write
    // sharing stops every process.)
    {
        const Common::UniqueHandle held(CreateFileW(profile.GetPath().c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held.IsValid());
        EXPECT_EQ(host->WriteProfileInt(L"二値化", L"Threshold", 5), E_FAIL);
        EXPECT_EQ(host->WriteProfileString(L"二値化", L"Mode", L"x"), E_FAIL);
    }
    EXPECT_EQ(host->GetProfileInt(L"二値化", L"Threshold", 128), -77) << "nothing else changed";
    EXPECT_EQ(host->GetProfileString(L"二値化", L"Mode", L""), L"反転");
}

TEST_F(HostTest, HostServicesAskThePreviewToRefetchAndToRepaint)
{
    Listen(*model);
    const auto host = MakeHost();
    EXPECT_EQ(host->UpdateFrame(), S_OK);
    EXPECT_EQ(window.Drain(), Ids{TavixCapture::PropertyId::Frame});
    EXPECT_EQ(host->Redraw(), S_OK) << "no preview: nothing to repaint";

    // A processor's drawing shows at once, even while no frame arrives.
    const HWND preview = CreateWindowExW(0, L"STATIC", L"preview", WS_POPUP | WS_VISIBLE, 0, 0, 50, 40,
                                         nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(preview, nullptr);
    model->SetPreviewWindow(preview);
    ValidateRect(preview, nullptr);
    EXPECT_EQ(host->Redraw(), S_OK);
    EXPECT_TRUE(GetUpdateRect(preview, nullptr, FALSE));
    model->SetPreviewWindow(nullptr);
    DestroyWindow(preview);
}

TEST_F(HostTest, APluginWritingFromItsOwnThreadWhileTheProgramSavesLosesNothingAndLeavesNoStrayCopy)
{
    const auto host = MakeHost();
    std::atomic<bool> stop = false;
    std::atomic<int> last = -1;
    std::thread plugin(
        [&]
        {
            for (int i = 0; !stop; ++i)
            {
                ASSERT_EQ(host->WriteProfileInt(L"Worker", L"Count", i), S_OK);
                last = i;
                if (i % 8 == 0)
                {
                    Services(host).Flush(); // as the quiet-time timer does, on its thread
                }
            }
        });
    // The program saves a section of ten keys as one change, again and again.
    for (int save = 0; save < 40; ++save)
    {
        TavixCapture::IniProfile::Transaction transaction(profile);
        for (int key = 0; key < 10; ++key)
        {
            ASSERT_TRUE(profile.WriteInt(L"MainWindow", (L"Key" + std::to_wstring(key)).c_str(), save));
        }
        ASSERT_TRUE(transaction.Commit());
    }
    stop = true;
    plugin.join();
    Services(host).Shutdown();

    for (int key = 0; key < 10; ++key)
    {
        EXPECT_EQ(profile.ReadInt(L"MainWindow", (L"Key" + std::to_wstring(key)).c_str(), -1), 39) << key;
    }
    EXPECT_EQ(profile.ReadInt(L"Worker", L"Count", -1), last.load());
    for (const std::wstring& name : folder.Names())
    {
        EXPECT_EQ(name.find(L"~ini"), std::wstring::npos) << testing::PrintToString(name);
    }
    EXPECT_EQ(host->WriteProfileInt(L"Worker", L"Count", 0), E_FAIL) << "nothing is written after the end";
}
