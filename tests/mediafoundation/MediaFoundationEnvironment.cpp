// Media Foundation is started once for the whole test run, as the program
// starts it once for its lifetime.
#include "Common/capture/mediafoundation/MediaFoundationInitializer.h"

#include <gtest/gtest.h>

#include <optional>

namespace
{

struct MediaFoundationEnvironment : testing::Environment
{
    void SetUp() override { platform.emplace(); }
    void TearDown() override { platform.reset(); }

    std::optional<Common::MediaFoundationInitializer> platform;
};

[[maybe_unused]] testing::Environment* const environment =
    testing::AddGlobalTestEnvironment(new MediaFoundationEnvironment);

} // namespace
