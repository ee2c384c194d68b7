// TavixCapture::ProcessorHost: which processor of the catalog is current,
// switching between processors, and what happens when one fails.
//
// Threads and the processor lock (row 4 of Common/LockOrder.h): Process runs
// on the capture delivery thread under the processor lock, inside the
// device's frame and sink locks. No other call into a processor is made
// under that lock, because a processor may wait on the UI (a message box in
// Initialize or Terminate lets the preview repaint, and the repaint copies
// the frame under the device's frame lock): a switch
// creates and initialises the new processor outside the lock, swaps the
// current index under it, and terminates the old processor after. Every
// other operation runs on the UI thread.
//
// Failures: a processor that cannot be created or initialised leaves "なし"
// current and is reported to the caller; leaving a processor always works,
// a failing Terminate is reported after the switch. A failing Process (a
// code or an exception) is reported once per run of failures and the frame
// goes on as it is.
#pragma once

#include "Common/CriticalSection.h"
#include "app/MainModel.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace TavixCapture
{

class HostServices;

class ProcessorHost
{
public:
    using Entries = std::vector<std::shared_ptr<MainModel::ProcessorEntry>>;

    // `entries` (entry 0 "なし") and `host` outlive this object; `model` is
    // told of switches (Processor, Frame) and of Process failures
    // (OnCaptureError). Starts "なし". After a processor is terminated, the
    // settings it wrote are flushed to the file.
    ProcessorHost(const Entries& entries, HostServices& host, MainModel& model);
    // Ends the current processor (see Stop).
    ~ProcessorHost();
    ProcessorHost(const ProcessorHost&) = delete;
    ProcessorHost& operator=(const ProcessorHost&) = delete;

    std::int32_t GetCurrentIndex() const { return currentIndex_; }
    // The live processor of the current entry; null after Stop.
    Tavix::Framework::IProcessor* GetCurrent() const;

    // Switches to entry `index` (valid for the entries) and raises Processor,
    // then Frame. Raises Exception when the new processor could not start
    // ("なし" is current then) or the old one ended with a failure (the
    // switch is done), and when called again while a switch is under way
    // (from a message loop a processor runs).
    void Select(std::int32_t index);
    // Terminates and releases the current processor; no Process runs after
    // it. Program end; never throws.
    void Stop() noexcept;

    // After the device or the frame format changed; the result is ignored.
    void NotifyFormatChanged();

    // Delivery thread: runs the current processor on the frame.
    void Process();

private:
    const Entries& entries_;
    HostServices& host_;
    MainModel& model_;
    Common::CriticalSection lock_; // row 4 of Common/LockOrder.h
    // Written on the UI thread under lock_; Process reads it under lock_. -1 after Stop.
    std::int32_t currentIndex_ = 0;
    // Process failed on the last frame (delivery thread, under lock_).
    bool processFailing_ = false;
    bool switching_ = false; // UI thread
};

} // namespace TavixCapture
