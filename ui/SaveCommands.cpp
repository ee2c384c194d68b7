#include "ui/SaveCommands.h"

#include "Common/ui/ErrorReporter.h"
#include "app/MainModel.h"
#include "app/SaveFormats.h"
#include "ui/SaveDialogs.h"

#include <optional>

namespace TavixCapture
{

void SnapCommand(MainModel& model, HWND owner) noexcept
{
    try
    {
        const std::int32_t format = model.GetFileFormat();
        CheckFileFormat(format);
        Common::FrameBuffer copy;
        model.GetCurrentDevice().CopyLatestFrame(copy);
        if (IsMovieFormat(format) || model.GetIsRecording())
        {
            model.SaveFrame(copy, L"");
            return;
        }
        const StillFormat& still = GetStillFormat(format);
        if (const std::optional<std::wstring> path =
                AskSaveFileName(owner, still.filter, still.defaultExtension))
        {
            model.SaveFrame(copy, *path);
        }
    }
    catch (...)
    {
        Common::Mfc::ErrorReporter::ShowNow(Common::Mfc::ErrorReporter::UserAction::Snap, owner,
                                            std::current_exception());
    }
}

void RecordCommand(MainModel& model, HWND owner) noexcept
{
    try
    {
        if (model.GetIsRecording())
        {
            model.StopRecording();
            return;
        }
        const std::int32_t format = model.GetFileFormat();
        CheckFileFormat(format);
        std::optional<std::wstring> path;
        if (IsMovieFormat(format))
        {
            const MovieKind& kind = GetMovieKind(format - FirstMovieFormat);
            path = AskSaveFileName(owner, kind.filter, kind.defaultExtension);
        }
        else
        {
            path = AskOutputFolder(owner);
        }
        if (path)
        {
            model.StartRecording(*path);
        }
    }
    catch (...)
    {
        Common::Mfc::ErrorReporter::ShowNow(Common::Mfc::ErrorReporter::UserAction::Record, owner,
                                            std::current_exception());
    }
}

} // namespace TavixCapture
