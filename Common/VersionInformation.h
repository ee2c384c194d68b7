// Common::VersionInformation: the version resource of a module, read once:
// for every translation of the block, in the block's order, the values of
// "CompanyName", "ProductVersion" and "ProductName". The entries refer into
// the object's copy of the block and are valid while it lives. Any thread.
#pragma once

#include <windows.h>

#include <string_view>
#include <vector>

namespace Common
{

class VersionInformation
{
public:
    // One translation of the block: language id and code page.
    struct Translation
    {
        WORD language;
        WORD codePage;
    };

    class Entry
    {
    public:
        Entry(const Translation& translation, std::wstring_view companyName, std::wstring_view productVersion,
              std::wstring_view productName)
            : translation(translation), companyName(companyName), productVersion(productVersion),
              productName(productName)
        {
        }
        virtual ~Entry() = default;

        const Translation& translation;
        std::wstring_view companyName;
        std::wstring_view productVersion;
        std::wstring_view productName;
    };

    // Reads the block of `module` (null: the program); raises Exception on failure.
    explicit VersionInformation(HMODULE module);
    VersionInformation(const VersionInformation&) = delete;
    VersionInformation& operator=(const VersionInformation&) = delete;

    const std::vector<Entry>& GetEntries() const { return entries_; }

private:
    std::vector<BYTE> data_;
    std::vector<Entry> entries_;
};

} // namespace Common
