#include "Common/capture/mediafoundation/MediaFoundationInitializer.h"

#include "Common/Exception.h"
#include "Common/capture/mediafoundation/MediaFoundationLibraries.h"
#include "Common/capture/mediafoundation/MediaFoundationReaderRelease.h"

#include <mfapi.h>

namespace Common
{

MediaFoundationInitializer::MediaFoundationInitializer(bool required)
{
    if (!MediaFoundationLibraries::AreAvailable())
    {
        if (required)
        {
            Exception error(MissingText());
            error.ErrorCode = HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
            throw error;
        }
        return;
    }
    ThrowIfFailed(MFStartup(MF_VERSION, MFSTARTUP_FULL));
    started_ = true;
}

const wchar_t* MediaFoundationInitializer::MissingText()
{
    return L"この Windows には Media Foundation（メディア機能）がありません。N エディションの Windows では"
           L"「メディア機能パック」を追加してください。DirectShow で取り込むには、設定ファイルの"
           L"[Application] に CaptureApiFamily=1 と書いてください。";
}

MediaFoundationInitializer::~MediaFoundationInitializer()
{
    if (started_)
    {
        started_ = false;
        // Readers still on their way out must be gone before the platform.
        MediaFoundationReaderRelease::WaitForAll(MediaFoundationReaderRelease::flushTimeoutMilliseconds);
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
        MediaFoundationReaderRelease::WaitForAll(MediaFoundationReaderRelease::flushTimeoutMilliseconds);
        ThrowIfFailed(MFShutdown());
    }
}

} // namespace Common
