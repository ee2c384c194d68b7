#include "ui/SaveDialogs.h"

#include "Common/ComPointer.h"
#include "Common/Exception.h"
#include "Common/TaskMemory.h"

#include <commdlg.h>
#include <shlobj.h>

#include <vector>

namespace TavixCapture
{

namespace
{
// The dialog's filter form: "text|pattern||" with "|" turned into NUL.
std::wstring ToDialogFilter(const wchar_t* filter)
{
    std::wstring text = filter;
    for (wchar_t& c : text)
    {
        if (c == L'|')
        {
            c = L'\0';
        }
    }
    return text;
}
} // namespace

std::optional<std::wstring> AskSaveFileName(HWND owner, const wchar_t* filter,
                                            const wchar_t* defaultExtension)
{
    // Without a hook or a template the platform shows its current dialog.
    const std::wstring filters = ToDialogFilter(filter);
    std::vector<wchar_t> name(32768, L'\0');
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filters.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = name.data();
    dialog.nMaxFile = static_cast<DWORD>(name.size());
    dialog.lpstrDefExt = defaultExtension;
    // The process's current folder stays where it was (relative paths of
    // plug-ins and the platform must not follow the user's choice).
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_EXPLORER | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameW(&dialog))
    {
        const DWORD error = CommDlgExtendedError();
        if (error == 0)
        {
            return std::nullopt; // cancelled
        }
        throw Common::Exception(static_cast<HRESULT>(E_FAIL));
    }
    return std::wstring(name.data());
}

std::optional<std::wstring> AskOutputFolder(HWND owner)
{
    BROWSEINFOW browse = {};
    browse.hwndOwner = owner;
    browse.lpszTitle = L"出力先フォルダーの選択";
    browse.ulFlags = BIF_RETURNONLYFSDIRS;
    const Common::TaskMemory<ITEMIDLIST> items(SHBrowseForFolderW(&browse));
    if (!items)
    {
        return std::nullopt;
    }
    wchar_t path[MAX_PATH] = {};
    if (!SHGetPathFromIDListW(items.get(), path))
    {
        return std::nullopt;
    }
    return std::wstring(path);
}

} // namespace TavixCapture
