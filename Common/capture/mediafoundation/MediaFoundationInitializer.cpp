#include "Common/capture/mediafoundation/MediaFoundationInitializer.h"

#include "Common/Exception.h"

#include <mfapi.h>

namespace Common
{

MediaFoundationInitializer::MediaFoundationInitializer()
{
    ThrowIfFailed(MFStartup(MF_VERSION, MFSTARTUP_FULL));
    started_ = true;
}

MediaFoundationInitializer::~MediaFoundationInitializer()
{
    if (started_)
    {
        started_ = false;
        const HRESULT hr = MFShutdown();
        if (FAILED(hr))
        {
            OutputDebugStringW((L"MFShutdown: " + Exception::GetSystemMessage(hr)).c_str());
        }
    }
}

void MediaFoundationInitializer::Shutdown()
{
    if (started_)
    {
        started_ = false;
        ThrowIfFailed(MFShutdown());
    }
}

} // namespace Common
