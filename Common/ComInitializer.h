// Common::ComInitializer: COM for the calling thread (apartment-threaded) for
// the holder's lifetime. UI thread.
#pragma once

namespace Common
{

class ComInitializer
{
public:
    ComInitializer();
    ~ComInitializer();
    ComInitializer(const ComInitializer&) = delete;
    ComInitializer& operator=(const ComInitializer&) = delete;
};

} // namespace Common
