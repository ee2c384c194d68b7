// Common::Mfc::Dialog: a dialog from a template of the program's resources,
// run modally (DoModal) or created as a modeless child (Create). Its messages
// arrive in the same place as those of every Window; the dialog adds
// initialisation (OnInitDialog) and the OK and cancel commands (Enter and
// Escape), which end a modal dialog unless a derived class decides
// otherwise. An exception out of OnInitDialog is reported and ends a modal
// dialog with IDABORT.
//
// Lists that come with the template: a resource of type 240 with the
// template's id holds 16-bit triples (control id, message such as
// CB_ADDSTRING, id of the string with the item text), ended by 0; the items
// are added in that order before OnInitDialog. UI thread.
#pragma once

#include "Common/ui/Window.h"

namespace Common::Mfc
{

class Dialog : public Window
{
public:
    // `resources`: the module holding the template; null for the program.
    explicit Dialog(UINT templateId, HINSTANCE resources = nullptr);
    ~Dialog() override;

    // Runs the dialog modally; returns the value given to EndDialog.
    INT_PTR DoModal(HWND owner);
    // Creates the dialog as a modeless window (a child when the template says so).
    void Create(HWND parent);
    // Ends a modal dialog with `result`.
    void EndDialog(INT_PTR result);
    bool IsModal() const { return modal_; }
    UINT GetTemplateId() const { return templateId_; }

protected:
    // After the controls exist; TRUE lets the dialog set the default focus.
    virtual BOOL OnInitDialog() { return TRUE; }
    // Enter (IDOK) and Escape or the close box (IDCANCEL).
    virtual void OnOK();
    virtual void OnCancel();
    bool OnCommand(int id, int code, HWND control) override;
    // Unhandled messages go back to the dialog manager.
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static INT_PTR CALLBACK StaticDialogProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
    HINSTANCE Resources() const;
    void AddTemplateItems();

    UINT templateId_;
    HINSTANCE resources_;
    bool modal_ = false;
};

} // namespace Common::Mfc
