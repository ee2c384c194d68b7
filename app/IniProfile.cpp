#include "app/IniProfile.h"

#include "Common/Exception.h"
#include "Common/TextHelpers.h"
#include "Common/UniqueHandle.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <iterator>
#include <limits>
#include <optional>

namespace TavixCapture
{

namespace
{

// The copy is named "~ini" + four hexadecimal digits + ".tmp" in the file's folder.
constexpr std::size_t CopyNameLength = 12;

// Writes all of `size` bytes; false on any failure.
bool WriteAll(HANDLE file, const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (size > 0)
    {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 20));
        if (!WriteFile(file, bytes, chunk, &written, nullptr) || written == 0)
        {
            return false;
        }
        bytes += written;
        size -= written;
    }
    return true;
}

// The whole content of an existing file; nothing when it cannot be read.
std::optional<std::string> ReadAll(const std::wstring& path)
{
    const Common::UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
    {
        return std::nullopt;
    }
    std::string content;
    char buffer[16384];
    for (;;)
    {
        DWORD read = 0;
        if (!ReadFile(file.Get(), buffer, sizeof(buffer), &read, nullptr))
        {
            return std::nullopt;
        }
        if (read == 0)
        {
            return content;
        }
        content.append(buffer, read);
    }
}

} // namespace

IniProfile::IniProfile(std::wstring path) : path_(std::move(path))
{
    // The profile functions take no path of MAX_PATH characters or more: they
    // would fail on every call, and the program would run on defaults
    // without a word. The copy written while saving must fit as well.
    const std::size_t longest =
        std::max(path_.size(), Common::GetDirectoryPart(path_).size() + CopyNameLength);
    if (longest >= MAX_PATH)
    {
        throw Common::Exception(L"INIファイルを設定できませんでした。\nパスが長すぎます（" +
                                std::to_wstring(path_.size()) + L" 文字）: " + path_);
    }
}

IniProfile::~IniProfile() = default;

IniProfile::Transaction::Transaction(const IniProfile& profile) : profile_(profile), lock_(profile.lock_)
{
    profile_.Begin();
}

IniProfile::Transaction::~Transaction()
{
    if (!ended_)
    {
        static_cast<void>(profile_.End(false));
    }
}

bool IniProfile::Transaction::Commit()
{
    if (ended_)
    {
        return false;
    }
    ended_ = true;
    return profile_.End(true);
}

std::int32_t IniProfile::ReadInt(const wchar_t* section, const wchar_t* key, std::int32_t defaultValue) const
{
    // Read as text so that negative values and a missing key are told apart
    // from zero; the platform's integer reader cannot do either.
    return ParseInt(ReadString(section, key, std::wstring()), defaultValue);
}

std::int32_t IniProfile::ParseInt(const std::wstring& text, std::int32_t defaultValue)
{
    std::size_t i = 0;
    while (i < text.size() && std::iswspace(text[i]))
    {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+'))
    {
        negative = text[i] == L'-';
        ++i;
    }
    if (i >= text.size() || text[i] < L'0' || text[i] > L'9')
    {
        return defaultValue;
    }
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i)
    {
        value = value * 10 + (text[i] - L'0');
        if (value > std::int64_t{1} << 32)
        {
            break; // far out of range already; clamped below
        }
    }
    if (negative)
    {
        value = -value;
    }
    constexpr auto low = std::numeric_limits<std::int32_t>::min();
    constexpr auto high = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(value < low ? low : value > high ? high : value);
}

std::wstring IniProfile::ReadString(const wchar_t* section, const wchar_t* key,
                                    const std::wstring& defaultValue) const
{
    Common::AutoLock lock(lock_);
    const std::wstring& file = copy_.empty() ? path_ : copy_;
    std::wstring buffer(4096, L'\0');
    for (;;)
    {
        const DWORD length = GetPrivateProfileStringW(section, key, defaultValue.c_str(), buffer.data(),
                                                      static_cast<DWORD>(buffer.size()), file.c_str());
        if (length + 1 < buffer.size())
        {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

bool IniProfile::WriteInt(const wchar_t* section, const wchar_t* key, std::int32_t value) const
{
    return WriteString(section, key, Common::ToDecimalText(value));
}

bool IniProfile::WriteString(const wchar_t* section, const wchar_t* key, const std::wstring& value) const
{
    Transaction transaction(*this);
    if (copy_.empty() || !WriteValue(copy_, section, key, value))
    {
        failed_ = true;
        return false;
    }
    return transaction.Commit();
}

bool IniProfile::CanWrite() const
{
    // Under the lock: the file is not being replaced by another thread.
    Common::AutoLock lock(lock_);
    const DWORD attributes = GetFileAttributesW(path_.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
    {
        return true; // made by the first write
    }
    if ((attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0)
    {
        return false;
    }
    const Common::UniqueHandle file(CreateFileW(path_.c_str(), GENERIC_WRITE,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(file);
}

bool IniProfile::WriteValue(const std::wstring& file, const wchar_t* section, const wchar_t* key,
                            const std::wstring& value) const
{
    return WritePrivateProfileStringW(section, key, value.c_str(), file.c_str()) != FALSE;
}

void IniProfile::Begin() const
{
    if (depth_++ > 0)
    {
        return;
    }
    failed_ = false;
    copy_ = CreateCopy();
}

bool IniProfile::End(bool commit) const
{
    if (!commit)
    {
        failed_ = true;
    }
    if (--depth_ > 0)
    {
        return !failed_;
    }
    const bool replaced = !failed_ && !copy_.empty() && ReplaceWithCopy();
    if (!replaced && !copy_.empty())
    {
        // Nothing to do if it fails: a stray copy beside the file harms nothing.
        static_cast<void>(DeleteFileW(copy_.c_str()));
    }
    copy_.clear();
    failed_ = false;
    return replaced;
}

std::wstring IniProfile::CreateCopy() const
{
    const DWORD attributes = GetFileAttributesW(path_.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0)
    {
        return std::wstring(); // the file must not be changed
    }
    std::string content;
    if (exists)
    {
        auto existing = ReadAll(path_);
        if (!existing)
        {
            return std::wstring();
        }
        content = std::move(*existing);
    }
    if (content.empty())
    {
        // The profile functions write a new or empty file in the ANSI code
        // page, which loses every character outside it (a Japanese processor
        // name on a Western system). A file that starts with the UTF-16 byte
        // order mark is kept in UTF-16, so such a file is started with one.
        content = "\xFF\xFE";
    }

    const std::wstring folder = Common::GetDirectoryPart(path_);
    const auto seed = static_cast<unsigned>(GetTickCount64()) ^ (GetCurrentProcessId() << 4);
    for (unsigned attempt = 0; attempt < 256; ++attempt)
    {
        wchar_t name[CopyNameLength + 1] = {};
        swprintf(name, std::size(name), L"~ini%04x.tmp", (seed + attempt * 7919u) & 0xFFFFu);
        std::wstring copy = folder + name;
        Common::UniqueHandle file(
            CreateFileW(copy.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
        {
            if (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS)
            {
                continue;
            }
            return std::wstring();
        }
        const bool written = WriteAll(file.Get(), content.data(), content.size());
        file.Reset();
        if (!written)
        {
            static_cast<void>(DeleteFileW(copy.c_str()));
            return std::wstring();
        }
        return copy;
    }
    return std::wstring();
}

int IniProfile::RemoveStrayCopies() const
{
    constexpr ULONGLONG MinimumAge = 60ull * 10'000'000ull; // one minute in 100 ns units
    auto ticks = [](const FILETIME& time)
    { return ULONGLONG{time.dwHighDateTime} << 32 | time.dwLowDateTime; };
    auto isCopyName = [](const wchar_t* name)
    {
        if (std::wcslen(name) != CopyNameLength || std::wcsncmp(name, L"~ini", 4) != 0 ||
            _wcsicmp(name + 8, L".tmp") != 0)
        {
            return false;
        }
        return std::all_of(name + 4, name + 8, [](wchar_t c) { return std::iswxdigit(c) != 0; });
    };
    FILETIME now = {};
    GetSystemTimeAsFileTime(&now);
    const std::wstring folder = Common::GetDirectoryPart(path_);
    WIN32_FIND_DATAW found = {};
    const HANDLE search = FindFirstFileW((folder + L"~ini*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
    {
        return 0;
    }
    int removed = 0;
    do
    {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && isCopyName(found.cFileName) &&
            ticks(now) >= ticks(found.ftLastWriteTime) + MinimumAge &&
            DeleteFileW((folder + found.cFileName).c_str()) != FALSE)
        {
            ++removed;
        }
    } while (FindNextFileW(search, &found) != FALSE);
    static_cast<void>(FindClose(search));
    return removed;
}

bool IniProfile::ReplaceWithCopy() const
{
    // The copy's content reaches the disk before it takes the file's name.
    {
        const Common::UniqueHandle file(CreateFileW(copy_.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file || !FlushFileBuffers(file.Get()))
        {
            return false;
        }
    }
    return MoveFileExW(copy_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) !=
           FALSE;
}

std::wstring IniProfile::PathForExecutable(const std::wstring& executablePath)
{
    return Common::ChangeExtension(executablePath, L".ini");
}

} // namespace TavixCapture
