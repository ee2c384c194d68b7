// TavixCapture::PluginCatalog: the processors the program can offer. It
// lists the built-in "なし" and every processor of every plug-in library
// ("Tavix*.dll") in the program folder, in file-name order, and keeps, for
// each library or processor it had to leave out, the reason, so that a user
// and a plug-in author can see why (the processor-selection dialog lists
// them; each is also written with OutputDebugString).
//
// Nothing a library does during discovery (a failure code, an exception, a
// null or absurd answer) stops the program: the library is left out. Built
// on the UI thread; never changed afterwards.
#pragma once

#include "app/MainModel.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace TavixCapture
{

class PluginCatalog
{
public:
    // More processors than this from one library is taken as a broken answer.
    static constexpr std::int32_t MaxProcessorsPerLibrary = 256;
    // Longer display names are taken as broken answers.
    static constexpr std::size_t MaxNameLength = 1024;

    struct LeftOut
    {
        std::wstring library; // file name, "TavixMine.dll"
        std::wstring reason;  // in the user's words
    };

    // `folder` ends with a separator. A search that cannot be closed raises
    // Exception (E_UNEXPECTED); nothing else does.
    explicit PluginCatalog(const std::wstring& folder);
    ~PluginCatalog();
    PluginCatalog(const PluginCatalog&) = delete;
    PluginCatalog& operator=(const PluginCatalog&) = delete;

    // Entry 0 is "なし"; the others in the order found.
    const std::vector<std::shared_ptr<MainModel::ProcessorEntry>>& GetEntries() const { return entries_; }
    const std::vector<LeftOut>& GetLeftOut() const { return leftOut_; }

private:
    void AddLibrary(const std::wstring& folder, const std::wstring& fileName);
    // The reason processor `index` named `name` cannot be listed; empty when it can.
    std::wstring CheckName(std::int32_t index, const std::wstring& name) const;
    void Leave(const std::wstring& library, std::wstring reason);

    std::vector<std::shared_ptr<MainModel::ProcessorEntry>> entries_;
    std::vector<LeftOut> leftOut_;
};

} // namespace TavixCapture
