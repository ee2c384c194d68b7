// TavixCapture::SelectProcessorDialog: the small modal dialog "処理選択"
// (template 131) in which the user picks the current processor from the
// model's list, in the list's order (row i is entry i). Below the list it
// shows the plug-in libraries (or processors) that were left out, each with
// the reason, when there are any. UI thread.
#pragma once

#include "Common/ui/Dialog.h"
#include "Common/ui/ListBox.h"

namespace TavixCapture
{

class MainModel;

class SelectProcessorDialog : public Common::Mfc::Dialog
{
public:
    explicit SelectProcessorDialog(MainModel& model);

protected:
    // Lists every entry's name and selects the current one; lists the
    // left-out libraries or hides that part.
    BOOL OnInitDialog() override;
    // Selects the chosen row's processor, if a row is chosen, and closes. A
    // processor that fails to start is reported and "なし" stays selected.
    void OnOK() override;

private:
    void ShowLeftOut();

    MainModel& model_;
    Common::Mfc::ListBox list_;
};

} // namespace TavixCapture
