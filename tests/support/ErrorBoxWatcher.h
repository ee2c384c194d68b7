// Answers every error box ("エラー") of this thread with OK while it lives,
// keeping the texts the boxes showed. UI thread.
#pragma once

#include "TimerStep.h"

#include <string>
#include <vector>

namespace TestSupport
{

class ErrorBoxWatcher
{
public:
    ErrorBoxWatcher();
    const std::vector<std::wstring>& Texts() const { return texts_; }

private:
    static BOOL CALLBACK Answer(HWND window, LPARAM watcher);
    std::vector<std::wstring> texts_;
    TimerStep step_;
};

} // namespace TestSupport
