#include "Common/capture/CaptureFailure.h"

#include <mferror.h>

namespace Common
{

namespace
{

bool IsInUse(HRESULT code)
{
    return code == MF_E_HW_MFT_FAILED_START_STREAMING || code == MF_E_VIDEO_RECORDING_DEVICE_PREEMPTED ||
           code == HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION) || code == HRESULT_FROM_WIN32(ERROR_BUSY) ||
           code == HRESULT_FROM_WIN32(ERROR_DEVICE_IN_USE);
}

bool IsRemoved(HRESULT code)
{
    return CaptureFailure::IsUnplugged(code) || code == HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED) ||
           code == HRESULT_FROM_WIN32(ERROR_GEN_FAILURE);
}

} // namespace

const wchar_t* CaptureFailure::Describe(HRESULT code)
{
    if (IsInUse(code))
    {
        return L"カメラの映像を開始できません。ほかのアプリがカメラを使っている可能性があります。"
               L"そのアプリを閉じてから、もう一度「取り込み」を押してください。";
    }
    if (code == E_ACCESSDENIED)
    {
        return L"カメラへのアクセスが拒否されました。Windows の「設定」の「プライバシーとセキュリティ」→"
               L"「カメラ」で、「カメラへのアクセス」と「デスクトップ "
               L"アプリがカメラにアクセスできるようにする」"
               L"をオンにしてから、もう一度試してください。";
    }
    if (CaptureFailure::IsUnplugged(code))
    {
        return L"カメラが取り外されました。つなぎ直してから、もう一度「取り込み」を押してください。";
    }
    if (IsRemoved(code))
    {
        return L"カメラが取り外されたか、応答しなくなりました。接続を確かめてから、もう一度「取り込み」を"
               L"押してください。";
    }
    if (code == MF_E_END_OF_STREAM)
    {
        return L"カメラが映像の送出を終えました。もう一度「取り込み」を押してください。";
    }
    return nullptr;
}

Exception CaptureFailure::Make(HRESULT code, const wchar_t* fallback, std::source_location where)
{
    Exception error(code, where);
    if (const wchar_t* text = Describe(code))
    {
        error.Message = text;
    }
    else if (fallback != nullptr)
    {
        std::wstring system = error.Message;
        while (!system.empty() && (system.back() == L'\r' || system.back() == L'\n' || system.back() == L' '))
        {
            system.pop_back();
        }
        error.Message = std::wstring(fallback) + L"（" + system + L"）";
    }
    return error;
}

bool CaptureFailure::IsUnplugged(HRESULT code)
{
    return code == MF_E_VIDEO_RECORDING_DEVICE_INVALIDATED ||
           code == HRESULT_FROM_WIN32(ERROR_DEVICE_REMOVED);
}

bool CaptureFailure::IsDeviceGone(HRESULT code)
{
    return code == MF_E_SHUTDOWN || IsRemoved(code);
}

} // namespace Common
