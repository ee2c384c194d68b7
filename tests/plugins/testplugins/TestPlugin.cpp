// Test plug-ins: one source built into several libraries, each misbehaving
// in one way the host must survive (TEST_PLUGIN_<KIND> selects which), plus
// well-behaved processors that record what the host calls on them.
//
// Every library also exports TakeTestEvents, which hands the test the calls
// recorded so far (one per line) and forgets them; the string it fills was
// made by the test, so this also grows a host string inside a plug-in.
#include "framework/CallGuarded.h"
#include "framework/ProcessorBase.h"
#include "framework/ProcessorFactory.h"

#include <mutex>
#include <string>

using Tavix::Framework::IProcessor;
using Tavix::Framework::IProcessorFactory;

namespace
{

// Codes the tests look for.
constexpr HRESULT CreateFailure = static_cast<HRESULT>(0x80041004);
constexpr HRESULT InitializeFailure = static_cast<HRESULT>(0x80041005);
constexpr HRESULT TerminateFailure = static_cast<HRESULT>(0x80041006);
constexpr HRESULT ProcessFailure = static_cast<HRESULT>(0x80041007);

// What a plug-in throws that is not the host's: its destructor lives here.
struct PluginError
{
    std::wstring text = std::wstring(100, L'x');
};

std::mutex eventsLock;
std::wstring events; // guarded by eventsLock

void Record(const std::wstring& event) noexcept
{
    try
    {
        std::lock_guard<std::mutex> lock(eventsLock);
        events += event + L'\n';
    }
    catch (...)
    {
    }
}

// Records its life: creation, Initialize, Terminate and destruction; fails
// Initialize or Terminate with the code given (Initialize keeping the host,
// like a processor that fails half-way).
class RecordingProcessor : public Tavix::Framework::ProcessorBase
{
public:
    explicit RecordingProcessor(std::wstring name, HRESULT initializeResult = S_OK,
                                HRESULT terminateResult = S_OK)
        : name_(std::move(name)), initializeResult_(initializeResult), terminateResult_(terminateResult)
    {
        Record(name_ + L" created");
    }

    HRESULT STDMETHODCALLTYPE Initialize(Tavix::Framework::IHostServices* host) override
    {
        Record(name_ + L" Initialize");
        const HRESULT result = ProcessorBase::Initialize(host);
        return FAILED(result) ? result : initializeResult_;
    }
    HRESULT STDMETHODCALLTYPE Terminate() override
    {
        Record(name_ + L" Terminate");
        const HRESULT result = ProcessorBase::Terminate();
        return FAILED(result) ? result : terminateResult_;
    }

protected:
    ~RecordingProcessor() override { Record(name_ + L" destroyed"); }

private:
    const std::wstring name_;
    const HRESULT initializeResult_;
    const HRESULT terminateResult_;
};

// Fails or throws in Process, or dies there (an access violation in our code).
class BadProcess final : public RecordingProcessor
{
public:
    enum class Way
    {
        Fail,
        Throw,
        Crash
    };
    BadProcess(const wchar_t* name, Way way) : RecordingProcessor(name), way_(way) {}
    HRESULT STDMETHODCALLTYPE Process() override
    {
        switch (way_)
        {
        case Way::Fail:
            return ProcessFailure;
        case Way::Throw:
            throw PluginError();
        case Way::Crash:
            *static_cast<volatile int*>(nullptr) = 1;
            break;
        }
        return S_OK;
    }

private:
    const Way way_;
};

// Waits on the user in Initialize: a message box ("箱", answered by the test).
class BoxInInitialize final : public RecordingProcessor
{
public:
    BoxInInitialize() : RecordingProcessor(L"初期化で箱") {}
    HRESULT STDMETHODCALLTYPE Initialize(Tavix::Framework::IHostServices* host) override
    {
        MessageBoxW(nullptr, L"初期化中", L"箱", MB_OK);
        return RecordingProcessor::Initialize(host);
    }
};

// Writes 1,000 settings in a burst on every frame, from the capture thread:
// 10 sections of 100 keys, each key the round in [Burst] Round (one more than
// read, so every key of a round is alike).
class Burst final : public RecordingProcessor
{
public:
    Burst() : RecordingProcessor(L"千回書き込み") {}
    HRESULT STDMETHODCALLTYPE Process() override
    {
        return Tavix::Framework::CallGuarded(
            [this]
            {
                Tavix::Framework::IHostServices* host = GetHost();
                const INT32 round = host->GetProfileInt(L"Burst", L"Round", 0) + 1;
                HRESULT written = host->WriteProfileInt(L"Burst", L"Round", round);
                for (int i = 0; i < 1000 && SUCCEEDED(written); ++i)
                {
                    written = host->WriteProfileInt(L"Burst" + std::to_wstring(i / 100),
                                                    L"K" + std::to_wstring(i), round);
                }
                return written;
            });
    }
};

// Grows a string the host made: the profile text read through the host is
// extended here and written back, and the host frees what we allocated.
class StringGrower final : public RecordingProcessor
{
public:
    StringGrower() : RecordingProcessor(L"文字列") {}
    HRESULT STDMETHODCALLTYPE Initialize(Tavix::Framework::IHostServices* host) override
    {
        const HRESULT result = RecordingProcessor::Initialize(host);
        if (FAILED(result))
        {
            return result;
        }
        return Tavix::Framework::CallGuarded(
            [host]
            {
                std::wstring text = host->GetProfileString(L"TestPlugin", L"Text", L"");
                for (int i = 0; i < 200; ++i)
                {
                    text += L"伸長";
                }
                return host->WriteProfileString(L"TestPlugin", L"Text", text);
            });
    }
};

// A factory whose every call can be made to fail.
class TestFactory final : public Tavix::Framework::ProcessorFactory
{
public:
    using ProcessorFactory::ProcessorFactory;

    HRESULT STDMETHODCALLTYPE GetProcessorCount(INT32* count) override
    {
#if TEST_PLUGIN_FAILING_COUNT
        static_cast<void>(count);
        return E_FAIL;
#elif TEST_PLUGIN_THROWS_COUNT
        static_cast<void>(count);
        throw PluginError();
#elif TEST_PLUGIN_HUGE_COUNT
        *count = static_cast<INT32>(0x80000000u); // 2^31
        return S_OK;
#elif TEST_PLUGIN_ZERO
        *count = 0;
        return S_OK;
#else
        return ProcessorFactory::GetProcessorCount(count);
#endif
    }
    HRESULT STDMETHODCALLTYPE GetProcessorName(INT32 index, std::wstring& name) override
    {
#if TEST_PLUGIN_NAME_FAILS
        if (index == 1)
        {
            return E_FAIL;
        }
#endif
#if TEST_PLUGIN_THROWS_NAME
        // After growing the host's string: it is freed while unwinding.
        name.assign(500, L'x');
        throw PluginError();
#endif
#if TEST_PLUGIN_STRINGS
        if (index == 1)
        {
            // Grows the host's (empty) string step by step.
            return Tavix::Framework::CallGuarded(
                [&name]
                {
                    for (int i = 0; i < 300; ++i)
                    {
                        name.push_back(static_cast<wchar_t>(L'あ' + i % 80));
                    }
                    return S_OK;
                });
        }
#endif
        return ProcessorFactory::GetProcessorName(index, name);
    }
    HRESULT STDMETHODCALLTYPE CreateProcessor(INT32 index, IProcessor** processor) override
    {
        Record(L"factory creates " + std::to_wstring(index));
        return ProcessorFactory::CreateProcessor(index, processor);
    }
};

IProcessor* Recording(const wchar_t* name)
{
    return new RecordingProcessor(name);
}

[[maybe_unused]] std::vector<Tavix::Framework::ProcessorFactory::Entry> Entries()
{
#if TEST_PLUGIN_LIFECYCLE
    return {
        {L"記録", [] { return Recording(L"記録"); }},
        {L"作成失敗", []() -> IProcessor* { throw Common::Exception(CreateFailure); }},
        {L"初期化失敗",
         []() -> IProcessor* { return new RecordingProcessor(L"初期化失敗", InitializeFailure); }},
        {L"終了失敗",
         []() -> IProcessor* { return new RecordingProcessor(L"終了失敗", S_OK, TerminateFailure); }},
        {L"同名", [] { return Recording(L"同名 0"); }},
        {L"同名", [] { return Recording(L"同名 1"); }},
        {L"処理失敗", []() -> IProcessor* { return new BadProcess(L"処理失敗", BadProcess::Way::Fail); }},
        {L"処理例外", []() -> IProcessor* { return new BadProcess(L"処理例外", BadProcess::Way::Throw); }},
        {L"異常終了", []() -> IProcessor* { return new BadProcess(L"異常終了", BadProcess::Way::Crash); }},
        {L"初期化で箱", []() -> IProcessor* { return new BoxInInitialize; }},
        {L"千回書き込み", []() -> IProcessor* { return new Burst; }},
    };
#elif TEST_PLUGIN_STRINGS
    return {
        {std::wstring(1000, L'長'), [] { return Recording(L"長い名前"); }},
        {L"", [] { return Recording(L"伸ばした名前"); }},
        {L"文字列", []() -> IProcessor* { return new StringGrower; }},
    };
#elif TEST_PLUGIN_NAMES
    // Names the list cannot take, around one it can.
    return {
        {L"", [] { return Recording(L"空"); }},
        {L"なし", [] { return Recording(L"なし"); }},
        {L"良い", [] { return Recording(L"良い"); }},
        {L"良い", [] { return Recording(L"良い 2"); }},
        {std::wstring(2000, L'長'), [] { return Recording(L"長すぎ"); }},
        {std::wstring(L"改\n行"), [] { return Recording(L"改行"); }},
    };
#else
    return {
        {L"A0", [] { return Recording(L"A0"); }},
        {L"A1", [] { return Recording(L"A1"); }},
        {L"A2", [] { return Recording(L"A2"); }},
    };
#endif
}

} // namespace

extern "C" __declspec(dllexport) void __stdcall TakeTestEvents(std::wstring& out)
{
    std::lock_guard<std::mutex> lock(eventsLock);
    out += events;
    events.clear();
}

#if TEST_PLUGIN_OTHER_VERSION
// Built for a later contract: the host must not call anything of ours.
extern "C" __declspec(dllexport) const UINT32 TavixInterfaceVersion = Tavix::Framework::InterfaceVersion + 1;
#elif !TEST_PLUGIN_LIFECYCLE
// (The life-cycle library carries no mark: a library of today's contract.)
TAVIX_PLUGIN_INTERFACE_VERSION;
#endif

#if !TEST_PLUGIN_MISSING_EXPORT
extern "C" __declspec(dllexport) HRESULT __stdcall GetProcessorFactory(IProcessorFactory** factory)
{
#if TEST_PLUGIN_OTHER_VERSION
    // The library is gone before the test could ask it: leave a trace in the process.
    SetEnvironmentVariableW(L"TAVIX_TEST_OTHER_VERSION_CALLED", L"1");
#endif
#if TEST_PLUGIN_FAILING_FACTORY
    static_cast<void>(factory);
    return E_FAIL;
#elif TEST_PLUGIN_THROWS_FACTORY
    static_cast<void>(factory);
    throw PluginError();
#else
    return Tavix::Framework::CallGuarded(
        [factory]
        {
            *factory = new TestFactory(Entries());
            return S_OK;
        });
#endif
}
#endif
