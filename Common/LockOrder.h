// The program's lock order: the one table the comments of the locks refer to.
//
// A thread holding a lock takes only locks of LATER rows (or the same lock
// again: CriticalSection is recursive). Two locks of one row are never held
// together. The still-image writer's set of cleaned folders, the one other
// lock of the program, is taken alone and calls nothing while held. A
// plug-in's own locks sit between rows 4 and 5: taken while the host holds
// rows 2 or 4 (GetOutputImage, Process), and holding them a plug-in may call
// the host's profile functions and UpdateFrame.
//
//  #  lock                         owner                       guards
//     held while taking
//  1  deviceLock                   MediaFoundationDevice,      the reader, its callback, the transformer,
//                                  shared with its callback    the media-type state; serialises Open,
//                                                              Close and the read results
//     rows 2 - 10 (a read result is handled under it, frame delivery included)
//  1  the sample callback's lock   DirectShowDevice::Callback  the callback's pointer to its device
//     rows 2 - 10 (a sample is delivered under it)
//  2  frameLock                    Device (protected)          the frame; the DirectShow conversion;
//                                                              what the sink writes while a frame is
//                                                              delivered (a processor's output image)
//     rows 3 - 10 (the delivery thread); a plug-in's locks (the preview's GetOutputImage)
//  3  the sink lock                Device (private)            the sink's context and callbacks
//     rows 4 - 10 (the sink runs under it, so ClearSink waits for a running callback)
//  4  the processor lock           ProcessorHost               the current processor, its failure run
//     a plug-in's locks, rows 5 - 10 (Process runs under it)
//  5  batchLock_                   HostServices                the profile writes a plug-in batches
//     row 6
//  6  the profile file's lock      IniProfile                  reads and writes of the configuration file
//     none
//  7  profileLock_, errorLock_     MainModel                   marker and profiles; the error text, the
//                                                              capture failure and the removal notice
//     none
//  8  the recorder's mutex, the    Recorder, MovieWriterThread, the recorder's paths and failure; the
//     queues' mutexes, the         StillImageQueue,            frame slots waiting to be written; the
//     readers' count, the error    MediaFoundationReaderRelease, readers being let go; the error reports
//     reports' lock                ErrorReporter               waiting (the preview posts one under row 2)
//     none
//  9  the movie writer's lock      VideoWriter (the object)    the open movie (writer thread, UI thread)
//     none
// 10  the listener lock            BindableBase                the windows told of changes, their
//                                                              pending notifications (only posts messages)
//     none
//
// So: a device's callbacks (frames, errors, the end of a stream) run under
// rows 1 - 3, and the sink never takes a device's lock itself; other threads
// read the frame with Device::CopyLatestFrame, which takes row 2 alone.
#pragma once
