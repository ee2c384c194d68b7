// A fresh folder under the temporary directory, deleted with its files when
// the test ends.
#pragma once

#include <string>
#include <vector>

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
    // Names of the files and folders in it, sorted.
    std::vector<std::wstring> Names() const;

private:
    std::wstring path_;
};

// Names of the files and folders in `folder` (ending with a separator), sorted.
std::vector<std::wstring> ListFiles(const std::wstring& folder);

// Raw bytes of a file; empty when it cannot be read.
std::string ReadFileBytes(const std::wstring& path);
// Creates or replaces a file with these bytes; throws when it cannot.
void WriteFileBytes(const std::wstring& path, const std::string& bytes);

// Whole text of a file as UTF-16 read back through the platform (for INI files).
std::wstring ReadTextFile(const std::wstring& path);

} // namespace TestSupport
