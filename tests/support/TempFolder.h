// A fresh folder under the temporary directory, deleted with its files when
// the test ends.
#pragma once

#include <string>

namespace TestSupport
{

class TempFolder
{
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder's path, ending with a separator.
    const std::wstring& Path() const { return path_; }
    std::wstring File(const std::wstring& name) const { return path_ + name; }

private:
    std::wstring path_;
};

// Whole text of a file as UTF-16 read back through the platform (for INI files).
std::wstring ReadTextFile(const std::wstring& path);

} // namespace TestSupport
