// TavixCapture::IniProfile: the four profile functions over one INI file
// (sections of key=value lines; integers as signed decimal text, booleans as
// 0 and 1). Any thread: one lock serialises the reads, the writes and the
// transactions (a transaction holds it from its start to its end, so the
// writes of another thread wait and never mix into it).
//
// The file is never rewritten in place. Writes go to a copy in the same
// folder, which replaces the file only when every write succeeded, so a full
// disk or a process killed while saving leaves the earlier file whole. A
// single write is such a change of its own; a Transaction groups several
// writes (a whole section) into one change. Each value is written by one
// virtual function, so tests can make a write fail.
#pragma once

#include "Common/CriticalSection.h"

#include <cstdint>
#include <string>

namespace TavixCapture
{

class IniProfile
{
public:
    // Raises Exception when the path is too long for the profile functions.
    explicit IniProfile(std::wstring path);
    virtual ~IniProfile();
    IniProfile(const IniProfile&) = delete;
    IniProfile& operator=(const IniProfile&) = delete;

    // Groups the writes made while it lives into one change of the file.
    // Reads made meanwhile see those writes. A transaction begun inside
    // another joins it: only the outermost one replaces the file.
    class Transaction
    {
    public:
        explicit Transaction(const IniProfile& profile);
        // Without Commit, the writes are dropped (the whole outer transaction
        // with them).
        ~Transaction();
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;

        // True when every write so far succeeded and, for the outermost
        // transaction, the file was replaced. False: the file keeps the
        // content it had before the outermost transaction began.
        bool Commit();

    private:
        const IniProfile& profile_;
        Common::AutoLock lock_;
        bool ended_ = false;
    };

    const std::wstring& GetPath() const { return path_; }

    // Removes the copies that a process ended in the middle of a change left
    // beside the file (named as above, written more than a minute ago: a
    // younger one may be another instance's change in progress). Nothing
    // else in the folder is touched; a copy that cannot be removed stays.
    // Returns how many were removed.
    int RemoveStrayCopies() const;

    // A missing key, or a value that is not a decimal integer, gives the default.
    std::int32_t ReadInt(const wchar_t* section, const wchar_t* key, std::int32_t defaultValue) const;
    std::wstring ReadString(const wchar_t* section, const wchar_t* key,
                            const std::wstring& defaultValue) const;
    // False when the file exists and cannot be written now (marked read-only,
    // or held open by a process that shares it for reading only).
    bool CanWrite() const;
    // False when the file could not be written; it then keeps its earlier content.
    bool WriteInt(const wchar_t* section, const wchar_t* key, std::int32_t value) const;
    bool WriteString(const wchar_t* section, const wchar_t* key, const std::wstring& value) const;

    // The integer a value's text stands for, as ReadInt reads it.
    static std::int32_t ParseInt(const std::wstring& text, std::int32_t defaultValue);

    // "C:\Tools\Capture.exe" gives "C:\Tools\Capture.ini".
    static std::wstring PathForExecutable(const std::wstring& executablePath);

protected:
    // Writes one value into `file`, the copy that takes the writes.
    virtual bool WriteValue(const std::wstring& file, const wchar_t* section, const wchar_t* key,
                            const std::wstring& value) const;

private:
    void Begin() const;
    bool End(bool commit) const;
    std::wstring CreateCopy() const;
    bool ReplaceWithCopy() const;

    std::wstring path_;
    mutable Common::CriticalSection lock_; // row 6 of Common/LockOrder.h
    // Guarded by lock_. While a transaction is open: the copy that takes the writes (empty when
    // it could not be made), how deeply transactions nest, and whether a write
    // failed. The transactions change them on a const profile, as reads and
    // writes are const.
    mutable std::wstring copy_;
    mutable int depth_ = 0;
    mutable bool failed_ = false;
};

} // namespace TavixCapture
