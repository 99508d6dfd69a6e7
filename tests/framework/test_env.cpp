// The framework's globals for every test program.
#include <gtest/gtest.h>

#include "application.h"

namespace {
class FrameworkEnvironment : public ::testing::Environment {
public:
    void SetUp() override { InitializeFramework(); }
    void TearDown() override { FinalizeFramework(); }
};
::testing::Environment* const environment = ::testing::AddGlobalTestEnvironment(new FrameworkEnvironment);
}  // namespace
