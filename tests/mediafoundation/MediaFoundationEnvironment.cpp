// Media Foundation is started once for the whole test run, as the program
// starts it once for its lifetime.
#include "Common/capture/mediafoundation/MediaFoundationInitializer.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{

class MediaFoundationEnvironment : public testing::Environment
{
public:
    void SetUp() override { platform_ = std::make_unique<Common::MediaFoundationInitializer>(); }
    void TearDown() override { platform_.reset(); }

private:
    std::unique_ptr<Common::MediaFoundationInitializer> platform_;
};

[[maybe_unused]] testing::Environment* const environment =
    testing::AddGlobalTestEnvironment(new MediaFoundationEnvironment);

} // namespace
